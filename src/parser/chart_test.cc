#include "parser/chart.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "parser/forest_walk.h"
#include "parser/inside_outside.h"
#include "parser/parser_test_util.h"

namespace velmo {
namespace {

using testing::GrammarBuilder;
using testing::parse;

// Node names as "CAT i j" (lexical nodes with a trailing "*") in the order a walk reaches them.
struct NodeLister : ForestVisitor<NodeLister> {
  explicit NodeLister(const Grammar& g) : g(g) {}
  const Grammar& g;
  std::vector<std::string> names;
  void node_before(ForestNode* n) {
    names.push_back(g.name(n->category) + " " + std::to_string(n->start) + " " +
                    std::to_string(n->end) + (n->lexical ? "*" : ""));
  }
};

std::vector<std::string> walk_order(Chart& chart, const Grammar& g) {
  NodeLister lister(g);
  walk(chart, lister);
  return lister.names;
}

TEST(ChartTest, NounVerbNounBuildsOneNodePerConstituent) {
  Grammar g;
  GrammarBuilder b(g, {"N", "NP", "S", "V", "VP"});
  b.rule("S", {"NP", "VP"});
  b.rule("VP", {"V", "NP"});
  b.rule("NP", {"N"});
  b.start("S");
  b.finish();
  Chart chart(g);
  std::vector<std::string> words = {"cats", "chase", "mice"};
  parse(chart, b, words, {{"N"}, {"V"}, {"N"}});

  EXPECT_EQ(chart.node_count(), 7);
  EXPECT_EQ(chart.item_count(), 7);  // S dot 1 twice, NP twice, VP dot 1 and 2, S dot 2
  for (auto [cat, i, j, lexical] : std::vector<std::tuple<const char*, int, int, bool>>{
           {"N", 0, 1, true}, {"V", 1, 2, true}, {"N", 2, 3, true}, {"NP", 0, 1, false},
           {"NP", 2, 3, false}, {"VP", 1, 3, false}, {"S", 0, 3, false}}) {
    EXPECT_NE(chart.find_node(b.id(cat), i, j, kNoHead, lexical), nullptr) << cat << i << j;
  }
  ASSERT_EQ(chart.roots().size(), 1u);
  EXPECT_EQ(chart.roots()[0], chart.find_node(b.id("S"), 0, 3, kNoHead, false));
  EXPECT_EQ(chart.find_node(b.id("N"), 0, 1, kNoHead, false), nullptr);
  EXPECT_EQ(count_analyses(chart), 1u);
}

// The walk numbers nodes parent first, previous item before daughter.
TEST(ChartTest, WalkReachesNodesInPrintingOrder) {
  Grammar g;
  GrammarBuilder b(g, {"DT", "N", "NP", "S", "V", "VP"});
  b.rule("S", {"NP", "VP"});
  b.rule("NP", {"DT", "N"});
  b.rule("VP", {"V"});
  b.start("S");
  b.finish();
  Chart chart(g);
  std::vector<std::string> words = {"the", "dog", "barks"};
  parse(chart, b, words, {{"DT"}, {"N"}, {"V"}});
  EXPECT_EQ(walk_order(chart, g),
            (std::vector<std::string>{"S 0 3", "NP 0 2", "DT 0 1*", "N 1 2*", "VP 2 3",
                                      "V 2 3*"}));
}

TEST(ChartTest, AttachmentAmbiguitySharesTheObject) {
  Grammar g;
  GrammarBuilder b(g, {"N", "NP", "P", "PP", "S", "V", "VP"});
  b.rule("S", {"NP", "VP"});
  int vp3 = b.rule("VP", {"V", "NP", "PP"});
  int vp2 = b.rule("VP", {"V", "NP"});
  int np_pp = b.rule("NP", {"NP", "PP"});
  b.rule("NP", {"N"});
  b.rule("PP", {"P", "NP"});
  b.start("S");
  b.finish();
  Chart chart(g);
  std::vector<std::string> words = {"I", "saw", "men", "with", "telescopes"};
  parse(chart, b, words, {{"N"}, {"V"}, {"N"}, {"P"}, {"N"}});

  ForestNode* vp = chart.find_node(b.id("VP"), 1, 5, kNoHead, false);
  ASSERT_NE(vp, nullptr);
  // The VP -> V NP reading is completed first (through the larger NP), so it is second.
  ChartItem* first = vp->analyses;
  ASSERT_NE(first, nullptr);
  ASSERT_NE(first->next_analysis, nullptr);
  EXPECT_EQ(first->next_analysis->next_analysis, nullptr);
  EXPECT_EQ(first->rule, vp3);
  EXPECT_EQ(first->next_analysis->rule, vp2);

  ForestNode* object = chart.find_node(b.id("NP"), 2, 3, kNoHead, false);
  ForestNode* big_np = chart.find_node(b.id("NP"), 2, 5, kNoHead, false);
  ASSERT_NE(big_np, nullptr);
  ASSERT_EQ(big_np->analyses->rule, np_pp);
  EXPECT_EQ(big_np->analyses->links->previous->links->daughter, object);
  EXPECT_EQ(first->links->previous->links->daughter, object);
  EXPECT_EQ(first->links->next, nullptr);
  EXPECT_EQ(count_analyses(chart), 2u);
}

// A new node first extends the items waiting for it, then starts the rules it is first of.
TEST(ChartTest, NewNodeExtendsWaitingItemsBeforeStartingRules) {
  Grammar g;
  GrammarBuilder b(g, {"A", "S", "T", "X"});
  int via_x = b.rule("S", {"A", "X"});
  int via_t = b.rule("S", {"A", "T"});
  b.rule("T", {"X"});
  b.finish();
  Chart chart(g);
  std::vector<std::string> words = {"a", "x"};
  parse(chart, b, words, {{"A"}, {"X"}});
  ForestNode* s = chart.find_node(b.id("S"), 0, 2, kNoHead, false);
  ASSERT_NE(s, nullptr);
  ASSERT_NE(s->analyses->next_analysis, nullptr);
  EXPECT_EQ(s->analyses->rule, via_t);
  EXPECT_EQ(s->analyses->next_analysis->rule, via_x);
}

// Items wait newest first; the first-daughter list holds a mother's rules in descending order,
// so rule 0 waits at the front, completes first and ends up last among the analyses.
TEST(ChartTest, WaitingItemsAreExtendedNewestFirst) {
  Grammar g;
  GrammarBuilder b(g, {"A", "M", "X"});
  b.rule("M", {"A", "X"});
  b.rule("M", {"A", "X"});
  b.rule("M", {"A", "X"});
  b.finish();
  Chart chart(g);
  std::vector<std::string> words = {"a", "x"};
  parse(chart, b, words, {{"A"}, {"X"}});
  ForestNode* m = chart.find_node(b.id("M"), 0, 2, kNoHead, false);
  ASSERT_NE(m, nullptr);
  std::vector<int> rules;
  for (ChartItem* a = m->analyses; a; a = a->next_analysis) rules.push_back(a->rule);
  EXPECT_EQ(rules, (std::vector<int>{2, 1, 0}));
}

TEST(ChartTest, RootsDescendByCategoryLexicalFirst) {
  Grammar g;
  GrammarBuilder b(g, {"X", "Y"});
  b.rule("X", {"Y"});
  b.start("X");
  b.start("Y");
  b.finish();
  Chart chart(g);
  std::vector<std::string> words = {"w"};
  parse(chart, b, words, {{"Y", "X"}});
  ASSERT_EQ(chart.roots().size(), 3u);
  EXPECT_EQ(chart.roots()[0], chart.find_node(b.id("Y"), 0, 1, kNoHead, true));
  EXPECT_EQ(chart.roots()[1], chart.find_node(b.id("X"), 0, 1, kNoHead, true));
  EXPECT_EQ(chart.roots()[2], chart.find_node(b.id("X"), 0, 1, kNoHead, false));
  EXPECT_EQ(count_analyses(chart), 3u);
}

TEST(ChartTest, OneWordStartTagIsALexicalRoot) {
  Grammar g;
  GrammarBuilder b(g, {"N", "S"});
  b.start("N");
  b.finish();
  Chart chart(g);
  std::vector<std::string> words = {"yes"};
  parse(chart, b, words, {{"N"}});
  ASSERT_EQ(chart.roots().size(), 1u);
  EXPECT_EQ(chart.roots()[0]->lexical, 1);
  EXPECT_STREQ(chart.roots()[0]->word, "yes");
}

TEST(ChartTest, RepeatedReadingIsPropagatedOnce) {
  Grammar g;
  GrammarBuilder b(g, {"N", "NP"});
  b.rule("NP", {"N"});
  b.finish();
  Chart chart(g);
  ForestNode* n = chart.add_node(b.id("N"), 0, 1, nullptr);
  int items = chart.item_count();
  EXPECT_EQ(chart.add_node(b.id("N"), 0, 1, nullptr), n);
  EXPECT_EQ(chart.item_count(), items);
  EXPECT_EQ(chart.node_count(), 2);
}

TEST(ChartTest, FailedSentenceThenFreshTables) {
  Grammar g;
  GrammarBuilder b(g, {"N", "S", "V"});
  b.rule("S", {"N", "V"});
  b.start("S");
  b.finish();
  Chart chart(g);
  std::vector<std::string> words = {"a", "b"};
  parse(chart, b, words, {{"N"}, {"N"}});
  EXPECT_TRUE(chart.roots().empty());
  EXPECT_EQ(count_analyses(chart), 0u);
  parse(chart, b, words, {{"V"}});
  EXPECT_EQ(chart.node_count(), 1);
  EXPECT_EQ(chart.item_count(), 0);  // the S item waiting at position 1 is gone
  EXPECT_EQ(chart.find_node(b.id("N"), 0, 1, kNoHead, true), nullptr);
}

// Records the nodes that a top-down walk handles.
struct HandledNodes : ForestVisitor<HandledNodes> {
  std::set<const ForestNode*> nodes;
  void node_before(ForestNode* n) { nodes.insert(n); }
};

TEST(ChartTest, UnaryCycleTerminatesAndStaysUnhandled) {
  Grammar g;
  GrammarBuilder b(g, {"A", "B", "S", "T"});
  b.rule("S", {"A"});
  b.rule("A", {"T"});
  b.rule("A", {"B"});
  b.rule("B", {"A"});
  b.start("S");
  b.finish();
  Chart chart(g);
  std::vector<std::string> words = {"w"};
  parse(chart, b, words, {{"T"}});
  ForestNode* s = chart.find_node(b.id("S"), 0, 1, kNoHead, false);
  ForestNode* a = chart.find_node(b.id("A"), 0, 1, kNoHead, false);
  ForestNode* bn = chart.find_node(b.id("B"), 0, 1, kNoHead, false);
  ASSERT_TRUE(s && a && bn);
  EXPECT_EQ(bn->analyses->links->daughter, a);  // the forest holds the cycle
  // The node open on the cycle counts as done with nothing: only S -> A -> T is counted.
  EXPECT_EQ(count_analyses(chart), 1u);

  HandledNodes handled;
  top_down_walk(chart, handled);
  EXPECT_EQ(handled.nodes, std::set<const ForestNode*>{s});
}

// One word N starts one item per rule S -> N N.
void grow_items_test(int rules, int buckets) {
  Grammar g;
  GrammarBuilder b(g, {"N", "S"});
  for (int r = 0; r < rules; ++r) b.rule("S", {"N", "N"});
  b.finish();
  Chart chart(g);
  chart.add_node(b.id("N"), 0, 1, nullptr);
  EXPECT_EQ(chart.item_count(), rules);
  EXPECT_EQ(chart.item_bucket_count(), buckets);
  int missing = 0;
  for (int r = 0; r < rules; ++r) {
    missing += chart.find_or_make_item(b.id("S"), r, 1, 0, 1, kNoHead, nullptr, nullptr).second;
  }
  EXPECT_EQ(missing, 0);
  chart.begin_sentence();
  EXPECT_EQ(chart.item_bucket_count(), 4096);
  EXPECT_EQ(chart.item_count(), 0);
}

TEST(ChartTest, ItemTableGrowsAfterFourPerBucket) {
  grow_items_test(16384, 4096);
  grow_items_test(16385, 32768);
}

TEST(ChartTest, NodeTableGrowsAfterFourPerBucket) {
  std::vector<std::string> names;
  for (int i = 0; i < 16385; ++i) names.push_back("C" + std::to_string(i));
  Grammar g;
  GrammarBuilder b(g, names);
  b.finish();
  Chart chart(g);
  for (int c = 0; c < 16384; ++c) chart.add_node(c, 0, 1, nullptr);
  EXPECT_EQ(chart.node_bucket_count(), 4096);
  chart.add_node(16384, 0, 1, nullptr);
  EXPECT_EQ(chart.node_bucket_count(), 32768);
  for (int c = 0; c < 16385; ++c) ASSERT_NE(chart.find_node(c, 0, 1, kNoHead, true), nullptr);
}

// Position in the handling order of a top-down walk.
struct HandlingOrder : ForestVisitor<HandlingOrder> {
  std::map<const void*, int> order;
  int nodes = 0;
  void node_before(ForestNode* n) {
    ++nodes;
    order.emplace(n, static_cast<int>(order.size()));
  }
  void item_before(ChartItem* i) { order.emplace(i, static_cast<int>(order.size())); }
};

// Checks with a plain walk that every record comes after all records that refer to it.
struct ParentsFirst : ForestVisitor<ParentsFirst> {
  const std::map<const void*, int>* order;
  int nodes = 0, violations = 0;
  int at(const void* p) const {
    auto it = order->find(p);
    return it == order->end() ? -1 : it->second;
  }
  void node_before(ForestNode* n) {
    ++nodes;
    for (ChartItem* a = n->analyses; a; a = a->next_analysis) violations += at(a) <= at(n);
  }
  void item_before(ChartItem* i) {
    for (DaughterLink* l = i->links; l; l = l->next) {
      if (l->previous) violations += at(l->previous) <= at(i);
      violations += at(l->daughter) <= at(i);
    }
  }
};

TEST(ChartTest, TopDownWalkHandlesEveryRecordAfterItsParents) {
  std::mt19937 rng(7);
  for (int round = 0; round < 100; ++round) {
    Grammar g;
    GrammarBuilder b(g, {"A", "B", "C", "S", "T", "U"});
    std::vector<std::string> phrases = {"A", "B", "C", "S"};
    std::vector<std::string> all = {"A", "B", "C", "S", "T", "U"};
    // Unary rules only point down the list, so the grammar has no cycle.
    for (int m = 0; m < 4; ++m) {
      b.rule(phrases[m], {rng() % 2 ? "T" : "U"});
      if (m > 0) b.rule(phrases[m], {phrases[rng() % m]});
      b.rule(phrases[m], {all[rng() % 6], all[rng() % 6]});
      b.rule(phrases[m], {all[rng() % 6], all[rng() % 6], all[rng() % 6]});
    }
    b.start("S");
    b.start("A");
    b.finish();
    Chart chart(g);
    std::vector<std::string> words(6, "w");
    std::vector<std::vector<std::string>> tags;
    for (int i = 0; i < 6; ++i) tags.push_back(rng() % 3 ? std::vector<std::string>{"T"}
                                                          : std::vector<std::string>{"T", "U"});
    parse(chart, b, words, tags);
    HandlingOrder handled;
    top_down_walk(chart, handled);
    ParentsFirst check;
    check.order = &handled.order;
    walk(chart, check);
    EXPECT_EQ(check.violations, 0);
    EXPECT_EQ(handled.nodes, check.nodes);  // each node exactly once
  }
}

}  // namespace
}  // namespace velmo
