#include "parser/pruning.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "parser/parser_test_util.h"

namespace velmo {
namespace {

using Constituents = std::vector<std::array<int, 3>>;

// The constituents of a tree of forest_trees, sorted.
Constituents constituents_of(const std::string& tree) {
  Constituents out;
  static const std::regex label(R"(\((\d+) (\d+) (\d+))");
  for (auto m = std::sregex_iterator(tree.begin(), tree.end(), label); m != std::sregex_iterator();
       ++m)
    out.push_back({std::stoi((*m)[1]), std::stoi((*m)[2]), std::stoi((*m)[3])});
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<Constituents> forest_constituents(const Chart& chart) {
  std::vector<Constituents> out;
  for (const std::string& t : testing::forest_trees(chart)) out.push_back(constituents_of(t));
  std::sort(out.begin(), out.end());
  return out;
}

struct Enumerated {
  std::vector<std::pair<double, Constituents>> trees;  // probability with the start, parts
  std::map<std::array<int, 3>, double> posterior;
};

Enumerated enumerate(const testing::AmbiguousModel& m, const std::vector<std::string>& words) {
  testing::TreeEnumerator e(m, words);
  Enumerated out;
  double total = 0;
  const Grammar& g = m.model.grammar;
  for (int x = 0; x < g.symbol_count(); ++x) {
    if (g.data[x].start_prob <= 0) continue;
    for (const testing::Tree& t : e.trees(x, 0, static_cast<int>(words.size()))) {
      Constituents c = t.constituents;
      std::sort(c.begin(), c.end());
      out.trees.emplace_back(g.data[x].start_prob * t.p, c);
      total += g.data[x].start_prob * t.p;
    }
  }
  for (const auto& [p, c] : out.trees)
    for (const auto& part : c) out.posterior[part] += p / total;
  return out;
}

// The trees every constituent of which is at least as probable as the threshold.
std::vector<Constituents> trees_above(const Enumerated& e, double threshold) {
  std::vector<Constituents> out;
  for (const auto& [p, c] : e.trees) {
    if (std::all_of(c.begin(), c.end(),
                    [&](const auto& part) { return e.posterior.at(part) >= threshold; }))
      out.push_back(c);
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<Constituents> pruned(testing::AmbiguousModel& m, const std::vector<std::string>& words,
                                 double threshold, bool& cut) {
  Chart chart(m.model.grammar);
  std::vector<std::vector<std::string>> tags;
  for (const std::string& w : words) tags.push_back(m.tags_of(w));
  testing::parse(chart, m.b, words, tags);
  m.config.prune = threshold;
  cut = ForestPruner(m.model, m.config).prune(chart);
  return forest_constituents(chart);
}

// "she saw man in park" has two trees (the PP under the VP or under the NP), so every record
// of the forest lies in one of them or in both: its posterior is that of one tree or 1. The
// attachment to the VP is made less probable, so that the two trees do not tie.
TEST(Pruning, KeepsTheTreesWhoseRecordsReachTheThreshold) {
  testing::AmbiguousModel m;
  m.model.grammar.data[m.b.id("VP")].rules[1].prob = 0.2;  // VP -> VP PP
  const std::vector<std::string> words = {"she", "saw", "man", "in", "park"};
  const Enumerated e = enumerate(m, words);
  ASSERT_EQ(e.trees.size(), 2u);
  const double low = std::min(e.trees[0].first, e.trees[1].first) /
                     (e.trees[0].first + e.trees[1].first);
  bool cut = false;
  // Below every posterior: everything stays.
  EXPECT_EQ(pruned(m, words, low * 0.999, cut), trees_above(e, 0.0));
  EXPECT_TRUE(cut);
  // Just above the less probable tree: only the better one stays.
  const std::vector<Constituents> best = trees_above(e, low * 1.001);
  ASSERT_EQ(best.size(), 1u);
  EXPECT_EQ(pruned(m, words, low * 1.001, cut), best);
  EXPECT_TRUE(cut);
}

// A threshold that no tree survives leaves the forest whole: pruning never fails a sentence.
TEST(Pruning, KeepsTheForestWholeWhenNothingWouldRemain) {
  testing::AmbiguousModel m;
  m.model.grammar.data[m.b.id("VP")].rules[1].prob = 0.2;  // no ties, no posterior at a threshold
  const std::vector<std::string> words = {"she", "saw", "man", "in", "park", "in", "park"};
  const Enumerated e = enumerate(m, words);
  ASSERT_GT(e.trees.size(), 2u);
  bool cut = true;
  EXPECT_EQ(pruned(m, words, 0.999, cut), trees_above(e, 0.0));
  EXPECT_FALSE(cut);
  // With more trees a record shared by several is kept while the ones below it may go: what
  // stays is never more than the trees whose constituents all reach the threshold.
  int cuts = 0;
  for (double threshold : {0.03, 0.1, 0.25, 0.45, 0.7}) {
    const std::vector<Constituents> kept = pruned(m, words, threshold, cut);
    const std::vector<Constituents> bound = trees_above(e, threshold);
    if (!cut) {
      EXPECT_EQ(kept, trees_above(e, 0.0)) << threshold;
      continue;
    }
    if (kept.size() < e.trees.size()) ++cuts;
    EXPECT_FALSE(kept.empty());
    EXPECT_TRUE(std::includes(bound.begin(), bound.end(), kept.begin(), kept.end()))
        << threshold;
  }
  EXPECT_GT(cuts, 0);
}

}  // namespace
}  // namespace velmo
