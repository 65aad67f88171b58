#pragma once
// The UCI front end.

#include <cstdint>

enum UCIState : uint8_t { WAITING = 0, SEARCHING = 1, PONDERING = 2, INFINITE = 3 };

class UCIProtocol {
public:
  char CommandBuffer[10000];
  int32_t FromSquare;
  int32_t ToSquare;
  int8_t PromotionChar;
  int8_t HistorySide;
  uint8_t State;
  uint64_t FromMask;
  uint64_t ToMask;
  char VersionText[17];
  int8_t KeepRunning;
  int8_t PonderOption;
  int8_t ShowCurrLine;

  UCIProtocol();
  uint8_t UCIPrep(const char* text);
  uint8_t UCICore();
  int32_t ProcessMoves(const char* text);
  void MakeMoves(const char* text);
};

extern UCIProtocol UCI;
