// Reading PGN: a lexer that cuts the text into tag pairs, comments, glyphs, parentheses, move
// numbers, moves and results, and a reader that puts them together game by game, playing the
// main line's moves as it goes. See pgn_reader.h.

#include "game/pgn_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

#include "board/fen.h"
#include "game/move_parse.h"
#include "game/san.h"

namespace {

constexpr char InitialFen[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
constexpr char UnknownDate[] = "????.??.??";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlnum(char c) { return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
// The characters a move, a move number or a result is made of.
bool IsSymbolChar(char c) { return IsAlnum(c) || (c != '\0' && strchr("_+#=:/-.!?", c) != nullptr); }

// Text for a message: control bytes become '?', and a long text is cut (at a character boundary
// of UTF-8) and marked with "...".
std::string Printable(std::string_view text, size_t limit = 40) {
  std::string out;
  size_t n = text.size();
  if (n > limit) {
    n = limit;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) n--;
  }
  for (size_t i = 0; i < n; i++) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
  }
  if (n < text.size()) out += "...";
  return out;
}

// A comment's text as kept: without the blanks around it, and control characters other than
// line ends and tabs as spaces.
std::string CommentText(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  std::string out(text);
  for (char& c : out) {
    const unsigned char u = static_cast<unsigned char>(c);
    if ((u < 0x20 && c != '\n' && c != '\t' && c != '\r') || u == 0x7F) c = ' ';
  }
  return out;
}

// The glyph written after a move ("!?") as its number, 0 for none known.
int GlyphNumber(std::string_view glyph) {
  static constexpr const char* Glyphs[] = {"!", "?", "!!", "??", "!?", "?!"};
  for (int i = 0; i < 6; i++)
    if (glyph == Glyphs[i]) return i + 1;
  return 0;
}

enum class Kind { End, Tag, Comment, Nag, Open, Close, MoveNumber, Move, Result, Bad };

struct Token {
  Kind What = Kind::End;
  std::string_view Text;  // the move, number or result as written; the comment's text
  std::string Name, Value;  // a tag pair; Value also holds the reason of a Bad token
  int Nag = 0;
};

// Cuts the text into tokens. A '%' at the start of a line makes the line an escape, which is
// skipped; so is anything after a semicolon to the end of the line, which is a comment.
class Lexer {
public:
  Lexer(std::string_view text, size_t pos) : Text(text), Pos(pos) {}
  size_t Position() const { return Pos; }
  void Rewind(size_t pos) { Pos = pos; }

  Token Next() {
    Token t;
    SkipBlanks();
    if (Pos >= Text.size()) return t;
    const char c = Text[Pos];
    if (c == '[') return ReadTag();
    if (c == '{') {
      const size_t end = Text.find('}', Pos + 1);
      if (end == std::string_view::npos) {
        Pos = Text.size();
        return Bad("a comment is not closed");
      }
      t.What = Kind::Comment;
      t.Text = Text.substr(Pos + 1, end - Pos - 1);
      Pos = end + 1;
      return t;
    }
    if (c == ';') {
      size_t end = Text.find('\n', Pos);
      if (end == std::string_view::npos) end = Text.size();
      t.What = Kind::Comment;
      t.Text = Text.substr(Pos + 1, end - Pos - 1);
      Pos = end;
      return t;
    }
    if (c == '(' || c == ')') {
      Pos++;
      t.What = c == '(' ? Kind::Open : Kind::Close;
      return t;
    }
    if (c == '$') {
      size_t end = Pos + 1;
      while (end < Text.size() && IsDigit(Text[end])) end++;
      t.Text = Text.substr(Pos, end - Pos);
      Pos = end;
      if (t.Text.size() < 2 || t.Text.size() > 4) return Bad("a glyph is not $0 to $255");
      t.Nag = 0;
      for (const char d : t.Text.substr(1)) t.Nag = 10 * t.Nag + (d - '0');
      if (t.Nag > 255) return Bad("a glyph is not $0 to $255");
      t.What = Kind::Nag;
      return t;
    }
    if (c == '!' || c == '?') {
      size_t end = Pos;
      while (end < Text.size() && (Text[end] == '!' || Text[end] == '?')) end++;
      t.Text = Text.substr(Pos, end - Pos);
      Pos = end;
      t.Nag = GlyphNumber(t.Text);
      t.What = Kind::Nag;
      return t;
    }
    if (c == '*') {
      Pos++;
      t.What = Kind::Result;
      t.Text = "*";
      return t;
    }
    if (IsAlnum(c)) return ReadSymbol();
    Pos++;
    const unsigned char u = static_cast<unsigned char>(c);
    char reason[64];
    if (u > 0x20 && u < 0x7F) snprintf(reason, sizeof reason, "unexpected character '%c'", c);
    else snprintf(reason, sizeof reason, "unexpected byte 0x%02X", u);
    return Bad(reason);
  }

private:
  std::string_view Text;
  size_t Pos;

