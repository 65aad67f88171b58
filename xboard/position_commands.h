#pragma once
// The commands of the xboard and console interpreter that set up or look at a position:
// "setboard", "edit", "dumpsee", "hint" and "bk". Each returns a result code of commands.h.

#include <cstdint>

namespace xboard {

uint8_t SetBoardCommand();
uint8_t EditCommand();
uint8_t DumpSeeCommand();
uint8_t HintCommand();
uint8_t BookCommand();

}  // namespace xboard
