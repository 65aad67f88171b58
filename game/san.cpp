// Standard algebraic notation: both directions work from the list of legal moves, so a text is
// read by matching it against the moves, and a move is written with exactly the detail that
// tells it apart from the others.

#include "game/san.h"

#include <cctype>
#include <cstring>

#include "board/bit_ops.h"
#include "board/castling.h"
#include "board/masks.h"
#include "board/move_coordinates.h"
#include "game/move_parse.h"
#include "movegen/move_gen.h"

namespace {

// Piece letters by kind offset (WKnight .. WKingCode); a pawn has none.
constexpr char PieceLetters[] = " NBRQK";

bool IsFile(char c) { return c >= 'a' && c <= 'h'; }
bool IsRank(char c) { return c >= '1' && c <= '8'; }

// The piece a pawn becomes, as the board's MakeMove decides it: a knight, bishop or rook when
// named, a queen otherwise.
char PromotionChoice(char promo) {
  switch (promo) {
    case 'N': case 'n': return 'n';
    case 'B': case 'b': return 'b';
    case 'R': case 'r': return 'r';
    default: return 'q';
  }
}

// Calls visit(from, to, promotion) for every legal move of the side to move, a promotion once
// for each piece the pawn may become (queen, rook, bishop, knight). The generator lists a
// promotion once; the coordinate reader decides what is legal.
template <typename Visit>
void ForEachLegalMove(const ChessBoard& board, Visit visit) {
  ChessBoard work = board;
  MoveGen gen;
  const int n = gen.GenerateAllMoves(board.SideToMove ? Black : White, &work, board.CastleFlags);
  for (int i = 0; i < n && i < MaxMoves; i++) {
    char text[8];
    *PutMoveCoordinates(text, LowestSquare(gen.From[i]), LowestSquare(gen.To[i]), NoPromotion) = '\0';
    uint64_t from, to;
    char promo;
    if (!ParseLegalMove(board, text, &from, &to, &promo)) continue;
    if (promo == NoPromotion) {
      visit(from, to, NoPromotion);
    } else {
      for (const char piece : {'q', 'r', 'b', 'n'}) visit(from, to, piece);
    }
  }
}

int FileOf(uint64_t mask) { return LowestSquare(mask) % 8; }
int RankOf(uint64_t mask) { return LowestSquare(mask) / 8; }


bool IsCapture(const ChessBoard& board, int kind, uint64_t from, uint64_t to) {
  const uint64_t enemy = board.SideToMove ? board.WhitePieces : board.BlackPieces;
  // A pawn that changes file always takes, en passant onto an empty square included.
  return (to & enemy) || (kind == WPawn && FileOf(from) != FileOf(to));
}

// What a text asks for, once its form is read.
struct SanPattern {
  int Castle = -1;  // CastleShort (O-O), CastleLong (O-O-O), -1 an ordinary move
  int Kind = WPawn;
  int To = -1;
  int FromFile = -1, FromRank = -1;
  bool Capture = false;
  char Promotion = 0;  // lower-case letter, 0 when none is written
};

// Reads the form of a move text (without its +, #, ! and ? marks). False when it is not one.
bool ReadPattern(const char* word, size_t len, SanPattern* pattern) {
  if (!strcmp(word, "O-O") || !strcmp(word, "0-0")) {
    pattern->Castle = CastleShort;
    return true;
  }
  if (!strcmp(word, "O-O-O") || !strcmp(word, "0-0-0")) {
    pattern->Castle = CastleLong;
    return true;
  }
  const char* p = word;
  const char* q = word + len;
  if (const char* letter = *p ? strchr(PieceLetters + 1, *p) : nullptr) {
    pattern->Kind = static_cast<int>(letter - PieceLetters);
    p++;
  }

  // From the end: the promotion piece (e8=Q, e8Q), the destination, the capture mark.
  if (q - p >= 3 && strchr("NBRQnbrq", q[-1])) {
    pattern->Promotion = static_cast<char>(tolower(static_cast<unsigned char>(q[-1])));
    q -= q[-2] == '=' ? 2 : 1;
  }
  if (q - p < 2 || !IsFile(q[-2]) || !IsRank(q[-1])) return false;
  pattern->To = (q[-2] - 'a') + 8 * (q[-1] - '1');
  q -= 2;
  if (q > p && q[-1] == 'x') {
    pattern->Capture = true;
    q--;
  }
  // What is left tells the from-square apart: its file, its rank or both.
  if (p < q && IsFile(*p)) pattern->FromFile = *p++ - 'a';
  if (p < q && IsRank(*p)) pattern->FromRank = *p++ - '1';
  return p == q;
}

bool Matches(const ChessBoard& board, const SanPattern& pattern, uint64_t from, uint64_t to, char promo) {
  const int kind = board.KindOn(board.SideToMove ? Black : White, from);
  const int wing = CastlingWing(board, from, to);
  if (pattern.Castle >= 0) return wing == pattern.Castle;
  if (kind != pattern.Kind || LowestSquare(to) != pattern.To || wing >= 0) return false;
  if (pattern.FromFile >= 0 && FileOf(from) != pattern.FromFile) return false;
  if (pattern.FromRank >= 0 && RankOf(from) != pattern.FromRank) return false;
  if (pattern.Capture && !IsCapture(board, kind, from, to)) return false;
  if (promo == NoPromotion) return pattern.Promotion == 0;
  return promo == (pattern.Promotion ? pattern.Promotion : 'q');
}

}  // namespace

