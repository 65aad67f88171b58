#include "driver/input.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

TEST(Input, WordsLinesAndNumbers) {
  const std::string longWord(1000, 'a');
  const std::string text = "  uci\nposition startpos moves e2e4\r\n" + longWord + " 42 -7 99999999999999 x\n";
  SetInputForTesting(text.c_str());
  char word[16];
  EXPECT_TRUE(ReadWord(word, sizeof word));
  EXPECT_STREQ(word, "uci");
  ConsumeOneChar();  // the newline after the word
  char line[64];
  EXPECT_TRUE(ReadLine(line, sizeof line));
  EXPECT_STREQ(line, "position startpos moves e2e4");
  // An over-long word is cut to the buffer; the rest of it is dropped, not read as a new word.
  EXPECT_TRUE(ReadWord(word, sizeof word));
  EXPECT_EQ(std::string(word), longWord.substr(0, 15));
  EXPECT_EQ(ReadInt(), 42);
  EXPECT_EQ(ReadInt(), -7);
  EXPECT_EQ(ReadInt(), INT_MAX);
  EXPECT_EQ(ReadInt(), 0);
  EXPECT_TRUE(InputWaiting());
  // End of input: every read answers "quit".
  EXPECT_FALSE(ReadWord(word, sizeof word));
  EXPECT_STREQ(word, "quit");
  EXPECT_FALSE(ReadLine(line, sizeof line));
  EXPECT_STREQ(line, "quit");
  SetInputForTesting("");
}
