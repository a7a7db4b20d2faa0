#include "grammar/grammar_analysis.h"

#include <gtest/gtest.h>

#include "model/model_test_util.h"

namespace velmo {
namespace {

using testing::grammar_from;
using testing::stream_of;

std::string reachability_output(const char* grammar_text, const char* start_text) {
  RunConfig config;
  Grammar g = grammar_from(grammar_text, config);
  if (start_text) {
    FILE* in = stream_of(start_text);
    read_start_symbols(in, g, config);
    std::fclose(in);
  }
  ::testing::internal::CaptureStderr();
  check_reachability(g, config);
  return ::testing::internal::GetCapturedStderr();
}

TEST(GrammarAnalysisTest, Reachability) {
  const char* grammar = "1 S NP VP\n1 NP N\n1 VP V\n1 Y X\n";
  EXPECT_EQ(reachability_output(grammar, "S 1\n"), "unreachable: X\nunreachable: Y\n");
  EXPECT_EQ(reachability_output(grammar, nullptr), "");
  EXPECT_EQ(reachability_output(grammar, "VP 1\nY 1\n"),
            "unreachable: N\nunreachable: NP\nunreachable: S\n");
}

std::string productivity_output(const char* grammar_text, const std::vector<std::string>& tags) {
  RunConfig config;
  Grammar g = grammar_from(grammar_text, config);
  std::vector<bool> lexical(g.symbol_count(), false);
  for (const std::string& tag : tags) lexical[g.symbols.find(tag)] = true;
  ::testing::internal::CaptureStderr();
  check_productivity(g, lexical, config);
  return ::testing::internal::GetCapturedStderr();
}

TEST(GrammarAnalysisTest, Productivity) {
  // B and E head no rules and are no tags; C -> C alone counts as productive.
  const char* grammar = "1 S NP VP\n1 NP DT N\n1 VP V\n1 A A B\n1 C C\n1 D E\n";
  EXPECT_EQ(productivity_output(grammar, {"DT", "N", "V"}),
            "unproductive: A\nunproductive: B\nunproductive: D\nunproductive: E\n");
  EXPECT_EQ(productivity_output(grammar, {"DT", "N", "V", "B", "E"}), "");
  EXPECT_EQ(productivity_output("1 A A B\n1 A DT\n", {"DT"}), "unproductive: B\n");
  EXPECT_EQ(productivity_output(grammar, {"DT", "N"}),
            "unproductive: A\nunproductive: B\nunproductive: D\nunproductive: E\n"
            "unproductive: S\nunproductive: V\nunproductive: VP\n");
}

struct CycleResult {
  bool acyclic;
  std::string output;
};

CycleResult cycles(const char* grammar_text, bool quiet = false) {
  RunConfig config;
  config.quiet = quiet;
  Grammar g = grammar_from(grammar_text, config);
  ::testing::internal::CaptureStderr();
  bool acyclic = check_cycles(g, config);
  return {acyclic, ::testing::internal::GetCapturedStderr()};
}

TEST(GrammarAnalysisTest, Cycles) {
  struct Row {
    const char* grammar;
    bool acyclic;
    const char* output;
  };
  const Row rows[] = {
      {"1 A B\n1 B A\n", false,
       "WARNING: Grammar cycle involving: A\nB A \n"
       "WARNING: Grammar cycle involving: B\nA B \n"},
      {"1 A A\n", false, "WARNING: Grammar cycle involving: A\nA \n"},
      {"1 A A A\n1 A B\n1 B C D\n", true, ""},
      {"1 A B\n1 A C\n1 B C\n1 C A\n", false,
       "WARNING: Grammar cycle involving: A\nC B A \n"
       "WARNING: Grammar cycle involving: B\nA C B \n"
       "WARNING: Grammar cycle involving: C\nB A C \n"},
      // Only the first rule of a symbol that closes a cycle is reported.
      {"1 A A\n1 A B\n1 B A\n", false,
       "WARNING: Grammar cycle involving: A\nA \n"
       "WARNING: Grammar cycle involving: B\nA B \n"},
  };
  for (const Row& row : rows) {
    CycleResult result = cycles(row.grammar);
    EXPECT_EQ(result.acyclic, row.acyclic) << row.grammar;
    EXPECT_EQ(result.output, row.output) << row.grammar;
  }
  CycleResult quiet = cycles("1 A B\n1 B A\n", true);
  EXPECT_FALSE(quiet.acyclic);
  EXPECT_EQ(quiet.output, "");
}

}  // namespace
}  // namespace velmo