  bool AtLineStart() const { return Pos == 0 || Text[Pos - 1] == '\n'; }

  void SkipBlanks() {
    while (Pos < Text.size()) {
      // Dots standing apart from their number ("1 ... e5") say nothing more.
      if (IsSpace(Text[Pos]) || Text[Pos] == '.') {
        Pos++;
      } else if (Text[Pos] == '%' && AtLineStart()) {
        const size_t end = Text.find('\n', Pos);
        Pos = end == std::string_view::npos ? Text.size() : end;
      } else {
        break;
      }
    }
  }

  Token Bad(const std::string& reason) {
    Token t;
    t.What = Kind::Bad;
    t.Value = reason;
    return t;
  }

  // [Name "value"]. A value with quotes left unescaped ([Event "The "big" one"]) runs to the
  // last quote before the closing bracket of its line.
  Token ReadTag() {
    size_t lineEnd = Text.find('\n', Pos);
    if (lineEnd == std::string_view::npos) lineEnd = Text.size();
    const std::string_view line = Text.substr(Pos, lineEnd - Pos);
    size_t i = 1;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) i++;
    const size_t nameStart = i;
    while (i < line.size() && (IsAlnum(line[i]) || line[i] == '_')) i++;
    const size_t nameEnd = i;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) i++;
    const size_t close = line.rfind(']');
    const size_t lastQuote = close == std::string_view::npos ? close : line.rfind('"', close);
    if (nameEnd == nameStart || i >= line.size() || line[i] != '"' || close == std::string_view::npos ||
        lastQuote == std::string_view::npos || lastQuote <= i) {
      Pos = lineEnd;
      return Bad("a tag pair is not [Name \"value\"]");
    }
    for (size_t k = lastQuote + 1; k < close; k++)
      if (!IsSpace(line[k])) {
        Pos = lineEnd;
        return Bad("a tag pair is not [Name \"value\"]");
      }
    Token t;
    t.What = Kind::Tag;
    t.Name = std::string(line.substr(nameStart, nameEnd - nameStart));
    // \" is a quote and \\ a backslash; a backslash before anything else stays.
    for (size_t k = i + 1; k < lastQuote; k++) {
      if (line[k] == '\\' && k + 1 < lastQuote && (line[k + 1] == '"' || line[k + 1] == '\\')) k++;
      const unsigned char u = static_cast<unsigned char>(line[k]);
      t.Value += u < 0x20 || u == 0x7F ? ' ' : line[k];
    }
    Pos += close + 1;
    return t;
  }

  // A move, a move number (with its dots, and maybe the move after them: "12.Nf3"), or a result.
  Token ReadSymbol() {
    size_t end = Pos;
    while (end < Text.size() && IsSymbolChar(Text[end])) end++;
    std::string_view word = Text.substr(Pos, end - Pos);
    Token t;
    if (word == "1-0" || word == "0-1" || word == "1/2-1/2") {
      Pos = end;
      t.What = Kind::Result;
      t.Text = word;
      return t;
    }
    if (IsDigit(word[0]) && word.substr(0, 3) != "0-0") {
      size_t digits = 0;
      while (digits < word.size() && IsDigit(word[digits])) digits++;
      size_t dots = digits;
      while (dots < word.size() && word[dots] == '.') dots++;
      if (dots == word.size() || dots > digits) {
        // The number alone; what follows its dots is read as the next token.
        Pos += dots;
        t.What = Kind::MoveNumber;
        t.Text = word.substr(0, dots);
        return t;
      }
    }
    Pos = end;
    t.What = Kind::Move;
    t.Text = word;
    return t;
  }
};

// A tag's value, or nullptr.
const char* FindTag(const std::vector<PgnTag>& tags, const char* name) {
  for (const PgnTag& tag : tags)
    if (tag.Name == name) return tag.Value.c_str();
  return nullptr;
}

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++) {
    const char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    if (x != b[i]) return false;
  }
  return true;
}

