#include "game/input.h"

#include <gtest/gtest.h>

#include <string>

TEST(Input, WordsAndLinesAndTheEndOfInput) {
  SetInputForTesting("  uci\nposition startpos moves e2e4\r\nsplit");
  char word[16];
  EXPECT_EQ(ReadWord(word, sizeof word), InputResult::Ok);
  EXPECT_STREQ(word, "uci");
  ConsumeOneChar();  // the newline after the word
  char line[64];
  EXPECT_EQ(ReadLine(line, sizeof line), InputResult::Ok);
  EXPECT_STREQ(line, "position startpos moves e2e4");
  EXPECT_EQ(ReadWord(word, sizeof word), InputResult::Ok);
  EXPECT_STREQ(word, "split");
  EXPECT_TRUE(InputWaiting());
  // End of input: every read answers "quit".
  EXPECT_EQ(ReadWord(word, sizeof word), InputResult::End);
  EXPECT_STREQ(word, "quit");
  EXPECT_EQ(ReadLine(line, sizeof line), InputResult::End);
  EXPECT_STREQ(line, "quit");
  SetInputForTesting("");
}

TEST(Input, OverLongWordsAndLinesAreRefusedWithTheRestOfTheirLine) {
  const std::string longWord(1000, 'a');
  const std::string text = "st " + longWord + " 5 go\nnext\n" + std::string(100, 'b') + " c\nlast\n";
  SetInputForTesting(text.c_str());
  char word[16];
  EXPECT_EQ(ReadWord(word, sizeof word), InputResult::Ok);
  EXPECT_EQ(ReadWord(word, sizeof word), InputResult::TooLong);
  EXPECT_STREQ(word, "aaaaaaaaaaaa...");  // an excerpt for the message, never a word to run
  // Nothing of the refused line remains: neither the rest of the word nor the words after it.
  EXPECT_EQ(ReadWord(word, sizeof word), InputResult::Ok);
  EXPECT_STREQ(word, "next");
  ConsumeOneChar();
  char line[64];
  EXPECT_EQ(ReadLine(line, sizeof line), InputResult::TooLong);
  EXPECT_EQ(ReadLine(line, sizeof line), InputResult::Ok);
  EXPECT_STREQ(line, "last");
  // A line of exactly size - 1 characters fits.
  const std::string exact(63, 'x'), exactLine = exact + "\n";
  SetInputForTesting(exactLine.c_str());
  EXPECT_EQ(ReadLine(line, sizeof line), InputResult::Ok);
  EXPECT_EQ(std::string(line), exact);
  SetInputForTesting("");
}

TEST(Input, ExcerptsAndNumbers) {
  char out[64];
  PrintableExcerpt(out, sizeof out, "e2\x1b[2Je4\x7f\xff");
  EXPECT_STREQ(out, "e2?[2Je4??");
  PrintableExcerpt(out, sizeof out, "abcdefghij", 4);
  EXPECT_STREQ(out, "abcd...");
  EXPECT_EQ(LeadingNumber("42x"), 42);
  EXPECT_EQ(LeadingNumber("-7"), 0);
  EXPECT_EQ(LeadingNumber("99999999999999999999"), INT32_MAX);
  EXPECT_EQ(LeadingNumber("250", 100), 100);
  EXPECT_EQ(LeadingNumber(nullptr), 0);
}
