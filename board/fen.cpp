// FEN positions: reading the placement, side to move, castling and en passant fields into
// MainBoard and the move counters for the callers that keep them, writing a board as FEN text,
// and loading the first line of a position file.

#include "board/fen.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>

#include "board/bit_ops.h"
#include "board/castling.h"
#include "board/masks.h"

namespace {

// The FEN letters in piece-code order (WPawn .. BKingCode).
constexpr const char* PieceLetters = "PNBRQKpnbrqk";
constexpr int MaxPiecesPerSide = 16;
constexpr int MaxPawnsPerSide = 8;
constexpr int PositionLineSize = 512;

// The one-line reason of a rejected text, kept until the next call.
char Reason[128];

const char* Reject(const char* format, int value = 0) {
  snprintf(Reason, sizeof Reason, format, value);
  return Reason;
}

// The bitboard of a piece letter, or nullptr for any other character.
uint64_t* PieceBoard(ChessBoard& b, char letter) {
  const char* at = letter ? strchr(PieceLetters, letter) : nullptr;
  return at ? &b.Pieces(static_cast<int>(at - PieceLetters)) : nullptr;
}

// A king replaces any earlier king of its colour; other pieces are added.
void AddPieceTo(ChessBoard& b, char letter, int square) {
  if (square < 0 || square > 63) return;
  uint64_t* board = PieceBoard(b, letter);
  if (!board) return;
  if (letter == 'K' || letter == 'k')
    *board = SquareMask(square);
  else
    *board |= SquareMask(square);
}

// Reads the placement field into the piece bitboards of b, which must be empty. Returns the
// position of the character that ended the field, or nullptr with a reason when the field is
// not eight ranks of eight squares of known pieces.
const char* ReadPlacement(ChessBoard& b, const char* text, const char** reason) {
  int rank = 7;        // rank being filled, 8th first
  int file = 0;        // squares of the rank filled so far
  int kings[2] = {0, 0};
  const char* p = text;
  if (*p == '\0' || *p == ' ') {
    *reason = Reject("the placement is empty");
    return nullptr;
  }
  for (; *p && *p != ' '; p++) {
    const char c = *p;
    if (c >= '1' && c <= '8') {
      file += c - '0';
    } else if (c == '/') {
      if (file != 8) break;
      if (--rank < 0) break;
      file = 0;
      continue;
    } else if (strchr(PieceLetters, c)) {
      if (file < 8) AddPieceTo(b, c, rank * 8 + file);
      if (c == 'K') kings[White]++;
      if (c == 'k') kings[Black]++;
      file++;
    } else {
      const unsigned char byte = static_cast<unsigned char>(c);
      *reason = byte >= 0x20 && byte < 0x7F ? Reject("unknown character '%c' in the placement", byte)
                                            : Reject("unknown byte 0x%02X in the placement", byte);
      return nullptr;
    }
    if (file > 8) break;
  }
  if (*p && *p != ' ') {
    *reason = rank < 0 ? Reject("more than eight ranks in the placement")
                       : Reject("rank %d does not have eight squares", rank + 1);
    return nullptr;
  }
  if (file != 8) {
    *reason = Reject("rank %d does not have eight squares", rank + 1);
    return nullptr;
  }
  if (rank != 0) {
    *reason = Reject("the placement has %d ranks instead of eight", 8 - rank);
    return nullptr;
  }
  if (kings[White] != 1) {
    *reason = Reject("White must have exactly one king, not %d", kings[White]);
    return nullptr;
  }
  if (kings[Black] != 1) {
    *reason = Reject("Black must have exactly one king, not %d", kings[Black]);
    return nullptr;
  }
  return p;
}

// Checks a set-up position for what the engine cannot play: too many pieces for its move
// lists, pawns on their first or last rank, or a king that could be taken at once.
const char* CheckPlayable(const ChessBoard& b) {
  if (PopCount(b.WhitePieces) > MaxPiecesPerSide) return Reject("White has more than %d pieces", MaxPiecesPerSide);
  if (PopCount(b.BlackPieces) > MaxPiecesPerSide) return Reject("Black has more than %d pieces", MaxPiecesPerSide);
  if (PopCount(b.WhitePawns) > MaxPawnsPerSide) return Reject("White has more than %d pawns", MaxPawnsPerSide);
  if (PopCount(b.BlackPawns) > MaxPawnsPerSide) return Reject("Black has more than %d pawns", MaxPawnsPerSide);
  constexpr uint64_t BackRanks = 0xFF000000000000FFULL;
  if ((b.WhitePawns | b.BlackPawns) & BackRanks) return Reject("a pawn stands on the first or last rank");
  const int8_t waiting = b.SideToMove ? White : Black;
  const uint64_t king = waiting == White ? b.WhiteKing : b.BlackKing;
  if (b.InCheck(king, waiting)) return Reject("the side not to move is in check");
  return nullptr;
}

// The start of the word after the one at p (the end of the text when there is none).
const char* NextField(const char* p) {
  while (*p && *p != ' ') p++;
  while (*p == ' ') p++;
  return p;
}

// The six fields of a FEN text, each at the start of its word, or at the end of the text when the
// text stops before it. Fields are apart by one space or more.
struct FenFields {
  const char* Placement;
  const char* Side;
  const char* Castling;
  const char* EnPassant;
  const char* Clock;
  const char* MoveNumber;
};

FenFields SplitFields(const char* text) {
  FenFields f;
  f.Placement = text;
  while (*f.Placement == ' ') f.Placement++;
  f.Side = NextField(f.Placement);
  f.Castling = NextField(f.Side);
  f.EnPassant = NextField(f.Castling);
  f.Clock = NextField(f.EnPassant);
  f.MoveNumber = NextField(f.Clock);
  return f;
}

size_t FieldLength(const char* field) { return strcspn(field, " "); }

bool FieldIs(const char* field, const char* word) {
  const size_t length = FieldLength(field);
  return length == strlen(word) && strncmp(field, word, length) == 0;
}

bool IsWholeNumber(const char* field) {
  const size_t length = FieldLength(field);
  return length > 0 && strspn(field, "0123456789") == length;
}

// The leading digits of a field (no sign) as a number, capped; -1 when it does not start with one.
int32_t LeadingDigits(const char* field, int32_t cap) {
  if (*field < '0' || *field > '9') return -1;
  int64_t n = 0;
  for (; *field >= '0' && *field <= '9'; field++) n = std::min<int64_t>(n * 10 + (*field - '0'), cap);
  return static_cast<int32_t>(n);
}

// A text may stop after any field, but a field that is there must say something the reader
// understands: a GUI that sends "x" for the side or "z9" for the en passant square has lost
// track of the game, and guessing would play on from a position it did not mean. The counters
// are checked only for a FEN; in an EPD line the operations ("bm Ra8;") stand in their place.
const char* CheckFields(const FenFields& f, bool counters) {
  if (*f.Side && !FieldIs(f.Side, "w") && !FieldIs(f.Side, "b")) return Reject("the side to move is not w or b");
  const size_t castling = FieldLength(f.Castling);
  if (castling > 0 && !FieldIs(f.Castling, "-") && strspn(f.Castling, "KQkqABCDEFGHabcdefgh") != castling)
    return Reject("the castling field is not - or letters of KQkq");
  // The square passed over by a double pawn step lies on the third or the sixth rank.
  const bool square = FieldLength(f.EnPassant) == 2 && f.EnPassant[0] >= 'a' && f.EnPassant[0] <= 'h' &&
                      (f.EnPassant[1] == '3' || f.EnPassant[1] == '6');
  if (*f.EnPassant && !FieldIs(f.EnPassant, "-") && !square)
    return Reject("the en passant field is not - or a square on the third or sixth rank");
  if (!counters) return nullptr;
  if (*f.Clock && !IsWholeNumber(f.Clock)) return Reject("the half-move clock is not a whole number");
  if (*f.MoveNumber && !IsWholeNumber(f.MoveNumber)) return Reject("the move number is not a whole number");
  return nullptr;
}

// The castling field (its letters checked beforehand) into the rights and their rooks, the
// placement already read; none for "-" or a missing field. Standard chess reads KQkq, and the
// files of its a- and h-rooks for them (HAha). Chess960 reads the files of the castling rooks
// (Shredder-FEN: HFhf), or K and Q for the outermost rook on that side of the king (X-FEN); a
// letter that names no rook there, or a king off its back rank, refuses the position. Returns
// nullptr or the reason.
const char* ReadCastling(ChessBoard& b, const char* field) {
  b.CastleFlags = 0;
  SetStandardCastleRooks(b);
  if (FieldIs(field, "-")) return nullptr;
  for (const char* c = field; *c && *c != ' '; c++) {
    const int colour = (*c >= 'A' && *c <= 'Z') ? White : Black;
    const char letter = static_cast<char>(colour == White ? *c - 'A' + 'a' : *c);
    if (!b.Chess960) {
      if (letter != 'k' && letter != 'q' && letter != 'h' && letter != 'a')
        return Reject("castling with a rook on the %c-file is Chess960, which is off", letter);
      b.CastleFlags |= static_cast<uint8_t>(1 << CastleRight(colour, letter == 'k' || letter == 'h' ? CastleShort : CastleLong));
      continue;
    }
    const uint64_t backRank = colour == White ? Rank1 : Rank8;
    const uint64_t king = colour == White ? b.WhiteKing : b.BlackKing;
    if (!IsOneSquare(king) || !(king & backRank)) return Reject("a castling right names a king off its back rank");
    const int kingSquare = LowestSquare(king);
    const uint64_t rooks = (colour == White ? b.WhiteRooks : b.BlackRooks) & backRank;
    int rook = -1;
    if (letter == 'k' || letter == 'q') {
      const uint64_t side = rooks & (letter == 'k' ? ~uint64_t{0} << kingSquare : ~(~uint64_t{0} << kingSquare));
      if (side) rook = letter == 'k' ? 63 - __builtin_clzll(side) : LowestSquare(side);
    } else if (rooks & SquareMask(56 * colour + (letter - 'a'))) {
      rook = 56 * colour + (letter - 'a');
    }
    if (rook < 0) return Reject("a castling right names no rook on its file");
    const int right = CastleRight(colour, rook > kingSquare ? CastleShort : CastleLong);
    b.CastleFlags |= static_cast<uint8_t>(1 << right);
    b.CastleRookSquare[right] = static_cast<uint8_t>(rook);
  }
  return nullptr;
}

// The counters of the fields: the clock capped at 100, the move number at MaxFenMoveNumber; a
// missing or malformed one, or a move number 0, counts as 0 and 1.
FenCounters CountersOf(const FenFields& f) {
  FenCounters counters{0, 1};
  const int32_t clock = LeadingDigits(f.Clock, 100);
  if (clock >= 0) counters.HalfMoveClock = clock;
  const int32_t move = LeadingDigits(f.MoveNumber, MaxFenMoveNumber);
  if (move >= 1) counters.MoveNumber = move;
  return counters;
}

// Reads text into MainBoard, all fields checked before MainBoard changes; with counters, the
// text is a FEN whose counters are checked too and read into *counters.
const char* ReadPosition(const char* text, FenCounters* counters) {
  if (!text) return Reject("no position given");
  ChessBoard b = MainBoard;
  b.WhitePawns = b.WhiteKnights = b.WhiteBishops = b.WhiteRooks = b.WhiteQueens = b.WhiteKing = 0;
  b.BlackPawns = b.BlackKnights = b.BlackBishops = b.BlackRooks = b.BlackQueens = b.BlackKing = 0;

  const char* reason = nullptr;
  if (!ReadPlacement(b, text, &reason)) return reason;
  const FenFields f = SplitFields(text);
  if ((reason = CheckFields(f, counters != nullptr))) return reason;
  b.RecomputeUnions();
  b.LastFrom = 0;
  b.LastTo = 0;
  // A text that stops after the placement means White to move without castling rights.
  b.SideToMove = *f.Side == 'b' ? Black : White;
  if ((reason = ReadCastling(b, f.Castling))) return reason;
  DropImpossibleCastling(b);
  SetEnPassantFromFen(b, f.EnPassant);
  if ((reason = CheckPlayable(b))) return reason;
  MainBoard = b;
  if (counters) *counters = CountersOf(f);
  return nullptr;
}

// Placement field: ranks 8 to 1, runs of empty squares as one digit, ranks joined by '/'.
char* WritePlacement(const ChessBoard& board, char* out) {
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 0; file < 8; file++) {
      const uint64_t mask = SquareMask(rank * 8 + file);
      if (!(board.AllPieces & mask)) {
        empty++;
        continue;
      }
      if (empty) *out++ = static_cast<char>('0' + empty);
      empty = 0;
      *out++ = DecodePiece(mask, board);
    }
    if (empty) *out++ = static_cast<char>('0' + empty);
    if (rank) *out++ = '/';
  }
  *out = '\0';
  return out;
}