// The start position of a game from its tags (Variant, SetUp, FEN); an empty text when it is
// good, otherwise the reason.
std::string SetUpStart(PgnRecord& game) {
  bool chess960 = false;
  if (const char* variant = FindTag(game.Tags, "Variant")) {
    const std::string_view v = variant;
    chess960 = SameLetters(v, "chess960") || SameLetters(v, "chess 960") || SameLetters(v, "fischerandom") ||
               SameLetters(v, "fischer random") || SameLetters(v, "960");
    const bool standard = v.empty() || SameLetters(v, "standard") || SameLetters(v, "chess") || SameLetters(v, "normal");
    if (!chess960 && !standard) return "the variant \"" + Printable(v) + "\" is not played here";
  }
  const char* fen = FindTag(game.Tags, "FEN");
  const char* setUp = FindTag(game.Tags, "SetUp");
  if (setUp && !strcmp(setUp, "1") && !fen) return "SetUp without a FEN";
  // The engine's own FEN reader fills MainBoard, which is given back as it was.
  const ChessBoard saved = MainBoard;
  MainBoard.Chess960 = chess960;
  FenCounters counters{0, 1};
  const char* reason = ReadFen(fen ? fen : InitialFen, &counters);
  ChessBoard start = MainBoard;
  MainBoard = saved;
  if (reason) return "the FEN is refused: " + Printable(reason, 80);
  start.FiftyMoveCount = counters.HalfMoveClock;
  start.InitPieceCounts();
  game.Start = start;
  game.HalfMoveClock = counters.HalfMoveClock;
  game.MoveNumber = counters.MoveNumber;
  return "";
}

// A comment's words joined by single blanks, for a variation's text.
void AppendWords(std::string& out, std::string_view text) {
  size_t i = 0;
  bool first = true;
  while (i < text.size()) {
    while (i < text.size() && IsSpace(text[i])) i++;
    size_t j = i;
    while (j < text.size() && !IsSpace(text[j])) j++;
    if (j > i) {
      if (!first) out += ' ';
      out.append(text.substr(i, j - i));
      first = false;
    }
    i = j;
  }
}

// The rest of a variation whose '(' was just read, nested ones included, as one line of text:
// "(14... Nf6 {the point} (14... Ne8) 15. Qe2)". A semicolon comment becomes a brace comment.
// Empty with *reason set when it is not closed.
std::string ReadVariation(Lexer& lexer, std::string* reason) {
  std::string text = "(";
  int depth = 1;
  bool blank = false;  // a blank goes before the next token
  while (depth > 0) {
    const Token t = lexer.Next();
    const char* separator = blank ? " " : "";
    switch (t.What) {
      case Kind::End:
      case Kind::Tag:
        *reason = "a variation is not closed";
        return "";
      case Kind::Bad:
        *reason = t.Value;
        return "";
      case Kind::Open:
        text += separator;
        text += '(';
        depth++;
        blank = false;
        continue;
      case Kind::Close:
        text += ')';
        depth--;
        break;
      case Kind::Comment: {
        std::string comment = CommentText(t.Text);
        for (char& c : comment)
          if (c == '}') c = ')';
        text += separator;
        text += '{';
        AppendWords(text, comment);
        text += '}';
        break;
      }
      case Kind::Nag:
        text += separator;
        text += t.Nag > 0 || t.Text[0] == '$' ? "$" + std::to_string(t.Nag) : std::string(t.Text);
        break;
      default:
        text += separator;
        text += Printable(t.Text, 64);
        break;
    }
    blank = true;
  }
  return text;
}

// The name of a move for a message: "3. Qxe5" or "3... Qxe5".
std::string MoveLabel(const ChessBoard& board, int number, std::string_view text) {
  return std::to_string(number) + (board.SideToMove == White ? ". " : "... ") + Printable(text, 20);
}

}  // namespace

const char* PgnRecord::Tag(const char* name) const { return FindTag(Tags, name); }

void PgnRecord::SetTag(const char* name, const std::string& value) {
  for (PgnTag& tag : Tags)
    if (tag.Name == name) {
      tag.Value = value;
      return;
    }
  Tags.push_back({name, value});
}

std::string PgnRecord::Players() const {
  const char* white = Tag("White");
  const char* black = Tag("Black");
  return Printable(white && *white ? white : "?") + " - " + Printable(black && *black ? black : "?");
}

