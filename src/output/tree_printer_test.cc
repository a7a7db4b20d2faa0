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

TEST(TreeListTest, TheDogBarks) {
  OutputFixture f({"DT", "N", "NP", "S", "V", "VP"});
  testing::the_dog_barks(f);
  EXPECT_EQ(trees(f), "(S (NP (DT the)(N dog))(VP (V barks)))\n\n");
  f.config.quote = true;
  EXPECT_EQ(trees(f), "(S (NP (DT \"the\")(N \"dog\"))(VP (V \"barks\")))\n\n");
}

TEST(TreeListTest, AttachmentAmbiguityGivesTwoLines) {
  OutputFixture f(testing::attachment_symbols());
  testing::attachment_grammar(f);
  testing::parse_attachment(f);
  EXPECT_EQ(trees(f),
            "(S (NP (N I))(VP (V saw)(NP (N stars))(PP (P with)(NP (N telescopes)))))\n"
            "(S (NP (N I))(VP (V saw)(NP (NP (N stars))(PP (P with)(NP (N telescopes))))))\n\n");
}

TEST(TreeListTest, ItemWithSeveralLinks) {
  OutputFixture f({"A", "S", "W", "X"});
  testing::split_grammar(f);
  f.parse({"a", "b", "c"}, {{"W"}, {"W"}, {"W"}});
  EXPECT_EQ(trees(f), "(S (A (W a)(W b))(X (W c)))\n(S (A (W a))(X (W b)(W c)))\n\n");
}

TEST(TreeListTest, SeveralRootsAndNoParse) {
  OutputFixture f({"A", "B", "W", "Z"});
  f.grammar.rule("A", {"W"});
  f.grammar.rule("B", {"W"});
  f.grammar.start("A", 0.5);
  f.grammar.start("B", 0.5);
  f.parse({"w"}, {{"W"}});
  EXPECT_EQ(trees(f), "(B (W w))\n(A (W w))\n\n");
  f.parse({"z"}, {{"Z"}});
  EXPECT_EQ(trees(f), "\n");
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
