#include "parser/chart.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
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

// A grammar written rule by rule and the chart over it, made once the rules are in.
struct ChartCase {
  Grammar g;
  GrammarBuilder b;
  std::unique_ptr<Chart> chart;
  std::vector<std::string> words;

  explicit ChartCase(std::vector<std::string> names) : b(g, std::move(names)) {}
  Chart& made() {
    if (!chart) {
      b.finish();
      chart = std::make_unique<Chart>(g);
    }
    return *chart;
  }
  // One word "w" per position, with the given tags.
  Chart& parse(const std::vector<std::vector<std::string>>& tags) {
    words.assign(tags.size(), "w");
    testing::parse(made(), b, words, tags);
    return *chart;
  }
  ForestNode* node(const std::string& cat, int i, int j, bool lexical = false) const {
    return chart->find_node(b.id(cat), i, j, kNoHead, lexical);
  }
  // The rules of the node's analyses, in their order.
  std::vector<int> analyses(const std::string& cat, int i, int j) const {
    std::vector<int> rules;
    ForestNode* n = node(cat, i, j);
    if (n)
      for (ChartItem* a : velmo::analyses(n)) rules.push_back(a->rule);
    return rules;
  }
};

// S -> NP VP, VP -> V NP, NP -> N.
void noun_verb_noun_grammar(ChartCase& c) {
  c.b.rule("S", {"NP", "VP"});
  c.b.rule("VP", {"V", "NP"});
  c.b.rule("NP", {"N"});
  c.b.start("S");
}

TEST(ChartTest, NounVerbNounBuildsOneNodePerConstituent) {
  ChartCase c({"N", "NP", "S", "V", "VP"});
  noun_verb_noun_grammar(c);
  Chart& chart = c.parse({{"N"}, {"V"}, {"N"}});
  EXPECT_EQ(chart.node_count(), 7);
  EXPECT_EQ(chart.item_count(), 7);  // S dot 1 twice, NP twice, VP dot 1 and 2, S dot 2
  for (auto [cat, i, j, lexical] : std::vector<std::tuple<const char*, int, int, bool>>{
           {"N", 0, 1, true}, {"V", 1, 2, true}, {"N", 2, 3, true}, {"NP", 0, 1, false},
           {"NP", 2, 3, false}, {"VP", 1, 3, false}, {"S", 0, 3, false}}) {
    EXPECT_NE(c.node(cat, i, j, lexical), nullptr) << cat << i << j;
  }
  EXPECT_EQ(chart.roots(), std::vector<ForestNode*>{c.node("S", 0, 3)});
  EXPECT_EQ(c.node("N", 0, 1), nullptr);
  EXPECT_EQ(count_analyses(chart), 1u);
}

// The walk numbers nodes parent first, previous item before daughter.
TEST(ChartTest, WalkReachesNodesInPrintingOrder) {
  ChartCase c({"DT", "N", "NP", "S", "V", "VP"});
  c.b.rule("S", {"NP", "VP"});
  c.b.rule("NP", {"DT", "N"});
  c.b.rule("VP", {"V"});
  c.b.start("S");
  EXPECT_EQ(walk_order(c.parse({{"DT"}, {"N"}, {"V"}}), c.g),
            (std::vector<std::string>{"S 0 3", "NP 0 2", "DT 0 1*", "N 1 2*", "VP 2 3",
                                      "V 2 3*"}));
}

TEST(ChartTest, AttachmentAmbiguitySharesTheObject) {
  ChartCase c({"N", "NP", "P", "PP", "S", "V", "VP"});
  c.b.rule("S", {"NP", "VP"});
  int vp3 = c.b.rule("VP", {"V", "NP", "PP"});
  int vp2 = c.b.rule("VP", {"V", "NP"});
  int np_pp = c.b.rule("NP", {"NP", "PP"});
  c.b.rule("NP", {"N"});
  c.b.rule("PP", {"P", "NP"});
  c.b.start("S");
  Chart& chart = c.parse({{"N"}, {"V"}, {"N"}, {"P"}, {"N"}});
  // The VP -> V NP reading is completed first (through the larger NP), so it is second.
  ASSERT_EQ(c.analyses("VP", 1, 5), (std::vector<int>{vp3, vp2}));
  ChartItem* first = c.node("VP", 1, 5)->analyses;
  ForestNode* object = c.node("NP", 2, 3);
  ForestNode* big_np = c.node("NP", 2, 5);
  ASSERT_NE(big_np, nullptr);
  ASSERT_EQ(big_np->analyses->rule, np_pp);
  EXPECT_EQ(big_np->analyses->links->previous->links->daughter, object);
  EXPECT_EQ(first->links->previous->links->daughter, object);
  EXPECT_EQ(first->links->next, nullptr);
  EXPECT_EQ(count_analyses(chart), 2u);
}

