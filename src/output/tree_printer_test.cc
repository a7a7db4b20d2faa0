#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "output/forest_printer.h"
#include "output/output_test_util.h"

namespace velmo {
namespace {

using testing::OutputFixture;

std::string trees(OutputFixture& f) {
  return testing::captured([&](FILE* out) { print_trees(out, f.context()); });
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Every tree is written exactly once: as many distinct lines as the forest has analyses.
void expect_one_line_per_analysis(OutputFixture& f, int words) {
  f.parse(std::vector<std::string>(words, "w"),
          std::vector<std::vector<std::string>>(words, {"W"}));
  std::vector<std::string> lines = lines_of(trees(f));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "");
  lines.pop_back();
  std::set<std::string> distinct(lines.begin(), lines.end());
  EXPECT_EQ(distinct.size(), lines.size()) << words << " words";
  EXPECT_EQ(lines.size(), count_analyses(*f.chart)) << words << " words";
  if (words >= 3) {
    EXPECT_GT(lines.size(), 1u);
  }
}

TEST(TreeListTest, BinaryBracketingsAreCatalanNumbers) {
  OutputFixture f({"W", "X"});
  f.grammar.rule("X", {"X", "X"});
  f.grammar.rule("X", {"W"});
  f.grammar.start("X");
  const uint64_t catalan[] = {1, 1, 2, 5, 14, 42, 132, 429};
  for (int n = 1; n <= 8; ++n) {
    f.parse(std::vector<std::string>(n, "w"), std::vector<std::vector<std::string>>(n, {"W"}));
    EXPECT_EQ(count_analyses(*f.chart), catalan[n - 1]);
    expect_one_line_per_analysis(f, n);
  }
}

TEST(TreeListTest, LinesMatchAnalysisCountWithLongRulesAndSeveralRoots) {
  OutputFixture f({"W", "X", "Y"});
  f.grammar.rule("X", {"X", "X", "X"});
  f.grammar.rule("X", {"X", "Y"});
  f.grammar.rule("X", {"W"});
  f.grammar.rule("Y", {"X", "X"});
  f.grammar.rule("Y", {"W", "W", "W"});
  f.grammar.rule("Y", {"W"});
  f.grammar.start("X");
  f.grammar.start("Y");
  for (int n = 1; n <= 7; ++n) expect_one_line_per_analysis(f, n);
}

}  // namespace
}  // namespace velmo