// Placement, side and castling field, then " - 0 ; " (no en passant square, fifty-move count 0).
// out must hold at least 96 characters.
// Placement, side to move and castling rights: the fields every FEN the engine writes begins with.
char* WriteLeadingFields(const ChessBoard& board, char* out) {
  out = WritePlacement(board, out);
  char castle[5];
  CastlingField(board, castle);
  return out + snprintf(out, 8, " %c %s", board.SideToMove ? 'b' : 'w', castle);
}

void WriteFenFields(const ChessBoard& board, char* out) { snprintf(WriteLeadingFields(board, out), 8, " - 0 ; "); }

}  // namespace

const char* SetupBoard(const char* text) { return ReadPosition(text, nullptr); }

const char* ReadFen(const char* text, FenCounters* counters) { return ReadPosition(text, counters); }

FenCounters ReadFenCounters(const char* text) { return text ? CountersOf(SplitFields(text)) : FenCounters{0, 1}; }

void SetEnPassantFromFen(ChessBoard& b, const char* field) {
  if (field == nullptr || field[0] < 'a' || field[0] > 'h' || field[1] == '\0') return;
  if (field[2] != '\0' && field[2] != ' ') return;
  const int file = field[0] - 'a';
  // The square passed over, where the pawn came from and where it stands now; the pawns of the
  // side to move that could take it stand beside it on its rank.
  int passed, from, to;
  uint64_t moved, takers;
  if (field[1] == '3' && b.SideToMove == Black) {
    passed = 16 + file, from = 8 + file, to = 24 + file;
    moved = b.WhitePawns, takers = b.BlackPawns;
  } else if (field[1] == '6' && b.SideToMove == White) {
    passed = 40 + file, from = 48 + file, to = 32 + file;
    moved = b.BlackPawns, takers = b.WhitePawns;
  } else {
    return;
  }
  const uint64_t beside = ((Bit(to) << 1) & ~FileA) | ((Bit(to) >> 1) & ~FileH);
  if (!(moved & Bit(to)) || (b.AllPieces & (Bit(passed) | Bit(from))) || !(takers & beside)) return;
  b.LastFrom = Bit(from);
  b.LastTo = Bit(to);
}