// A new node first extends the items waiting for it, then starts the rules it is first of.
TEST(ChartTest, NewNodeExtendsWaitingItemsBeforeStartingRules) {
  ChartCase c({"A", "S", "T", "X"});
  int via_x = c.b.rule("S", {"A", "X"});
  int via_t = c.b.rule("S", {"A", "T"});
  c.b.rule("T", {"X"});
  c.parse({{"A"}, {"X"}});
  EXPECT_EQ(c.analyses("S", 0, 2), (std::vector<int>{via_t, via_x}));
}

// Items wait newest first; the first-daughter list holds a mother's rules in descending order,
// so rule 0 waits at the front, completes first and ends up last among the analyses.
TEST(ChartTest, WaitingItemsAreExtendedNewestFirst) {
  ChartCase c({"A", "M", "X"});
  for (int r = 0; r < 3; ++r) c.b.rule("M", {"A", "X"});
  c.parse({{"A"}, {"X"}});
  EXPECT_EQ(c.analyses("M", 0, 2), (std::vector<int>{2, 1, 0}));
}

TEST(ChartTest, RootsDescendByCategoryLexicalFirst) {
  ChartCase c({"X", "Y"});
  c.b.rule("X", {"Y"});
  c.b.start("X");
  c.b.start("Y");
  Chart& chart = c.parse({{"Y", "X"}});
  EXPECT_EQ(chart.roots(), (std::vector<ForestNode*>{c.node("Y", 0, 1, true),
                                                     c.node("X", 0, 1, true), c.node("X", 0, 1)}));
  EXPECT_EQ(count_analyses(chart), 3u);
}

TEST(ChartTest, OneWordStartTagIsALexicalRoot) {
  ChartCase c({"N", "S"});
  c.b.start("N");
  Chart& chart = c.parse({{"N"}});
  ASSERT_EQ(chart.roots().size(), 1u);
  EXPECT_EQ(chart.roots()[0]->lexical, 1);
  EXPECT_EQ(chart.roots()[0]->word, c.words[0].c_str());
}

TEST(ChartTest, RepeatedReadingIsPropagatedOnce) {
  ChartCase c({"N", "NP"});
  c.b.rule("NP", {"N"});
  Chart& chart = c.made();
  ForestNode* n = chart.add_node(c.b.id("N"), 0, 1, nullptr);
  int items = chart.item_count();
  EXPECT_EQ(chart.add_node(c.b.id("N"), 0, 1, nullptr), n);
  EXPECT_EQ(chart.item_count(), items);
  EXPECT_EQ(chart.node_count(), 2);
}

TEST(ChartTest, FailedSentenceThenFreshTables) {
  ChartCase c({"N", "S", "V"});
  c.b.rule("S", {"N", "V"});
  c.b.start("S");
  Chart& chart = c.parse({{"N"}, {"N"}});
  EXPECT_TRUE(chart.roots().empty());
  EXPECT_EQ(count_analyses(chart), 0u);
  c.parse({{"V"}});
  EXPECT_EQ(chart.node_count(), 1);
  EXPECT_EQ(chart.item_count(), 0);  // the S item waiting at position 1 is gone
  EXPECT_EQ(c.node("N", 0, 1, true), nullptr);
}

