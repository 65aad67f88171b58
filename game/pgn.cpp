// Portable Game Notation export: the tags, then the moves replayed from the start position and
// written in algebraic notation.

#include "game/pgn.h"

#include <cstring>
#include <ctime>

#include "board/fen.h"
#include "game/move_parse.h"
#include "game/san.h"

namespace {

constexpr char InitialFen[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
// Export lines stay below 80 columns.
constexpr size_t MaxLine = 79;

// Where the text goes: a file, a caller's buffer, or nowhere (a first pass that only checks
// that every move is legal, so that a bad list leaves no half-written game behind).
struct Sink {
  FILE* File = nullptr;
  char* Out = nullptr;
  size_t Size = 0;
  size_t Length = 0;
  bool Overflow = false;

  void Put(const char* text, size_t n) {
    if (Overflow) return;
    if (File) {
      fwrite(text, 1, n, File);
    } else if (Out) {
      if (Length + n >= Size) {
        Overflow = true;
        return;
      }
      memcpy(Out + Length, text, n);
      Out[Length + n] = '\0';
    }
    Length += n;
  }
  void Put(const char* text) { Put(text, strlen(text)); }
};

void PutTag(Sink& sink, const char* name, const char* value) {
  if (!value || !*value) value = "?";
  sink.Put("[");
  sink.Put(name);
  sink.Put(" \"");
  // A quote or backslash inside the value is escaped by a backslash; a line break or other
  // control character would break the tag's line and becomes a space.
  for (const char* c = value; *c; c++) {
    if (*c == '"' || *c == '\\') sink.Put("\\");
    const unsigned char u = static_cast<unsigned char>(*c);
    sink.Put(u < 32 || u == 127 ? " " : c, 1);
  }
  sink.Put("\"]\n");
}

const char* ResultToken(const char* result) {
  for (const char* token : {"1-0", "0-1", "1/2-1/2"})
    if (result && !strcmp(result, token)) return token;
  return "*";
}

void TodaysDate(char* out, size_t size) {
  const time_t now = time(nullptr);
  struct tm local;
  if (now == static_cast<time_t>(-1) || !localtime_r(&now, &local) || !strftime(out, size, "%Y.%m.%d", &local))
    snprintf(out, size, "????.??.??");
}

// Collects the movetext into lines: a unit (a move with its number, or the result) starts a new
// line when it would not fit on the current one.
struct LineFiller {
  Sink& Target;
  char Line[MaxLine + 1];
  size_t Length = 0;

  void Add(const char* unit) {
    const size_t n = strlen(unit);
    if (Length > 0 && Length + 1 + n > MaxLine) Flush();
    if (Length > 0) Line[Length++] = ' ';
    // A unit is at most a move number, dots and a move: far shorter than a line.
    memcpy(Line + Length, unit, n);
    Length += n;
  }
  void Flush() {
    Target.Put(Line, Length);
    Target.Put("\n");
    Length = 0;
  }
};

// Writes the whole game; false when a move is not legal in the position it is played from.
bool EmitGame(const PgnGame& game, Sink& sink) {
  int number = game.MoveNumber > 0 ? game.MoveNumber : 1;
  char fen[128];
  WriteFen(game.Start, LegalEnPassantSquare(game.Start), game.HalfMoveClock > 0 ? game.HalfMoveClock : 0, number, fen);
  char date[16];
  if (game.Date) snprintf(date, sizeof date, "%s", game.Date);
  else TodaysDate(date, sizeof date);
  const char* result = ResultToken(game.Result);

  PutTag(sink, "Event", game.Event);
  PutTag(sink, "Site", game.Site);
  PutTag(sink, "Date", date);
  PutTag(sink, "Round", game.Round);
  PutTag(sink, "White", game.White);
  PutTag(sink, "Black", game.Black);
  PutTag(sink, "Result", result);
  // A Chess960 game always names its start, in Shredder-FEN.
  if (game.Start.Chess960) PutTag(sink, "Variant", "Chess960");
  if (game.Start.Chess960 || strcmp(fen, InitialFen) != 0) {
    PutTag(sink, "SetUp", "1");
    PutTag(sink, "FEN", fen);
  }
  sink.Put("\n");

  LineFiller lines{sink, {}, 0};
  ChessBoard board = game.Start;
  for (int i = 0; i < game.MoveCount; i++) {
    const PgnMove& move = game.Moves[i];
    char san[SanTextSize];
    if (WriteSanMove(board, move.From, move.To, move.Promotion, san) == 0) return false;
    char unit[SanTextSize + 24];
    if (board.SideToMove == White) snprintf(unit, sizeof unit, "%d. %s", number, san);
    else if (i == 0) snprintf(unit, sizeof unit, "%d... %s", number, san);
    else snprintf(unit, sizeof unit, "%s", san);
    lines.Add(unit);
    if (board.SideToMove != White) number++;
    PlayMoveOnBoard(board, move.From, move.To, move.Promotion);
  }
  lines.Add(result);
  lines.Flush();
  return true;
}

// Every move legal: the first pass writes nothing.
bool MovesAreLegal(const PgnGame& game) {
  Sink nowhere;
  return EmitGame(game, nowhere);
}

}  // namespace

bool WritePgn(const PgnGame& game, FILE* file) {
  if (!file || !MovesAreLegal(game)) return false;
  Sink sink;
  sink.File = file;
  EmitGame(game, sink);
  return fflush(file) == 0 && !ferror(file);
}

int WritePgn(const PgnGame& game, char* out, size_t size) {
  if (size > 0) out[0] = '\0';
  Sink sink;
  sink.Out = out;
  sink.Size = size;
  if (!EmitGame(game, sink) || sink.Overflow) {
    if (size > 0) out[0] = '\0';
    return -1;
  }
  return static_cast<int>(sink.Length);
}

bool SavePgn(const PgnGame& game, const char* path) {
  if (!path || !*path || !MovesAreLegal(game)) return false;
  FILE* file = fopen(path, "a");
  if (!file) return false;
  bool ok = fseek(file, 0, SEEK_END) == 0;
  const long existing = ok ? ftell(file) : -1;
  ok = ok && existing >= 0;
  if (ok && existing > 0) ok = fputs("\n", file) >= 0;
  ok = ok && WritePgn(game, file);
  return fclose(file) == 0 && ok;
}