PgnGame PgnRecord::Game() const {
  PgnGame game;
  game.Start = Start;
  game.HalfMoveClock = HalfMoveClock;
  game.MoveNumber = MoveNumber;
  game.Moves = Moves.data();
  game.MoveCount = static_cast<int>(Moves.size());
  game.White = Tag("White");
  game.Black = Tag("Black");
  game.Result = Result.c_str();
  game.Event = Tag("Event");
  game.Site = Tag("Site");
  game.Round = Tag("Round");
  game.Date = Tag("Date") ? Tag("Date") : UnknownDate;
  game.Tags = Tags.data();
  game.TagCount = static_cast<int>(Tags.size());
  game.Notes = Notes.size() == Moves.size() ? Notes.data() : nullptr;
  game.Closing = &Closing;
  return game;
}

PgnRecord PgnRecord::From(const PgnGame& game) {
  PgnRecord record;
  auto roster = [&](const char* name, const char* value) { record.Tags.push_back({name, value && *value ? value : "?"}); };
  roster("Event", game.Event);
  roster("Site", game.Site);
  roster("Date", game.Date ? game.Date : TodaysPgnDate().c_str());
  roster("Round", game.Round);
  roster("White", game.White);
  roster("Black", game.Black);
  record.Result = game.Result && (!strcmp(game.Result, "1-0") || !strcmp(game.Result, "0-1") ||
                                  !strcmp(game.Result, "1/2-1/2"))
                      ? game.Result
                      : "*";
  roster("Result", record.Result.c_str());
  for (int i = 0; i < game.TagCount && game.Tags; i++) {
    const std::string& name = game.Tags[i].Name;
    if (name == "Event" || name == "Site" || name == "Date" || name == "Round" || name == "White" ||
        name == "Black" || name == "Result")
      continue;
    record.Tags.push_back(game.Tags[i]);
  }
  record.Start = game.Start;
  record.HalfMoveClock = game.HalfMoveClock;
  record.MoveNumber = game.MoveNumber;
  if (game.MoveCount > 0 && game.Moves) record.Moves.assign(game.Moves, game.Moves + game.MoveCount);
  if (game.Notes && game.MoveCount > 0) record.Notes.assign(game.Notes, game.Notes + game.MoveCount);
  else record.Notes.resize(record.Moves.size());
  if (game.Closing) record.Closing = *game.Closing;
  return record;
}

PgnReader::PgnReader(std::string_view text) : Text(text) {
  // A UTF-8 byte-order mark, as some editors write it, is no part of the games.
  if (Text.substr(0, 3) == "\xEF\xBB\xBF") Pos = 3;
}

