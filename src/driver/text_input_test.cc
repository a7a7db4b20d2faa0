#include "driver/text_input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/test_support.h"

namespace velmo {
namespace {

using testing::fatal_text;
using testing::read_from;
using testing::stream_of;

std::string fatal_text_of_read_line(const std::string& bytes, std::size_t size) {
  std::string line;
  return fatal_text([&] { read_from(bytes, [&](FILE* f) { return read_line(f, line, size); }); });
}

TEST(ReadLine, ReadsLinesWithTheirNewlineUntilEndOfInput) {
  FILE* f = stream_of("one\ntwo words\n\nlast");
  std::string line;
  std::vector<std::string> lines;
  while (read_line(f, line, 10000)) lines.push_back(line);
  std::fclose(f);
  EXPECT_EQ(lines, (std::vector<std::string>{"one\n", "two words\n", "\n", "last"}));
}

TEST(ReadLine, AcceptsAtMostSizeMinusThreeBytesBeforeTheNewline) {
  std::string line;
  FILE* f = stream_of(std::string(9997, 'x') + "\nnext\n");
  ASSERT_TRUE(read_line(f, line, 10000));
  EXPECT_EQ(line.size(), 9998u);
  ASSERT_TRUE(read_line(f, line, 10000));
  EXPECT_EQ(line, "next\n");
  std::fclose(f);
}

TEST(ReadLine, LongerLinesAreFatalNamingTheFirstSizeMinusOneBytes) {
  struct Case {
    std::string input;
    std::size_t size;
    std::string detail;
  };
  const Case cases[] = {
      {std::string(9998, 'x') + "\n", 10000, std::string(9998, 'x') + "\n"},
      {std::string(20000, 'y') + "\n", 10000, std::string(9999, 'y')},
      {"abcdefgh\n", 8, "abcdefg"},
      {"abcdef\n", 8, "abcdef\n"},
      // A last line without newline may be one byte longer.
      {"abcdefg", 8, "abcdefg"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fatal_text_of_read_line(c.input, c.size),
              "\nERROR: Line is too long at: " + c.detail + "\naborted.\n")
        << c.input.size();
  }
  EXPECT_EQ(fatal_text_of_read_line("abcde\n", 8), "(no error)");
  EXPECT_EQ(fatal_text_of_read_line("abcdef", 8), "(no error)");
}

TEST(ReadLine, LineEndsAtAnEmbeddedNul) {
  FILE* f = stream_of(std::string("ab\0cd\nef\n", 9));
  std::string line;
  ASSERT_TRUE(read_line(f, line, 100));
  EXPECT_EQ(line, "ab");
  ASSERT_TRUE(read_line(f, line, 100));
  EXPECT_EQ(line, "ef\n");
  std::fclose(f);
}

TEST(ReadLongLine, ReadsLinesOfAnyLength) {
  std::string long_text(300000, 'z');
  FILE* f = stream_of(long_text + "\nend");
  std::string line;
  ASSERT_TRUE(read_long_line(f, line));
  EXPECT_EQ(line, long_text + "\n");
  ASSERT_TRUE(read_long_line(f, line));
  EXPECT_EQ(line, "end");
  EXPECT_FALSE(read_long_line(f, line));
  std::fclose(f);
}

std::vector<std::string> tokens_of(std::string_view text) {
  std::vector<std::string> tokens;
  for (std::string_view t = next_token(text); !t.empty(); t = next_token(text)) {
    tokens.emplace_back(t);
  }
  EXPECT_TRUE(text.empty());
  return tokens;
}

std::vector<std::string> fields_of(std::string_view text) {
  std::vector<std::string> fields;
  for (std::string_view f = next_field(text); !f.empty(); f = next_field(text)) {
    fields.emplace_back(f);
  }
  EXPECT_TRUE(text.empty());
  return fields;
}

TEST(NextToken, SplitsAtEverySpaceByte) {
  using Tokens = std::vector<std::string>;
  EXPECT_EQ(tokens_of(" \t\xA0\r\n \xA0"), Tokens{});
  EXPECT_EQ(tokens_of("a\xA0" "b"), (Tokens{"a", "b"}));
  EXPECT_EQ(tokens_of("  NN 12.5\tVB 3\r\n"), (Tokens{"NN", "12.5", "VB", "3"}));
  EXPECT_EQ(tokens_of("\xE4pfel\f"), (Tokens{"\xE4pfel\f"}));
}

TEST(NextToken, StepsOverExactlyOneSeparator) {
  std::string_view cursor = "ab  cd";
  EXPECT_EQ(next_token(cursor), "ab");
  EXPECT_EQ(cursor, " cd");
  EXPECT_EQ(next_token(cursor), "cd");
  EXPECT_EQ(cursor, "");
}

TEST(NextField, SplitsAtTabsAndNewlinesAndKeepsInnerBlanks) {
  using Fields = std::vector<std::string>;
  EXPECT_EQ(fields_of("  New York \t NNP"), (Fields{"New York", "NNP"}));
  EXPECT_EQ(fields_of("word\tNN 3\tVB 1\n"), (Fields{"word", "NN 3", "VB 1"}));
  EXPECT_EQ(fields_of("a\xA0" "b\r\t\t\tc\xA0\n"), (Fields{"a\xA0" "b", "c"}));
  EXPECT_EQ(fields_of(" \t \n"), Fields{});
}

TEST(NextField, StepsOverExactlyOneSeparator) {
  std::string_view cursor = "ab \t\tcd";
  EXPECT_EQ(next_field(cursor), "ab");
  EXPECT_EQ(cursor, "\tcd");
}

TEST(CharacterClasses, FollowIso88591) {
  for (int c = 0; c < 256; ++c) {
    bool lower = (c >= 'a' && c <= 'z') || c >= 0xDF;
    EXPECT_EQ(is_lower(static_cast<unsigned char>(c)), lower) << c;
    bool space = c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0xA0;
    EXPECT_EQ(is_space(static_cast<unsigned char>(c)), space) << c;
  }
}

std::string fatal_text_of_read_string(const std::string& bytes) {
  return fatal_text([&] { read_from(bytes, [](FILE* f) { return read_string(f); }); });
}

TEST(BinaryStrings, RoundTrip) {
  const std::vector<std::string> strings = {"", "NP", "\xE4\xDF\xFF", std::string(999, 'q')};
  FILE* f = std::tmpfile();
  for (const std::string& s : strings) write_string(s, f);
  std::rewind(f);
  for (const std::string& s : strings) EXPECT_EQ(read_string(f), s);
  EXPECT_EQ(std::getc(f), EOF);
  std::fclose(f);
}

TEST(BinaryStrings, UnterminatedOrOverlongStringsAreFatal) {
  const std::string fatal = "\nERROR: while reading string from file!\naborted.\n";
  EXPECT_EQ(fatal_text_of_read_string("abc"), fatal);
  EXPECT_EQ(fatal_text_of_read_string(""), fatal);
  EXPECT_EQ(fatal_text_of_read_string(std::string(1000, 'q') + '\0'), fatal);
  EXPECT_EQ(fatal_text_of_read_string(std::string(999, 'q') + '\0'), "(no error)");
}

TEST(FormatDouble, PadsToAHundredAndKeepsLongValuesWhole) {
  std::string small = format_double(-0.25);
  EXPECT_EQ(small, std::string(91, ' ') + "-0.250000");
  std::string huge = format_double(std::ldexp(1.0, 500));  // 3.27e150, exact in binary
  EXPECT_EQ(huge.size(), 151u + 7u);
  EXPECT_EQ(huge.substr(0, 2), "32");
  EXPECT_EQ(huge.substr(huge.size() - 7), ".000000");
}

}  // namespace
}  // namespace velmo
