// The commands that set up or look at a position: "setboard", edit mode, "hint", the book's
// moves ("bk") and the exchange evaluation of a capture ("dumpsee").

#include "xboard/position_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/bit_ops.h"
#include "board/chess_board.h"
#include "board/fen.h"
#include "board/log_file.h"
#include "board/masks.h"
#include "board/move_coordinates.h"
#include "book/polyglot_book.h"
#include "game/game_state.h"
#include "game/input.h"
#include "game/move_parse.h"
#include "game/san.h"
#include "game/status.h"
#include "hash/move_history.h"
#include "movegen/move_gen.h"
#include "movegen/see.h"
#include "search/search_report.h"
#include "search/search_routines.h"
#include "xboard/command_input.h"
#include "xboard/commands.h"
#include "xboard/game_commands.h"

namespace xboard {
namespace {

// A square from a word: a decimal index 0..63 when numbered, else a name such as "e4" (exactly
// two characters). -1 when the word is no square.
int ParseSquare(const char* text, bool numbered) {
  if (!numbered) {
    if (text[0] < 'a' || text[0] > 'h' || text[1] < '1' || text[1] > '8' || text[2] != '\0') return -1;
    return (text[0] - 'a') + 8 * (text[1] - '1');
  }
  char* end = nullptr;
  errno = 0;
  const long v = strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || v < 0 || v > 63) return -1;
  return static_cast<int>(v);
}

// prefix, then the move in coordinates ("e7e8q"), one line.
void PrintMove(const char* prefix, uint64_t from, uint64_t to, char promotion) {
  char text[8];
  *PutMoveCoordinates(text, LowestSquare(from), LowestSquare(to), promotion) = '\0';
  printf("%s%s\n", prefix, text);
}

// A quick search of the position, for a hint when no reply was predicted. It plays nothing, and
// it never looks at the input: the command that asked is still being answered.
bool ShortSearch(uint64_t* from, uint64_t* to, char* promotion) {
  constexpr int HintDepth = 5;
  if (CountLegalMoves(MainBoard) == 0) return false;
  const int64_t pollCountdown = Search.PollCountdown;
  Search.PollCountdown = INT64_MAX;
  const int32_t historyLength = MoveList.NumMoves;
  Search.SearchExactDepth(MainBoard, HintDepth, from, to, promotion);
  MoveList.NumMoves = historyLength;  // the search recorded its root
  Search.PollCountdown = pollCountdown;
  ChessBoard board = MainBoard;
  const PVEntry best{MoveCode(LowestSquare(*from), LowestSquare(*to)), *promotion};
  return *from && *to && FindLegalMove(board, board.SideToMove ? Black : White, board.CastleFlags, best, from, to,
                                       promotion);
}

// Edit mode: rebuild unions and castling rights from the pieces after every word.
void RecomputeEditedBoard(ChessBoard& b) {
  b.RecomputeUnions();
  uint8_t flags = 0;
  const bool whiteKingHome = b.WhiteKing & SquareMask(E1);
  const bool blackKingHome = b.BlackKing & SquareMask(E8);
  if (whiteKingHome && (b.WhiteRooks & SquareMask(H1))) flags |= 1;
  if (whiteKingHome && (b.WhiteRooks & SquareMask(A1))) flags |= 2;
  if (blackKingHome && (b.BlackRooks & SquareMask(H8))) flags |= 4;
  if (blackKingHome && (b.BlackRooks & SquareMask(A8))) flags |= 8;
  b.CastleFlags = flags;
}

void RemovePieceAt(ChessBoard& b, uint64_t sq) {
  uint64_t* boards[] = {&b.WhitePawns, &b.WhiteKnights, &b.WhiteBishops, &b.WhiteRooks,
                        &b.WhiteQueens, &b.WhiteKing,   &b.BlackPawns,   &b.BlackKnights,
                        &b.BlackBishops, &b.BlackRooks, &b.BlackQueens,  &b.BlackKing};
  for (uint64_t* piece : boards) *piece &= ~sq;
}

uint64_t* EditPieceBoard(ChessBoard& b, char letter, bool black) {
  switch (letter) {
    case 'P': return black ? &b.BlackPawns : &b.WhitePawns;
    case 'N': return black ? &b.BlackKnights : &b.WhiteKnights;
    case 'B': return black ? &b.BlackBishops : &b.WhiteBishops;
    case 'R': return black ? &b.BlackRooks : &b.WhiteRooks;
    case 'Q': return black ? &b.BlackQueens : &b.WhiteQueens;
    case 'K': return black ? &b.BlackKing : &b.WhiteKing;
    default: return nullptr;
  }
}

// The edited position becomes the game position only when it is a playable one; the FEN reader
// judges that (one king each, no pawn on the first or last rank, the side not to move not in check).
void CommitEditedBoard(const ChessBoard& edited) {
  char fen[256];
  pos2fenString(edited, fen);
  if (const char* reason = SetupBoard(fen)) {
    ReportError(reason, "edit");
    return;
  }
  MainBoard.CastleFlags = edited.CastleFlags;
  // An edited position keeps the game's move number.
  ResetForPosition(FenCounters{0, MainStatus.GamePly / 2 + 1});
}

}  // namespace