bool PgnReader::Next(PgnRecord* out, std::string* error) {
  enum class Part { Nothing, Tags, Moves };
  Part part = Part::Nothing;
  PgnRecord game;
  std::string reason;  // why the game is skipped; its tokens are read to its end all the same
  std::vector<std::string> pending;  // comments before the first move
  ChessBoard board{};
  int number = 1;
  bool ended = false;
  Lexer lexer(Text, Pos);

  auto startMoves = [&]() {
    if (part == Part::Moves) return;
    part = Part::Moves;
    if (reason.empty()) reason = SetUpStart(game);
    board = game.Start;
    number = game.MoveNumber;
  };

  while (!ended) {
    const size_t before = lexer.Position();
    Token t = lexer.Next();
    if (t.What == Kind::End) break;
    if (t.What == Kind::Tag && part == Part::Moves) {
      // A game whose result is missing ends where the next one's tags begin.
      lexer.Rewind(before);
      break;
    }
    if (part == Part::Nothing) game.Number = ++Count;
    switch (t.What) {
      case Kind::Tag:
        part = Part::Tags;
        game.Tags.push_back({t.Name, t.Value});
        continue;
      case Kind::Result:
        startMoves();
        game.Result = std::string(t.Text);
        ended = true;
        continue;
      default:
        break;
    }
    startMoves();
    if (!reason.empty()) {
      std::string ignored;
      if (t.What == Kind::Open) ReadVariation(lexer, &ignored);
      continue;
    }
    switch (t.What) {
      case Kind::Comment:
        if (game.Moves.empty()) pending.push_back(CommentText(t.Text));
        else game.Notes.back().After.push_back(CommentText(t.Text));
        break;
      case Kind::Nag:
        if (!game.Moves.empty() && t.Nag > 0) game.Notes.back().Nags.push_back(t.Nag);
        break;
      case Kind::Open: {
        const std::string text = ReadVariation(lexer, &reason);
        if (reason.empty() && game.Moves.empty()) reason = "a variation before the first move";
        if (reason.empty()) game.Notes.back().Variations.push_back(text);
        break;
      }
      case Kind::Close:
        reason = "a ')' closes no variation";
        break;
      case Kind::MoveNumber:
        break;
      case Kind::Bad:
        reason = t.Value;
        break;
      case Kind::Move: {
        // Glyphs written onto the move ("Qxe5??") are its annotation; "e.p." adds nothing.
        std::string_view text = t.Text;
        size_t glyphs = text.size();
        while (glyphs > 0 && (text[glyphs - 1] == '!' || text[glyphs - 1] == '?')) glyphs--;
        const int nag = GlyphNumber(text.substr(glyphs));
        std::string san(text.substr(0, glyphs));
        if (san.size() > 4 && san.compare(san.size() - 4, 4, "e.p.") == 0) san.resize(san.size() - 4);
        uint64_t from = 0, to = 0;
        char promo = NoPromotion;
        const char* why = nullptr;
        if (san == "--" || san == "Z0" || san == "0000" || san == "@@@@") {
          reason = "a null move " + MoveLabel(board, number, text) + " is no move of the game";
          break;
        }
        // Coordinates ("g1f3", "e7e8q"), as some programs save their games, are read too.
        const bool coordinates = LooksLikeMoveText(san.c_str()) && ParseLegalMove(board, san.c_str(), &from, &to, &promo);
        if (!coordinates && !ParseSanMove(board, san.c_str(), &from, &to, &promo, &why)) {
          const char* what = why && !strcmp(why, "no such move") ? "illegal move "
                             : why && !strcmp(why, "ambiguous") ? "ambiguous move "
                                                                 : "unreadable move ";
          reason = what + MoveLabel(board, number, text);
          break;
        }
        if (board.SideToMove != White) number++;
        PlayMoveOnBoard(board, from, to, promo);
        game.Moves.push_back({from, to, promo});
        game.Notes.emplace_back();
        if (game.Moves.size() == 1) game.Notes.back().Before.swap(pending);
        if (nag) game.Notes.back().Nags.push_back(nag);
        break;
      }
      default:
        break;
    }
  }
  Pos = lexer.Position();
  if (part == Part::Nothing) return false;
  if (part == Part::Tags) startMoves();  // a game of tags alone
  if (!ended) {
    // No result at the end of the movetext: the Result tag's, when it is one.
    const char* tag = game.Tag("Result");
    const bool valid = tag && (!strcmp(tag, "1-0") || !strcmp(tag, "0-1") || !strcmp(tag, "1/2-1/2"));
    game.Result = valid ? tag : "*";
  }
  game.Closing.swap(pending);
  if (!reason.empty()) {
    *error = "game " + std::to_string(game.Number) + " (" + game.Players() + "): " + reason;
    out->Number = game.Number;
    return true;
  }
  error->clear();
  *out = std::move(game);
  return true;
}

int ReadPgnGames(std::string_view text, std::vector<PgnRecord>* games, std::vector<std::string>* errors) {
  PgnReader reader(text);
  PgnRecord game;
  std::string error;
  int count = 0;
  while (reader.Next(&game, &error)) {
    count++;
    if (error.empty()) games->push_back(std::move(game));
    else errors->push_back(error);
    game = PgnRecord();
  }
  return count;
}

bool ReadPgnFile(const char* path, std::string* text, std::string* message) {
  text->clear();
  const bool standardInput = !strcmp(path, "-");
  const std::string name = standardInput ? "standard input" : Printable(path, 200);
  FILE* file = stdin;
  if (!standardInput) {
    struct stat info;
    if (stat(path, &info) == 0 && S_ISDIR(info.st_mode)) {
      *message = name + ": is a folder, not a PGN file";
      return false;
    }
    file = fopen(path, "rb");
    if (!file) {
      *message = name + ": cannot be read (" + strerror(errno) + ")";
      return false;
    }
  }
  char buffer[65536];
  bool ok = true;
  for (;;) {
    const size_t n = fread(buffer, 1, sizeof buffer, file);
    if (n == 0) break;
    if (text->size() + n > MaxPgnFileBytes) {
      *message = name + ": larger than " + std::to_string(MaxPgnFileBytes >> 20) + " MiB; split it into smaller files";
      ok = false;
      break;
    }
    text->append(buffer, n);
  }
  if (ok && ferror(file)) {
    *message = name + ": cannot be read (" + strerror(errno ? errno : EIO) + ")";
    ok = false;
  }
  if (!standardInput) fclose(file);
  if (!ok) text->clear();
  return ok;
}
