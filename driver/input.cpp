// Standard input through the engine's own buffer over file descriptor 0.

#include "driver/input.h"

#include <poll.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

char Buffer[65536];
size_t Head = 0;       // next unread byte
size_t Tail = 0;       // end of the buffered bytes
bool EndOfInput = false;
const char* TestInput = nullptr;  // replaces fd 0 in unit tests

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
  return static_cast<unsigned char>(Buffer[Head++]);
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

}  // namespace

bool ReadWord(char* buf, size_t size) {
  int c = NextChar();
  while (c != EOF && isspace(c)) c = NextChar();
  if (c == EOF) {
    StoreQuit(buf, size);
    return false;
  }
  size_t len = 0;
  while (c != EOF && !isspace(c)) {
    if (len + 1 < size) buf[len++] = static_cast<char>(c);
    int next = PeekChar();
    if (next == EOF || isspace(next)) break;
    c = NextChar();
  }
  if (size > 0) buf[len] = '\0';
  return true;
}

void ConsumeOneChar() {
  if (Head < Tail || !EndOfInput) {
    if (PeekChar() != EOF) Head++;
  }
}

bool ReadLine(char* buf, size_t size) {
  int c = NextChar();
  if (c == EOF) {
    StoreQuit(buf, size);
    return false;
  }
  size_t len = 0;
  while (c != EOF && c != '\n') {
    if (c != '\r' && len + 1 < size) buf[len++] = static_cast<char>(c);
    c = NextChar();
  }
  if (size > 0) buf[len] = '\0';
  return true;
}

int ReadInt() {
  char word[64];
  ReadWord(word, sizeof word);
  // strtol instead of atoi: an over-long number saturates instead of overflowing.
  long n = strtol(word, nullptr, 10);
  if (n > INT_MAX) return INT_MAX;
  if (n < INT_MIN) return INT_MIN;
  return static_cast<int>(n);
}

void DiscardRestOfLine() {
  // Only what is already there: never wait for more, and never look past the first newline.
  for (;;) {
    if (Head >= Tail) {
      if (EndOfInput || (!TestInput && !DescriptorReadable()) || !Fill()) return;
    }
    if (Buffer[Head++] == '\n') return;
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

void SetInputForTesting(const char* text) {
  TestInput = text;
  Head = Tail = 0;
  EndOfInput = false;
}
