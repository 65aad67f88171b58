#pragma once
// The EPD test-suite runner: every line of a file searched to a fixed depth or evaluated.

void ParseEPDSuite(const char* path);
