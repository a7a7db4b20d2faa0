// Loads the shared treebank grammar, when it is there, and checks properties that must hold for
// any grammar.
#include <gtest/gtest.h>

#include <set>

#include "grammar/grammar_analysis.h"
#include "grammar/grammar_reader.h"

namespace velmo {
namespace {

const std::string kDataDir = VELMO_SOURCE_DIR "/../shared/data/";

FILE* open_or_null(const std::string& name) { return std::fopen(name.c_str(), "rt"); }

TEST(TreebankGrammarTest, WsjGrammar) {
  FILE* in = open_or_null(kDataDir + "wsj/wsj.gram");
  if (!in) GTEST_SKIP() << "no shared treebank grammar at " << kDataDir;
  RunConfig config;
  config.quiet = true;
  Grammar g = read_grammar(in, config);
  std::fclose(in);

  int rules = 0;
  std::set<int> numbers;
  for (int m = 0; m < g.symbol_count(); ++m) {
    for (const Rule& rule : g.data[m].rules) {
      ++rules;
      numbers.insert(rule.number);
      EXPECT_LT(rule.head, static_cast<int>(rule.daughters.size()));
    }
    if (m > 0) {
      EXPECT_LT(g.name(m - 1), g.name(m));
    }
  }
  EXPECT_EQ(rules, 3612);
  EXPECT_EQ(numbers.size(), 3612u);
  EXPECT_EQ(*numbers.rbegin(), 3611);

  std::size_t listed = 0;
  for (int s = 0; s < g.symbol_count(); ++s) {
    const std::vector<RuleRef>& list = g.data[s].first_daughter;
    listed += list.size();
    for (std::size_t i = 0; i < list.size(); ++i) {
      EXPECT_EQ(g.rule(list[i].mother, list[i].rule).daughters[0], s);
      if (i > 0) {
        EXPECT_TRUE(list[i - 1].mother > list[i].mother ||
                    (list[i - 1].mother == list[i].mother && list[i - 1].rule > list[i].rule));
      }
    }
  }
  EXPECT_EQ(listed, 3612u);

  FILE* start = open_or_null(kDataDir + "wsj/wsj.start");
  if (start) {
    read_start_symbols(start, g, config);
    std::fclose(start);
  }
  check_reachability(g, config);
  check_cycles(g, config);
}

}  // namespace
}  // namespace velmo

namespace velmo {
namespace {

TEST(TreebankGrammarTest, AtisSymbolicGrammar) {
  FILE* in = open_or_null(kDataDir + "atis/atis.gram");
  if (!in) GTEST_SKIP() << "no shared ATIS grammar at " << kDataDir;
  RunConfig config;
  config.symbolic = true;
  config.quiet = true;
  Grammar g = read_grammar(in, config);
  std::fclose(in);
  int rules = 0;
  for (const SymbolData& symbol : g.data) rules += static_cast<int>(symbol.rules.size());
  EXPECT_GT(rules, 4000);
  for (const SymbolData& symbol : g.data)
    for (const Rule& rule : symbol.rules) EXPECT_EQ(rule.freq, 1.0);
  check_cycles(g, config);
}

}  // namespace
}  // namespace velmo