bool ParseSanMove(const ChessBoard& board, const char* text, uint64_t* from, uint64_t* to, char* promo,
                  const char** reason) {
  SanPattern pattern;
  const size_t length = text ? strnlen(text, SanTextSize) : 0;
  char word[SanTextSize];
  size_t len = length;
  if (length > 0 && length < SanTextSize) {
    memcpy(word, text, length + 1);
    while (len > 0 && strchr("+#!?", word[len - 1])) word[--len] = '\0';
  }
  if (length == 0 || length >= SanTextSize || !ReadPattern(word, len, &pattern)) {
    if (reason) *reason = "not algebraic notation";
    return false;
  }

  int found = 0;
  uint64_t foundFrom = 0, foundTo = 0;
  char foundPromo = NoPromotion;
  ForEachLegalMove(board, [&](uint64_t f, uint64_t t, char p) {
    if (!Matches(board, pattern, f, t, p)) return;
    found++;
    foundFrom = f;
    foundTo = t;
    foundPromo = p;
  });
  if (found != 1) {
    if (reason) *reason = found == 0 ? "no such move" : "ambiguous";
    return false;
  }
  *from = foundFrom;
  *to = foundTo;
  *promo = foundPromo;
  return true;
}

int WriteSanMove(const ChessBoard& board, uint64_t from, uint64_t to, char promo, char* out) {
  out[0] = '\0';
  const int8_t side = board.SideToMove ? Black : White;
  const int kind = board.KindOn(side, from);
  if (kind == ChessBoard::NoKind || !IsOneSquare(from) || !IsOneSquare(to)) return 0;
  const bool promotes = kind == WPawn && (to & (side == White ? Rank8 : Rank1));
  const char piece = promotes ? PromotionChoice(promo) : NoPromotion;

  // The move must be legal; other pieces of its kind that may go to the same square decide
  // how much of the from-square is written.
  bool legal = false, rivals = false, rivalOnFile = false, rivalOnRank = false;
  ForEachLegalMove(board, [&](uint64_t f, uint64_t t, char p) {
    if (f == from && t == to) {
      legal = legal || p == piece;
      return;
    }
    if (t != to || kind == WPawn || board.KindOn(side, f) != kind) return;
    rivals = true;
    rivalOnFile = rivalOnFile || FileOf(f) == FileOf(from);
    rivalOnRank = rivalOnRank || RankOf(f) == RankOf(from);
  });
  if (!legal) return 0;

  char* p = out;
  if (const int wing = CastlingWing(board, from, to); wing >= 0) {
    strcpy(p, wing == CastleShort ? "O-O" : "O-O-O");
    p += strlen(p);
  } else {
    const bool capture = IsCapture(board, kind, from, to);
    if (kind == WPawn) {
      if (capture) *p++ = static_cast<char>('a' + FileOf(from));
    } else {
      *p++ = PieceLetters[kind];
      if (rivals && (!rivalOnFile || rivalOnRank)) *p++ = static_cast<char>('a' + FileOf(from));
      if (rivals && rivalOnFile) *p++ = static_cast<char>('1' + RankOf(from));
    }
    if (capture) *p++ = 'x';
    *p++ = static_cast<char>('a' + FileOf(to));
    *p++ = static_cast<char>('1' + RankOf(to));
    if (promotes) {
      *p++ = '=';
      *p++ = static_cast<char>(toupper(static_cast<unsigned char>(piece)));
    }
  }

  ChessBoard after = board;
  PlayMoveOnBoard(after, from, to, piece);
  if (after.SideToMoveInCheck()) *p++ = CountLegalMoves(after) == 0 ? '#' : '+';
  *p = '\0';
  return static_cast<int>(p - out);
}

void PlayMoveOnBoard(ChessBoard& board, uint64_t from, uint64_t to, char promo) {
  uint8_t castleMask = 15;
  board.MakeMove(from, to, promo, castleMask);
  board.CastleFlags &= castleMask;
  board.SideToMove = board.SideToMove ? White : Black;
}
