#include "board/log_file.h"

#include <cstdarg>

FILE* dlog = nullptr;
int8_t TraceFlag = 0;

bool OpenLogFile() {
  if (dlog) fclose(dlog);
  dlog = fopen("match.log", "w");
  return dlog != nullptr;
}

void WriteLogFile(const char* text) {
  if (!dlog) return;
  fputs(text, dlog);
  fputc('\n', dlog);
  fflush(dlog);
}

void LogPrintf(const char* format, ...) {
  if (!dlog) return;
  char text[4096];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  WriteLogFile(text);
}

void CloseLogFile() {
  if (dlog) fclose(dlog);
  dlog = nullptr;
}