// Values kept beside the items are found through their numbers: every item made, in the table
// or not, has its own, from 0 in each sentence.
TEST(ChartTest, ItemsAreNumberedInTheOrderMadeFromZeroEachSentence) {
  ChartCase c({"N", "NP", "S", "V", "VP"});
  noun_verb_noun_grammar(c);
  for (int sentence = 0; sentence < 2; ++sentence) {
    Chart& chart = c.parse({{"N"}, {"V"}, {"N"}});
    const int tabled = chart.item_count();
    ASSERT_EQ(chart.item_records(), tabled);
    ChartItem* copy = chart.make_untabled_item(*first_analysis(chart.roots()[0]), 7);
    EXPECT_EQ(copy->number, tabled);
    struct Collect : ForestVisitor<Collect> {
      std::set<int> numbers;
      int visits = 0;
      void item_before(ChartItem* item) {
        numbers.insert(item->number);
        ++visits;
      }
    } collect;
    walk(chart, collect);
    EXPECT_EQ(static_cast<int>(collect.numbers.size()), collect.visits);  // each its own
    EXPECT_GE(*collect.numbers.begin(), 0);
    EXPECT_LT(*collect.numbers.rbegin(), tabled);
    EXPECT_EQ(collect.visits, tabled - 1);  // all but the S item that the last noun starts
  }
}

// Records the nodes that a top-down walk handles.
struct HandledNodes : ForestVisitor<HandledNodes> {
  std::set<const ForestNode*> nodes;
  void node_before(ForestNode* n) { nodes.insert(n); }
};

TEST(ChartTest, UnaryCycleTerminatesAndStaysUnhandled) {
  ChartCase c({"A", "B", "S", "T"});
  c.b.rule("S", {"A"});
  c.b.rule("A", {"T"});
  c.b.rule("A", {"B"});
  c.b.rule("B", {"A"});
  c.b.start("S");
  Chart& chart = c.parse({{"T"}});
  ForestNode* s = c.node("S", 0, 1);
  ForestNode* a = c.node("A", 0, 1);
  ForestNode* bn = c.node("B", 0, 1);
  ASSERT_TRUE(s && a && bn);
  EXPECT_EQ(bn->analyses->links->daughter, a);  // the forest holds the cycle
  // The node open on the cycle counts as done with nothing: only S -> A -> T is counted.
  EXPECT_EQ(count_analyses(chart), 1u);

  HandledNodes handled;
  top_down_walk(chart, handled);
  EXPECT_EQ(handled.nodes, std::set<const ForestNode*>{s});
}

// Every item and link reachable from the roots, in walk order, as text.
struct ForestLister : ForestVisitor<ForestLister> {
  explicit ForestLister(const Grammar& g) : g(g) {}
  const Grammar& g;
  std::string text;
  void node_before(ForestNode* n) {
    text += "\n" + g.name(n->category) + " " + std::to_string(n->start) + "-" +
            std::to_string(n->end) + (n->lexical ? "*" : "");
  }
  void item_before(ChartItem* i) {
    text += " [" + std::to_string(i->mother) + "." + std::to_string(i->rule) + "." +
            std::to_string(i->dot) + " " + std::to_string(i->start) + "-" +
            std::to_string(i->end);
    for (DaughterLink* l : links(i)) {
      text += " " + std::to_string(l->daughter->category) + "@" +
              std::to_string(l->daughter->start) + (l->previous ? "+" : "");
    }
    text += "]";
  }
};

// Top-down prediction leaves out only what the roots cannot reach: over random grammars (with
// unary cycles and ambiguous words), the forest seen from the roots is the same with and
// without it, down to the order of every list, while the chart holds at most as many items.
TEST(ChartTest, PredictionKeepsTheForestOfTheRoots) {
  std::mt19937 rng(7);
  const std::vector<std::string> names = {"S", "A", "B", "C", "x", "y", "z"};
  int smaller = 0;
  for (int round = 0; round < 300; ++round) {
    ChartCase c(names);
    for (int r = 0; r < 9; ++r) {
      std::vector<std::string> daughters(1 + rng() % 3);
      for (std::string& d : daughters) d = names[rng() % names.size()];
      if (daughters.size() > 1 || daughters[0] != names[r % 4]) c.b.rule(names[r % 4], daughters);
    }
    c.b.start("S");
    if (rng() % 3 == 0) c.b.start(names[1 + rng() % 3]);
    Chart& chart = c.made();
    std::vector<std::vector<std::string>> tags(1 + rng() % 7);
    for (auto& word : tags) {
      for (int t = 0; t < 1 + static_cast<int>(rng() % 2); ++t) word.push_back(names[4 + rng() % 3]);
    }
    c.words.assign(tags.size(), "w");
    std::string forests[2];
    int items[2];
    for (int predict = 0; predict < 2; ++predict) {
      testing::parse(chart, c.b, c.words, tags, predict == 1);
      ForestLister lister(c.g);
      walk(chart, lister);
      forests[predict] = lister.text;
      items[predict] = chart.item_count();
    }
    ASSERT_EQ(forests[0], forests[1]) << "round " << round;
    EXPECT_LE(items[1], items[0]);
    smaller += items[1] < items[0];
  }
  EXPECT_GT(smaller, 100);
}

