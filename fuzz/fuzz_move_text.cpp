// The move-text readers: the first line is a FEN (the start position when it is refused), each
// later word a move in coordinates or, failing that, in algebraic notation. Only legal moves are
// accepted, a refused word leaves the board alone, and the algebraic text written for an
// accepted move reads back as that move.

#include "board/fen.h"
#include "fuzz/fuzz_common.h"
#include "game/move_parse.h"
#include "game/san.h"

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
    const bool coordinates = ParseLegalMove(board, word.c_str(), &from, &to, &promotion);
    if (!coordinates && !ParseSanMove(board, word.c_str(), &from, &to, &promotion)) {
      FUZZ_CHECK(memcmp(&board, &before, sizeof board) == 0);
      continue;
    }
    FUZZ_CHECK(!coordinates || LooksLikeMoveText(word.c_str()));
    char san[SanTextSize];
    FUZZ_CHECK(WriteSanMove(board, from, to, promotion, san) > 0);
    uint64_t sanFrom = 0, sanTo = 0;
    char sanPromotion = 0;
    FUZZ_CHECK(ParseSanMove(board, san, &sanFrom, &sanTo, &sanPromotion));
    FUZZ_CHECK(sanFrom == from && sanTo == to && sanPromotion == promotion);
    uint8_t mask = 15;
    board.MakeMove(from, to, promotion, mask);
    board.CastleFlags &= mask;
    board.SideToMove = board.SideToMove ? White : Black;
    FUZZ_CHECK(OneLegalMoveApart(before, board));
    CheckPosition(board);
  }
  return 0;
}
