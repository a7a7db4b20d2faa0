#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

#include "grammar/grammar_reader.h"
#include "model/model_test_util.h"

namespace velmo {
namespace {

using testing::fatal_text;
using testing::grammar_from;
using testing::stream_of;

const char kGrammar[] = "100 S NP VP'\n60 NP DT N'\n40 NP N'\n100 VP V'\n";
const int kNP = 2, kS = 3, kVP = 5;

std::string read_start(const std::string& text, Grammar& g, const RunConfig& config) {
  FILE* in = stream_of(text);
  std::string error = fatal_text([&] { read_start_symbols(in, g, config); });
  std::fclose(in);
  return error;
}

TEST(StartFileTest, Frequencies) {
  RunConfig config;
  Grammar g = grammar_from(kGrammar, config);
  EXPECT_EQ(read_start("S 3 extra fields\n\nNP 0\n \nVP abc\n", g, config), "(no error)");
  EXPECT_EQ(g.data[kS].start_freq, 3.0);
  EXPECT_EQ(g.data[kNP].start_freq, 0.1);
  EXPECT_EQ(g.data[kVP].start_freq, 0.1);  // no number reads as 0
  EXPECT_EQ(g.data[0].start_freq, 0.0);
}

TEST(StartFileTest, SymbolicAndNoFile) {
  RunConfig config;
  Grammar g = grammar_from(kGrammar, config);
  EXPECT_EQ(g.data[kNP].start_freq, 1.0);
  config.symbolic = true;
  EXPECT_EQ(read_start("S\n", g, config), "(no error)");
  EXPECT_EQ(g.data[kS].start_freq, 1.0);
  EXPECT_EQ(g.data[kNP].start_freq, 0.0);
  read_start_file("", g, config);
  for (const SymbolData& symbol : g.data) EXPECT_EQ(symbol.start_freq, 1.0);
}

TEST(StartFileTest, Errors) {
  struct Row {
    const char* text;
    const char* error;
  };
  const Row rows[] = {
      {"S 1\n\nNP' 2\n", "Head marking in start symbol file at line: 3"},
      {"\n\nS\n", "Missing frequency in start symbol file at line: 3"},
      {"S 1e999\n", "Missing frequency in start symbol file at line: 1"},
      {"S 3\nS 3\n", "Two entries in start symbol file for: S"},
      {"S 0\nS 1\n", "Two entries in start symbol file for: S"},
      {"S 1\nXP 1\n", "Unknown grammar symbol: XP"},
  };
  for (const Row& row : rows) {
    RunConfig config;
    Grammar g = grammar_from(kGrammar, config);
    EXPECT_EQ(read_start(row.text, g, config), std::string("\nERROR: ") + row.error + "\naborted.\n")
        << row.text;
  }
}

TEST(StartFileTest, NamedFile) {
  RunConfig config;
  Grammar g = grammar_from(kGrammar, config);
  char name[] = "/tmp/velmo_start_XXXXXX";
  int fd = mkstemp(name);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "VP 4\n", 5), 5);
  close(fd);
  read_start_file(name, g, config);
  EXPECT_EQ(g.data[kVP].start_freq, 4.0);
  EXPECT_EQ(g.data[kS].start_freq, 0.0);
  unlink(name);
  EXPECT_EQ(fatal_text([&] { read_start_file(name, g, config); }),
            std::string("\nERROR: Can't open file: ") + name + "\naborted.\n");
}

}  // namespace
}  // namespace velmo