void AddPiece(char letter, int square) { AddPieceTo(MainBoard, letter, square); }

char DecodePiece(uint64_t mask, ChessBoard board) {
  const int pawn = (board.WhitePieces & mask) ? WPawn : BPawn;
  for (int code = pawn; code <= pawn + WKingCode; code++)
    if (board.Pieces(code) & mask) return PieceLetters[code];
  return '?';  // the union names a square that no piece bitboard of the colour holds
}

void CastleRights(char* out, char flags) {
  const unsigned f = static_cast<unsigned char>(flags);
  if (!(f & 15)) {
    *out++ = '-';
  } else {
    if (f & 1) *out++ = 'K';
    if (f & 2) *out++ = 'Q';
    if (f & 4) *out++ = 'k';
    if (f & 8) *out++ = 'q';
  }
  *out = '\0';
}

void CastlingField(const ChessBoard& board, char* out) {
  if (!board.Chess960) return CastleRights(out, static_cast<char>(board.CastleFlags));
  char* p = out;
  for (int right = 0; right < 4; right++)
    if (board.CastleFlags & (1 << right))
      *p++ = static_cast<char>((right < 2 ? 'A' : 'a') + board.CastleRookSquare[right] % 8);
  if (p == out) *p++ = '-';
  *p = '\0';
}