uint8_t SetBoardCommand() {
  char line[LineSize];
  const char* fen = ReadArgumentLine(line, sizeof line, "the position is unchanged");
  if (fen == nullptr) return CmdHandled;
  WriteLogFile(fen);
  FenCounters counters{0, 1};
  if (const char* reason = ReadFen(fen, &counters)) {
    // The GUI shows the refusal to its user; the engine keeps its position.
    if (Protocol.XboardMode) {
      printf("tellusererror Illegal position\n");
      Flush();
      LogPrintf("Refused setboard (%s): %s", reason, fen);
    } else {
      ReportError(reason, fen);
    }
    return CmdHandled;
  }
  ResetForPosition(counters);
  if (AtConsole() && !SearchRunning) ShowBoard(MainBoard);
  return PositionChanged();
}

uint8_t EditCommand() {
  SetupBoardFromEdit();
  if (QuitRequested) return CmdQuit;
  return PositionChanged();
}

uint8_t DumpSeeCommand() {
  char a[WordSize], b[WordSize];
  if (!ReadArgument(a, sizeof a) || !ReadArgument(b, sizeof b)) return CmdHandled;
  const int from = ParseSquare(a, true);
  const int to = ParseSquare(b, true);
  char text[2 * WordSize + 16];
  snprintf(text, sizeof text, "dumpsee %s %s", a, b);
  if (from < 0 || to < 0) {
    ReportError("squares are numbered 0 to 63", text);
    return CmdHandled;
  }
  if (MainBoard.IsEmptySquare(SquareMask(from))) {
    ReportError("no piece on the first square", text);
    return CmdHandled;
  }
  const uint64_t fromMask = SquareMask(from);
  const uint64_t toMask = SquareMask(to);
  printf("SEE value = %d\n",
         see.StaticExchangeEvaluation(MainBoard.PieceColor(toMask), fromMask, toMask, &MainBoard));
  Flush();
  return CmdHandled;
}

// "hint": the move the engine expects from the opponent, or failing that the move it would play
// in the opponent's place. Nothing while the engine thinks about its own move.
uint8_t HintCommand() {
  uint64_t from = 0, to = 0;
  char promotion = NoPromotion;
  bool known = PredictedMove(&from, &to, &promotion);
  if (!known && !SearchRunning) known = ShortSearch(&from, &to, &promotion);
  if (AtConsole()) {
    // A person reads the hint in the notation of the score sheet.
    char san[SanTextSize];
    if (known && WriteSanMove(MainBoard, from, to, promotion, san) > 0)
      printf("Hint: %s\n", san);
    else
      printf("No hint: there is no move to play\n");
    Flush();
    return CmdHandled;
  }
  if (known) SendHint(from, to, promotion);
  return CmdHandled;
}

// "bk": the book's moves for the position, each with its share of the book's weight, in the
// form xboard shows in a window: indented lines, then an empty line.
uint8_t BookCommand() {
  ChessBoard board = Pondering ? PonderBase : MainBoard;
  const int8_t side = board.SideToMove ? Black : White;
  MoveGen list;
  const int n = list.GenerateAllMoves(side, &board, board.CastleFlags);
  int index[MaxMoves];
  uint32_t weight[MaxMoves];
  const int count = FileBook.Loaded() ? FileBook.Playable(board, side, board.CastleFlags, list, n, index, weight) : 0;
  uint64_t total = 0;
  for (int i = 0; i < count; i++) total += weight[i];
  for (int i = 0; i < count; i++) {
    char prefix[32];
    snprintf(prefix, sizeof prefix, "\t%2d%% ", static_cast<int>((weight[i] * 100 + total / 2) / total));
    PrintMove(prefix, list.From[index[i]], list.To[index[i]], list.Promotion[index[i]]);
  }
  if (count == 0) printf(FileBook.Loaded() ? "\tNo book move for this position\n" : "\tNo opening book loaded\n");
  printf("\n");
  Flush();
  return CmdHandled;
}

}  // namespace xboard

using namespace xboard;

void SendHint(uint64_t from, uint64_t to, char promotion) {
  PrintMove("Hint: ", from, to, promotion);
  Flush();
}

void SetupBoardFromEdit() {
  ChessBoard edited = MainBoard;
  bool black = false;
  char word[WordSize];
  for (;;) {
    const InputResult read = ReadWord(word, sizeof word);
    if (read == InputResult::TooLong) {
      ReportTooLong(word, sizeof word, "ignored");
      continue;
    }
    if (read == InputResult::End || strcmp(word, "quit") == 0) {
      // The input ended (or the GUI gave up): the position stays as it was.
      QuitCommand();
      return;
    }
    WriteLogFile(word);
    const char first = word[0];
    if (first == '.') {
      RecomputeEditedBoard(edited);
      CommitEditedBoard(edited);
      return;
    }
    if (first == '#') {
      edited.ClearField();
    } else if (first == 'c') {
      black = !black;
    } else if (first == 'x' || EditPieceBoard(edited, first, black)) {
      const int sq = ParseSquare(word + 1, false);
      if (sq < 0) {
        ReportError("bad square", word);
        continue;
      }
      RemovePieceAt(edited, SquareMask(sq));
      if (first != 'x') *EditPieceBoard(edited, first, black) |= SquareMask(sq);
    }
    RecomputeEditedBoard(edited);
  }
}
