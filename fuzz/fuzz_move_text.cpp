// The move-text parser: the first line is a FEN (the start position when it is refused), each
// later word a move. Only legal moves are accepted, and a refused word leaves the board alone.

#include "board/fen.h"
#include "driver/move_parse.h"
#include "fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QuietEngine();
  const std::string text = Text(data, size);
  const size_t newline = text.find('\n');
  const std::string fen = text.substr(0, newline);
  MainBoard.InitRep();
  if (SetupBoard(fen.c_str()) != nullptr) MainBoard.InitRep();
  ChessBoard board = MainBoard;
  board.InitPieceCounts();
  if (newline == std::string::npos) return 0;
  size_t at = newline + 1;
  for (int words = 0; at < text.size() && words < 64; words++) {
    const size_t end = text.find_first_of(" \n\t", at);
    const std::string word = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? text.size() : end + 1;
    uint64_t from = 0, to = 0;
    char promotion = NoPromotion;
    const ChessBoard before = board;
    if (!ParseLegalMove(board, word.c_str(), &from, &to, &promotion)) {
      FUZZ_CHECK(memcmp(&board, &before, sizeof board) == 0);
      continue;
    }
    FUZZ_CHECK(LooksLikeMoveText(word.c_str()));
    uint8_t mask = 15;
    board.MakeMove(from, to, promotion, mask);
    board.CastleFlags &= mask;
    board.SideToMove = board.SideToMove ? White : Black;
    FUZZ_CHECK(OneLegalMoveApart(before, board));
    CheckPosition(board);
  }
  return 0;
}
