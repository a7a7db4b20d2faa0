#include "parser/lookahead.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "grammar/grammar_test_util.h"
#include "parser/chart.h"
#include "parser/forest_walk.h"
#include "parser/inside_outside.h"

namespace velmo {
namespace {

// Symbols are named by their ids' letters: "A" is 0, "B" is 1 ...; a rule lists its mother,
// then its daughters.
Grammar grammar_of(int symbols, const std::vector<std::vector<int>>& rules) {
  Grammar g;
  std::vector<std::string> names;
  for (int s = 0; s < symbols; ++s) names.push_back(std::string(1, static_cast<char>('A' + s)));
  testing::GrammarBuilder b(g, names);
  for (const std::vector<int>& r : rules) b.rule(r[0], {r.begin() + 1, r.end()}, 0.5);
  b.finish();
  return g;
}

TEST(LookaheadTest, CategoriesStartWhereTheirLeftCornersStart) {
  // B -> A C, D -> B, E -> C A: A starts B and D; C starts E; nothing starts A.
  Grammar g = grammar_of(5, {{1, 0, 2}, {3, 1}, {4, 2, 0}});
  Lookahead lookahead(g);
  EXPECT_TRUE(lookahead.may_start(3, 4));  // no announcements: everything may start
  lookahead.expect_start(1, 0);
  for (auto [category, expected] : std::vector<std::pair<int, bool>>{
           {0, true}, {1, true}, {2, false}, {3, true}, {4, false}}) {
    EXPECT_EQ(lookahead.may_start(1, category), expected) << category;
    EXPECT_FALSE(lookahead.may_start(0, category));
    EXPECT_FALSE(lookahead.may_start(7, category));
  }
  lookahead.begin_sentence();
  EXPECT_TRUE(lookahead.may_start(1, 2));
}

// What a forest shows: every node reachable from the roots with its analyses, in walk order.
struct ForestShape : ForestVisitor<ForestShape> {
  // category, span, lexical flag, and the links of each analysis
  std::vector<std::tuple<int, int, int, int, std::vector<int>>> nodes;
  void node_before(ForestNode* n) {
    std::vector<int> links;
    for (ChartItem* a = n->analyses; a; a = a->next_analysis) {
      links.push_back(0);
      for (DaughterLink* l = a->links; l; l = l->next) ++links.back();
    }
    nodes.emplace_back(n->category, n->start, n->end, n->lexical, links);
  }
};

// Random grammars with unary, binary and ternary rules over random sentences: the forest and
// its tree count are the same with and without lookahead, and the lookahead keeps fewer items.
TEST(LookaheadTest, LeavesEveryForestAsItIs) {
  std::mt19937 rng(2026);
  int fewer = 0;
  for (int round = 0; round < 200; ++round) {
    const int symbols = 6;
    std::vector<std::vector<int>> rules;
    for (int m = 1; m < symbols; ++m) {
      rules.push_back({m, static_cast<int>(rng() % m)});  // unary rules point down: no cycle
      for (int k = 0; k < 3; ++k) {
        std::vector<int> rule = {m};
        int daughters = 2 + rng() % 2;
        for (int d = 0; d < daughters; ++d) rule.push_back(rng() % symbols);
        rules.push_back(rule);
      }
    }
    Grammar g = grammar_of(symbols, rules);
    for (int s = 0; s < symbols; ++s) g.data[s].start_prob = (rng() % 3 == 0) ? 0.5 : 0.0;
    g.data[symbols - 1].start_prob = 0.5;
    int n = 1 + rng() % 6;
    std::vector<std::vector<int>> tags(n);
    for (auto& t : tags) {
      t.push_back(rng() % 3);
      if (rng() % 2) t.push_back(3 + rng() % 3);
    }

    auto parse = [&](Chart& chart, bool announce) {
      chart.begin_sentence();
      if (announce) {
        for (int i = 0; i < n; ++i)
          for (int t : tags[i]) chart.expect_start(i, t);
      }
      for (int i = 0; i < n; ++i) {
        chart.open_position(i + 1);
        for (int t : tags[i]) chart.add_node(t, i, i + 1, nullptr)->word = "w";
      }
      chart.collect_roots(n);
    };
    Chart plain(g), filtered(g);
    parse(plain, false);
    parse(filtered, true);
    ForestShape a, b;
    walk(plain, a);
    walk(filtered, b);
    ASSERT_EQ(a.nodes, b.nodes) << "round " << round;
    ASSERT_EQ(count_analyses(plain), count_analyses(filtered));
    ASSERT_LE(filtered.item_count(), plain.item_count());
    fewer += filtered.item_count() < plain.item_count();
  }
  EXPECT_GT(fewer, 50);
}

}  // namespace
}  // namespace velmo