void pos2fen(ChessBoard board, int number) {
  char text[128];
  WriteFenFields(board, text);
  printf("%s%d \n", text, number);
}

void pos2fenString(ChessBoard board, char* out) { WriteFenFields(board, out); }

void WriteFen(const ChessBoard& board, int enPassantSquare, int halfMoveClock, int moveNumber, char* out) {
  out = WriteLeadingFields(board, out);
  char passed[3] = "-";
  if (enPassantSquare >= 0 && enPassantSquare < 64) {
    passed[0] = static_cast<char>('a' + enPassantSquare % 8);
    passed[1] = static_cast<char>('1' + enPassantSquare / 8);
  }
  snprintf(out, 32, " %s %d %d", passed, halfMoveClock, moveNumber);
}

void LoadPositionFile(const char* path) {
  FILE* file = fopen(path, "r");
  if (!file) {
    printf("ERROR: opening file %s\n", path);
    exit(1);
  }
  // Only the first line counts, and of a long one (an EPD line with long comments) only its
  // start, where the FEN fields are.
  char line[PositionLineSize];
  const FileLine read = ReadFileLine(file, line, sizeof line);
  fclose(file);
  if (read == FileLine::Failed) {
    printf("ERROR: reading file %s\n", path);
    exit(1);
  }
  if (read == FileLine::End) {
    printf("Empty file\n");
    exit(0);
  }
  if (const char* reason = SetupBoard(line)) {
    printf("ERROR: no valid position in file %s: %s\n", path, reason);
    exit(1);
  }
}

FileLine ReadFileLine(FILE* file, char* line, size_t size) {
  size_t len = 0;
  int c = getc(file);
  if (c == EOF) {
    if (size > 0) line[0] = '\0';
    // A folder opens like a file but reads as nothing.
    struct stat info;
    const bool folder = fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode);
    return ferror(file) || folder ? FileLine::Failed : FileLine::End;
  }
  bool tooLong = false;
  for (; c != EOF && c != '\n'; c = getc(file)) {
    if (c == '\r') continue;
    if (len + 1 < size) line[len++] = static_cast<char>(c);
    else tooLong = true;
  }
  if (size > 0) line[len] = '\0';
  if (ferror(file)) return FileLine::Failed;
  return tooLong ? FileLine::TooLong : FileLine::Ok;
}
