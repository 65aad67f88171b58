// Standard input through the engine's own buffer over file descriptor 0.

#include "game/input.h"

#include <poll.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/log_file.h"
#include "game/status.h"
#include "search/search_report.h"

namespace {

char Buffer[65536];
size_t Head = 0;       // next unread byte
size_t Tail = 0;       // end of the buffered bytes
bool EndOfInput = false;
const char* TestInput = nullptr;  // replaces fd 0 in unit tests
// The byte read last: a newline when the reader stands at the start of a line, so that dropping
// "the rest of the line" after a command that read its whole line never eats the next one.
int LastConsumed = '\n';

// Refills the buffer with a blocking read. Returns false at the end of input.
bool Fill() {
  if (Head < Tail) return true;
  if (EndOfInput) return false;
  Head = Tail = 0;
  if (TestInput) {
    size_t n = strnlen(TestInput, sizeof Buffer);
    if (n == 0) {
      EndOfInput = true;
      return false;
    }
    memcpy(Buffer, TestInput, n);
    TestInput += n;
    Tail = n;
    return true;
  }
  for (;;) {
    ssize_t n = read(0, Buffer, sizeof Buffer);
    if (n > 0) {
      Tail = static_cast<size_t>(n);
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    EndOfInput = true;
    return false;
  }
}

int NextChar() {
  if (!Fill()) return EOF;
  LastConsumed = static_cast<unsigned char>(Buffer[Head++]);
  return LastConsumed;
}

int PeekChar() {
  if (!Fill()) return EOF;
  return static_cast<unsigned char>(Buffer[Head]);
}

// Readable, hung up or in error: a read of fd 0 will not block (it returns data or the end).
bool DescriptorReadable() {
  struct pollfd p = {0, POLLIN, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL));
}

void StoreQuit(char* buf, size_t size) {
  if (size > 0) snprintf(buf, size, "%s", "quit");
}

// Blanks end words; a NUL byte is one too, so that no text is hidden behind it.
bool IsBlank(int c) { return c == '\0' || isspace(c); }

// Drops the rest of the line: the over-long word or line is refused whole. This waits for the
// newline, which the sender has already started sending.
void DropThroughNewline() {
  for (int c = NextChar(); c != EOF && c != '\n'; c = NextChar()) {
  }
}

// An over-long text: what fits is turned into an excerpt for the message, the rest is dropped.
InputResult Refuse(char* buf, size_t size, size_t len, bool lineEndReached) {
  if (!lineEndReached) DropThroughNewline();
  if (size == 0) return InputResult::TooLong;
  buf[len < size ? len : size - 1] = '\0';
  // Its start, short enough to leave room for the "..." that shows it was cut.
  const size_t shown = size > 44 ? 40 : (size > 4 ? size - 4 : 0);
  char excerpt[64];
  PrintableExcerpt(excerpt, sizeof excerpt, buf, shown);
  snprintf(buf, size, "%s", excerpt);
  return InputResult::TooLong;
}

}  // namespace

InputResult ReadWord(char* buf, size_t size) {
  int c = NextChar();
  while (c != EOF && IsBlank(c)) c = NextChar();
  if (c == EOF) {
    StoreQuit(buf, size);
    return InputResult::End;
  }
  size_t len = 0;
  while (c != EOF && !IsBlank(c)) {
    if (len + 1 >= size) return Refuse(buf, size, len, false);
    buf[len++] = static_cast<char>(c);
    int next = PeekChar();
    if (next == EOF || IsBlank(next)) break;
    c = NextChar();
  }
  if (size > 0) buf[len] = '\0';
  return InputResult::Ok;
}

void ConsumeOneChar() {
  if (Head < Tail || !EndOfInput) {
    if (PeekChar() != EOF) LastConsumed = static_cast<unsigned char>(Buffer[Head++]);
  }
}

