// Portable Game Notation export: the tags, then the moves replayed from the start position and
// written in algebraic notation.

#include "game/pgn.h"

#include <cctype>
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

void WriteTodaysDate(char* out, size_t size) {
  const time_t now = time(nullptr);
  struct tm local;
  if (now == static_cast<time_t>(-1) || !localtime_r(&now, &local) || !strftime(out, size, "%Y.%m.%d", &local))
    snprintf(out, size, "????.??.??");
}

// Collects the movetext into lines: a unit (a move with its number, a word of a comment, the
// result) starts a new line when it would not fit on the current one.
struct LineFiller {
  Sink& Target;
  char Line[MaxLine + 1];
  size_t Length = 0;

  void Add(const char* unit) { Add(unit, strlen(unit)); }
  void Add(const char* unit, size_t n) {
    if (n == 0) return;
    if (Length > 0 && Length + 1 + n > MaxLine) Flush();
    // A line that starts with '%' is an escape that readers skip: such a word is indented.
    const bool indent = Length == 0 && unit[0] == '%';
    if (n + (indent ? 1 : 0) > MaxLine) {
      // A word longer than a line (a long address in a comment) gets a line of its own.
      if (Length > 0) Flush();
      if (indent) Target.Put(" ");
      Target.Put(unit, n);
      Target.Put("\n");
      return;
    }
    if (Length > 0 || indent) Line[Length++] = ' ';
    memcpy(Line + Length, unit, n);
    Length += n;
  }
  // Every word of text, the first and the last with the given marks around them.
  void AddWords(const std::string& text, const char* open, const char* close) {
    std::string unit = open;
    size_t i = 0;
    bool any = false;
    for (;;) {
      while (i < text.size() && IsBlank(text[i])) i++;
      size_t j = i;
      while (j < text.size() && !IsBlank(text[j])) j++;
      size_t next = j;
      while (next < text.size() && IsBlank(text[next])) next++;
      const bool last = next >= text.size();
      if (j > i || (last && !any)) {
        unit.append(text, i, j - i);
        if (last) unit += close;
        Add(unit.data(), unit.size());
        unit.clear();
        any = true;
      }
      if (last) return;
      i = next;
    }
  }
  void Flush() {
    Target.Put(Line, Length);
    Target.Put("\n");
    Length = 0;
  }
  static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
};

// A comment in braces. A closing brace inside would end it early: it becomes a parenthesis.
void AddComment(LineFiller& lines, std::string text) {
  for (char& c : text)
    if (c == '}') c = ')';
  lines.AddWords(text, "{", "}");
}

// The tags the writer makes itself, and names a reader would not take for a tag name.
bool WrittenTag(const PgnTag& tag) {
  for (const char* name : {"Event", "Site", "Date", "Round", "White", "Black", "Result", "SetUp", "FEN", "Variant"})
    if (tag.Name == name) return false;
  if (tag.Name.empty()) return false;
  for (const char c : tag.Name)
    if (!isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  return true;
}

constexpr const char* Glyphs[] = {"", "!", "?", "!!", "??", "!?", "?!"};

// Writes the whole game; false when a move is not legal in the position it is played from.
bool EmitGame(const PgnGame& game, Sink& sink) {
  int number = game.MoveNumber > 0 ? game.MoveNumber : 1;
  char fen[128];
  WriteFen(game.Start, LegalEnPassantSquare(game.Start), game.HalfMoveClock > 0 ? game.HalfMoveClock : 0, number, fen);
  char today[16];
  if (!game.Date) WriteTodaysDate(today, sizeof today);
  const char* date = game.Date ? game.Date : today;
  const char* result = ResultToken(game.Result);

  PutTag(sink, "Event", game.Event);
  PutTag(sink, "Site", game.Site);
  PutTag(sink, "Date", date);
  PutTag(sink, "Round", game.Round);
  PutTag(sink, "White", game.White);
  PutTag(sink, "Black", game.Black);
  PutTag(sink, "Result", result);
  for (int i = 0; i < game.TagCount && game.Tags; i++)
    if (WrittenTag(game.Tags[i])) PutTag(sink, game.Tags[i].Name.c_str(), game.Tags[i].Value.c_str());
  // A Chess960 game always names its start, in Shredder-FEN.
  if (game.Start.Chess960) PutTag(sink, "Variant", "Chess960");
  if (game.Start.Chess960 || strcmp(fen, InitialFen) != 0) {
    PutTag(sink, "SetUp", "1");
    PutTag(sink, "FEN", fen);
  }
  sink.Put("\n");

  LineFiller lines{sink, {}, 0};
  ChessBoard board = game.Start;
  // A Black move is numbered again after a comment or a variation ("12... Nf6").
  bool interrupted = false;
  for (int i = 0; i < game.MoveCount; i++) {
    const PgnMove& move = game.Moves[i];
    const PgnNotes* notes = game.Notes ? &game.Notes[i] : nullptr;
    char san[SanTextSize];
    if (WriteSanMove(board, move.From, move.To, move.Promotion, san) == 0) return false;
    if (notes)
      for (const std::string& comment : notes->Before) AddComment(lines, comment);
    interrupted = interrupted || (notes && !notes->Before.empty());
    // The first of the glyphs 1 to 6 goes with the move, the others follow by number.
    int glyph = 0;
    if (notes)
      for (const int nag : notes->Nags)
        if (nag >= 1 && nag <= 6) {
          glyph = nag;
          break;
        }
    char unit[SanTextSize + 32];
    if (board.SideToMove == White) snprintf(unit, sizeof unit, "%d. %s%s", number, san, Glyphs[glyph]);
    else if (i == 0 || interrupted) snprintf(unit, sizeof unit, "%d... %s%s", number, san, Glyphs[glyph]);
    else snprintf(unit, sizeof unit, "%s%s", san, Glyphs[glyph]);
    lines.Add(unit);
    interrupted = false;
    if (notes) {
      bool glyphWritten = false;
      for (const int nag : notes->Nags) {
        if (nag == glyph && !glyphWritten) {
          glyphWritten = true;
          continue;
        }
        if (nag < 0 || nag > 255) continue;
        snprintf(unit, sizeof unit, "$%d", nag);
        lines.Add(unit);
      }
      for (const std::string& comment : notes->After) AddComment(lines, comment);
      for (const std::string& variation : notes->Variations) lines.AddWords(variation, "", "");
      interrupted = !notes->After.empty() || !notes->Variations.empty();
    }
    if (board.SideToMove != White) number++;
    PlayMoveOnBoard(board, move.From, move.To, move.Promotion);
  }
  if (game.Closing)
    for (const std::string& comment : *game.Closing) AddComment(lines, comment);
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

std::string TodaysPgnDate() {
  char date[16];
  WriteTodaysDate(date, sizeof date);
  return date;
}

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
