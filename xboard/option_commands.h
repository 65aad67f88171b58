#pragma once
// The handshake and the settings of the xboard and console interpreter: "protover",
// "accepted" / "rejected", "option", "cores", "memory" and "strength". Each returns a result
// code of commands.h.

#include <cstdint>

namespace xboard {

uint8_t ProtoverCommand();
uint8_t FeatureReplyCommand(bool accepted);
uint8_t OptionCommand();
uint8_t EgtPathCommand();
// "tb PATH": the Syzygy tables' folders, at the console.
uint8_t TablesCommand();
uint8_t CoresCommand();
uint8_t MemoryCommand();
uint8_t StrengthCommand();

}  // namespace xboard