InputResult ReadLine(char* buf, size_t size) {
  int c = NextChar();
  if (c == EOF) {
    StoreQuit(buf, size);
    return InputResult::End;
  }
  size_t len = 0;
  while (c != EOF && c != '\n') {
    if (c != '\r') {
      if (len + 1 >= size) return Refuse(buf, size, len, false);
      buf[len++] = c == '\0' ? ' ' : static_cast<char>(c);
    }
    c = NextChar();
  }
  if (size > 0) buf[len] = '\0';
  return InputResult::Ok;
}

void ReportTooLong(const char* excerpt, size_t limit, const char* consequence) {
  const int most = static_cast<int>(limit > 0 ? limit - 1 : 0);
  const char* tail = consequence ? "; " : "";
  const char* rest = consequence ? consequence : "";
  if (Protocol.UCIMode == 1)
    printf("info string Input longer than %d characters refused: %s%s%s\n", most, excerpt, tail, rest);
  else if (Protocol.XboardMode == 1)
    printf("Error (input longer than %d characters): %s%s%s\n", most, excerpt, tail, rest);
  else
    printf("Input longer than %d characters refused: %s%s%s\n", most, excerpt, tail, rest);
  fflush(stdout);
  LogPrintf("Refused input longer than %d characters: %s", most, excerpt);
}

void PrintableExcerpt(char* out, size_t size, const char* text, size_t n) {
  if (size == 0) return;
  size_t len = 0;
  size_t i = 0;
  for (; text[i] && i < n && len + 1 < size; i++) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    out[len++] = (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  }
  out[len] = '\0';
  if (text[i]) snprintf(out + len, size - len, "...");
}

int32_t LeadingNumber(const char* text, int32_t cap) {
  int64_t value = 0;
  if (text == nullptr) return 0;
  for (; *text >= '0' && *text <= '9'; text++) {
    value = value * 10 + (*text - '0');
    if (value > cap) value = cap;
  }
  return static_cast<int32_t>(value);
}

bool WordFollowsOnLine() {
  if (LastConsumed == '\n') return false;
  for (;;) {
    const int c = PeekChar();
    if (c == EOF || c == '\n') return false;
    if (!IsBlank(c)) return true;
    NextChar();
  }
}

int WordsLeftOnLine() {
  if (LastConsumed == '\n') return 0;
  int words = 0;
  bool inWord = false;
  for (size_t i = Head; i < Tail && Buffer[i] != '\n'; i++) {
    const bool blank = IsBlank(static_cast<unsigned char>(Buffer[i]));
    if (!blank && !inWord) words++;
    inWord = !blank;
  }
  return words;
}

void DiscardRestOfLine() {
  // Only what is already there: never wait for more, and never look past the first newline.
  if (LastConsumed == '\n') return;
  for (;;) {
    if (Head >= Tail) {
      if (EndOfInput || (!TestInput && !DescriptorReadable()) || !Fill()) return;
    }
    LastConsumed = static_cast<unsigned char>(Buffer[Head++]);
    if (LastConsumed == '\n') return;
  }
}

bool InputWaiting() {
  // Only a word counts as waiting: blank space left over from the last line (the newline after
  // a move) is dropped here, so a read that follows never blocks on it.
  for (;;) {
    while (Head < Tail && isspace(static_cast<unsigned char>(Buffer[Head]))) Head++;
    if (Head < Tail || EndOfInput) return true;
    if (TestInput) return true;  // a read returns the rest of the text or the end
    if (!DescriptorReadable()) return false;
    if (!Fill()) return true;  // the end of input: the next read yields "quit"
  }
}

bool InputWaitingWithin(int ms) {
  if (InputWaiting()) return true;
  struct pollfd p = {0, POLLIN, 0};
  return poll(&p, 1, ms) > 0 && InputWaiting();
}

void SetInputForTesting(const char* text) {
  TestInput = text;
  Head = Tail = 0;
  EndOfInput = false;
  LastConsumed = ' ';  // a test's text is the rest of a line whose command word was read
}