// One word N starts one item per rule S -> N N.
void grow_items_test(int rules, int buckets) {
  ChartCase c({"N", "S"});
  for (int r = 0; r < rules; ++r) c.b.rule("S", {"N", "N"});
  Chart& chart = c.made();
  chart.add_node(c.b.id("N"), 0, 1, nullptr);
  EXPECT_EQ(chart.item_count(), rules);
  EXPECT_EQ(chart.item_bucket_count(), buckets);
  int missing = 0;
  for (int r = 0; r < rules; ++r) {
    missing +=
        chart.find_or_make_item({c.b.id("S"), r, 1, 0, 1, kNoHead}, nullptr, nullptr).second;
  }
  EXPECT_EQ(missing, 0);
  // The next sentences start with the table the last one needed, until 16 in a row would have
  // fitted into an eighth.
  for (int sentence = 0; sentence < 16; ++sentence) {
    chart.begin_sentence();
    EXPECT_EQ(chart.item_bucket_count(), buckets);
    EXPECT_EQ(chart.item_count(), 0);
  }
  chart.begin_sentence();
  EXPECT_EQ(chart.item_bucket_count(), 4096);
}

// Every field of the key tells items apart, the head too: treebank matching and lexicalisation
// keep copies of one item under other heads in the same table. Thousands of heads make items
// share buckets, so the comparison itself is put to the test, not only the hash.
TEST(ChartTest, ItemsDifferInEveryFieldOfTheirKey) {
  ChartCase c({"N", "S"});
  c.b.rule("S", {"N", "N"});
  c.b.rule("S", {"N", "N", "N"});
  Chart& chart = c.made();
  const int s = c.b.id("S");
  const ItemKey key{s, 0, 1, 0, 1, kNoHead};
  std::vector<ItemKey> keys = {key,
                               {s, 1, 1, 0, 1, kNoHead},
                               {s, 0, 2, 0, 1, kNoHead},
                               {s, 0, 1, 1, 1, kNoHead},
                               {s, 0, 1, 0, 2, kNoHead},
                               {c.b.id("N"), 0, 1, 0, 1, kNoHead}};
  for (int head = 0; head < 5000; ++head) keys.push_back(key.with_head(head));
  for (const ItemKey& k : keys) {
    EXPECT_EQ(chart.find_item(k), nullptr);
    EXPECT_TRUE(chart.find_or_make_item(k, nullptr, nullptr).second);
  }
  for (const ItemKey& k : keys) {
    const ChartItem* item = chart.find_item(k);
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(ItemKey::of(*item).head, k.head);
    ASSERT_EQ(ItemKey::of(*item).rule, k.rule);
  }
  EXPECT_EQ(chart.item_count(), static_cast<int>(keys.size()));
}

TEST(ChartTest, ItemTableGrowsAfterFourPerBucket) {
  grow_items_test(16384, 4096);
  grow_items_test(16385, 32768);
}

TEST(ChartTest, NodeTableGrowsAfterFourPerBucket) {
  std::vector<std::string> names;
  for (int i = 0; i < 16385; ++i) names.push_back("C" + std::to_string(i));
  ChartCase cc(names);
  Chart& chart = cc.made();
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
    for (ChartItem* a : analyses(n)) violations += at(a) <= at(n);
  }
  void item_before(ChartItem* i) {
    for (DaughterLink* l : links(i)) {
      if (l->previous) violations += at(l->previous) <= at(i);
      violations += at(l->daughter) <= at(i);
    }
  }
};

TEST(ChartTest, TopDownWalkHandlesEveryRecordAfterItsParents) {
  std::mt19937 rng(7);
  for (int round = 0; round < 100; ++round) {
    ChartCase c({"A", "B", "C", "S", "T", "U"});
    GrammarBuilder& b = c.b;
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
    std::vector<std::vector<std::string>> tags;
    for (int i = 0; i < 6; ++i) tags.push_back(rng() % 3 ? std::vector<std::string>{"T"}
                                                          : std::vector<std::string>{"T", "U"});
    Chart& chart = c.parse(tags);
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
