// The chart of one sentence: a bottom-up left-corner parser that builds the packed parse
// forest, filtered by a lookahead over the words and by top-down prediction (see Lookahead), and
// for a bracketed sentence by its brackets (see BracketFilter).
// Nodes (one per category, span, head and kind) and dotted items (one per rule, dot, span and
// head) are shared through two hash tables; every item keeps all the ways in which it was
// reached. All records come from the chart's BlockPool and live until the next
// begin_sentence. Every list grows at the front, so lists are in reverse order of creation.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "grammar/grammar.h"
#include "parser/bracket_filter.h"
#include "parser/lookahead.h"
#include "parser/prob.h"
#include "symbols/block_pool.h"

namespace velmo {

constexpr int kMaxPositions = 10000;  // chart positions 0..9999
constexpr int kNoHead = -2;           // head of an unlexicalised node or item

struct ChartItem;
struct DaughterLink;

// The table chain and the key fields come first, so that a table search reads one cache line
// per record. Records refer to each other through 32-bit PoolRefs. Values that only one printer
// or pass needs are kept beside the forest by that pass (a node's through its `number`, an
// item's through its own), so that the records stay small: a node takes 64 bytes, an item 40,
// a link 12.
struct ForestNode {
  PoolRef<ForestNode> next_in_table;  // chain of the node table's bucket
  int32_t head = kNoHead;
  int16_t category = 0;
  int16_t start = 0, end = 0;
  int16_t lexical = 0;       // 1: a word reading; 0: built by a rule
  uint16_t stamp = 0;        // visit mark of the forest walks
  int32_t ref_count = 0;     // used by the top-down walk; 0 at rest
  int32_t number = 0;        // printed number, or the index of a pass's values
  PoolRef<ChartItem> analyses;          // complete items, newest first
  PoolRef<ForestNode> next_variant;     // lexicalised copies of this node (see lexicalise.h)
  const char* word = nullptr;  // lexical nodes: the word text (lives as long as the chart)
  PROB inside, outside;
};

// An item's outside value, its count of the top-down walk and its lexicalised copies are kept
// beside it by the chart (see Chart::outside), since most runs need none of them.
struct ChartItem {
  PoolRef<ChartItem> next_in_table;   // chain of the item table's bucket
  int16_t mother = 0;
  int16_t rule = 0;          // index in the mother's rule array
  int16_t dot = 0;           // daughters recognised so far, 1..daughter count
  int16_t start = 0;
  int16_t end = 0;           // part of the item's identity, used by the item table
  uint16_t stamp = 0;
  int32_t head = kNoHead;
  int32_t number = 0;        // 0, 1, ... in the order the sentence's items were made
  PoolRef<DaughterLink> links;        // newest first
  PoolRef<ChartItem> next_analysis;   // in the node's analyses (complete items)
  PROB inside;
};

// What tells items apart in the item table.
struct ItemKey {
  int mother, rule, dot, start, end, head;

  static ItemKey of(const ChartItem& item) {
    return {item.mother, item.rule, item.dot, item.start, item.end, item.head};
  }
  ItemKey with_head(int other) const { return {mother, rule, dot, start, end, other}; }
  bool matches(const ChartItem& item) const {
    return item.end == end && item.mother == mother && item.rule == rule && item.dot == dot &&
           item.start == start && item.head == head;
  }
};

// One step of a binarised analysis: `previous` (dot - 1 daughters, none when dot is 1)
// extended by `daughter`.
struct DaughterLink {
  PoolRef<ChartItem> previous;
  PoolRef<ForestNode> daughter;
  PoolRef<DaughterLink> next;
};

// A list of the forest as a range, followed through the field `Next`:
//   for (ChartItem* analysis : analyses(node)) ...
// The next record is read after the loop's body has run, as in a hand-written loop, so a body
// may relink the record it is at into another list, but not unlink it from this one.
template <class T, PoolRef<T> T::*Next>
class ForestList {
 public:
  class Iterator {
   public:
    explicit Iterator(T* at) : at_(at) {}
    T* operator*() const { return at_; }
    Iterator& operator++() {
      at_ = at_->*Next;
      return *this;
    }
    bool operator!=(const Iterator& other) const { return at_ != other.at_; }

   private:
    T* at_;
  };
  explicit ForestList(T* first) : first_(first) {}
  Iterator begin() const { return Iterator(first_); }
  Iterator end() const { return Iterator(nullptr); }

 private:
  T* first_;
};

// The complete items of a node, newest first.
inline ForestList<ChartItem, &ChartItem::next_analysis> analyses(const ForestNode* node) {
  return ForestList<ChartItem, &ChartItem::next_analysis>(node->analyses);
}
// The first of them (null when there is none): after the printers' reordering, the best.
inline ChartItem* first_analysis(const ForestNode* node) { return node->analyses; }
inline DaughterLink* first_link(const ChartItem* item) { return item->links; }

// The ways an item was reached, newest first.
inline ForestList<DaughterLink, &DaughterLink::next> links(const ChartItem* item) {
  return ForestList<DaughterLink, &DaughterLink::next>(item->links);
}
// The lexicalised copies of a node or an item.
inline ForestList<ForestNode, &ForestNode::next_variant> variants(const ForestNode* node) {
  return ForestList<ForestNode, &ForestNode::next_variant>(node->next_variant);
}

static_assert(sizeof(ForestNode) <= 64 && sizeof(ChartItem) <= 40 && sizeof(DaughterLink) <= 12,
              "chart records grew");

class Chart {
 public:
  explicit Chart(const Grammar& grammar);
  ~Chart();
  Chart(const Chart&) = delete;
  Chart& operator=(const Chart&) = delete;

  // Forgets the previous sentence and opens position 0.
  void begin_sentence();
  // Announces, before any word is inserted, that a word reading of `category` will start at
  // `position`. Once a sentence has announcements, items that wait for a category that can
  // start nowhere at their end position are not made (see Lookahead); a sentence without
  // announcements keeps every item. All readings must be announced, or parses are lost.
  void expect_start(int position, int category) { lookahead_.expect_start(position, category); }
  // Switches on top-down prediction for this sentence (see Prediction): only when every word
  // ending at a position will be inserted before any word starting there.
  void predict() { prediction_.start(grammar_); }
  // Builds, for this sentence, only what can agree with its brackets (see BracketFilter); the
  // filter must live until the next begin_sentence.
  void restrict_to(const BracketFilter* filter) { brackets_ = filter; }
  // Makes position p usable (positions are opened in ascending order).
  void open_position(int p);

  // Inserts a lexical node (analysis null) or adds a complete item to its node; a new node is
  // combined at once with every item waiting for it and starts every rule it is first of. Null
  // for a lexical node that the sentence's brackets rule out.
  ForestNode* add_node(int category, int start, int end, ChartItem* analysis);
  // Lists the root nodes over 0..n: descending category, the lexical node before the rule-built
  // one. Empty when the sentence has no parse.
  void collect_roots(int n);
  const std::vector<ForestNode*>& roots() const { return roots_; }
  std::vector<ForestNode*>& roots() { return roots_; }

  ForestNode* find_node(int category, int start, int end, int head, bool lexical) const;
  // The table operations themselves; also used to build lexicalised copies. Neither propagates.
  // find_or_make_node returns (node, existed); an analysis, if given, goes to the front of the
  // node's analyses whether the node is new or not.
  std::pair<ForestNode*, bool> find_or_make_node(int category, int start, int end, int head,
                                                 ChartItem* analysis, bool lexical);
  // Returns (item, is new); with a daughter given a link (previous, daughter) is always added.
  std::pair<ChartItem*, bool> find_or_make_item(const ItemKey& key, ChartItem* previous,
                                                ForestNode* daughter);
  ChartItem* find_item(const ItemKey& key) const;
  // Copies of a record with another head, made outside the tables: for copies that their
  // original keeps track of itself. No analyses, no links.
  ForestNode* make_untabled_node(const ForestNode& like, int head);
  ChartItem* make_untabled_item(const ChartItem& like, int head);
  // Adds the link (previous, daughter) in front of the item's links.
  void add_link(ChartItem* item, ChartItem* previous, ForestNode* daughter);

  // What only some passes keep of an item, by its number: its outside value, its count of the
  // top-down walk and the first of its lexicalised copies (which chain on through theirs).
  // clear_outside and clear_ref_counts size and zero theirs for every item made so far; the
  // copies' array grows as copies are made.
  PROB& outside(const ChartItem* item) { return item_outside_[item->number]; }
  PROB outside(const ChartItem* item) const { return item_outside_[item->number]; }
  int32_t& ref_count(const ChartItem* item) { return item_ref_counts_[item->number]; }
  ChartItem*& next_variant(const ChartItem* item) {
    if (static_cast<std::size_t>(item->number) >= item_variants_.size()) grow_variants();
    return item_variants_[item->number];
  }
  void clear_outside() { item_outside_.assign(item_records_, PROB::zero()); }
  void clear_ref_counts() { item_ref_counts_.assign(item_records_, 0); }
  // Items made this sentence, tabled or not.
  int item_records() const { return item_records_; }

  // A fresh stamp for one forest walk.
  uint16_t next_stamp() { return static_cast<uint16_t>(++walk_counter_); }
  BlockPool& pool() { return pool_; }
  const Grammar& grammar() const { return grammar_; }

  int node_count() const { return node_count_; }
  int item_count() const { return item_count_; }
  long link_count() const { return link_count_; }
  int node_bucket_count() const { return static_cast<int>(node_buckets_.size()); }
  int item_bucket_count() const { return static_cast<int>(item_buckets_.size()); }

 private:
  void propagate(ForestNode* node);
  // `may_exist` false: the caller knows the item is new, so the table is not searched.
  void extend(int mother, int rule, int dot, int start, int end, ChartItem* previous,
              ForestNode* daughter, bool may_exist);
  ChartItem* make_item(const ItemKey& key);
  uint32_t node_bucket(int category, int start, int end, int head) const;
  uint32_t item_bucket(const ItemKey& key) const;
  void grow_nodes();
  void grow_items();
  void grow_variants();

  // A rule as the parser starts it: the first-daughter lists with each rule's second daughter
  // (the symbol count for a unary rule) at hand, so that rules the lookahead rules out are
  // skipped without reading the rule itself.
  struct LeftCorner {
    int mother;
    int rule;
    int second;
  };

  // An item waiting at a position, with the key fields that propagation reads, so that a new
  // node scans its slot in memory order instead of visiting every item record.
  struct Waiting {
    PoolRef<ChartItem> item;
    int16_t mother, rule, dot, start;
  };
  // A slot is a chain of blocks, newest first; each block fills from its front, so the newest
  // entry is the last one of the first block. Blocks double in size up to kMaxWaitingBlock.
  struct WaitingBlock {
    WaitingBlock* older;
    int32_t count, capacity;
    Waiting* entries() { return reinterpret_cast<Waiting*>(this + 1); }
  };
  static constexpr int kMaxWaitingBlock = 256;
  void add_waiting(int end, int category, ChartItem* item);

  // The daughters of every rule in one array: rule (m, r) has its daughters at
  // rule_daughters_[rule_first_[rule_base_[m] + r]], and rule_first_ of the next rule ends them.
  int waits_for(int mother, int rule, int dot) const {
    int id = rule_base_[mother] + rule;
    int at = rule_first_[id] + dot;
    return at < rule_first_[id + 1] ? rule_daughters_[at] : symbol_count_;
  }

  const Grammar& grammar_;
  const int symbol_count_;
  std::vector<std::vector<LeftCorner>> left_corners_;  // per first daughter, in list order
  BlockPool pool_;
  LeftCornerTable left_corner_table_;
  Lookahead lookahead_;
  Prediction prediction_;
  const BracketFilter* brackets_ = nullptr;
  std::vector<int> rule_base_, rule_first_;
  std::vector<int16_t> rule_daughters_;
  // slots_[p][x]: the items ending at p that wait for a node of category x.
  std::vector<std::vector<WaitingBlock*>> slots_;
  int open_positions_ = 0;
  std::vector<ForestNode*> node_buckets_;  // chained through next_in_table
  // Pool references (0: empty), chained through next_in_table: half the size of pointers, for
  // a table that a large chart searches millions of times at random.
  std::vector<uint32_t> item_buckets_;
  int node_shift_ = 20, item_shift_ = 20;
  int small_for_nodes_ = 0, small_for_items_ = 0;  // sentences in a row that fit smaller tables
  int node_count_ = 0, item_count_ = 0;
  int item_records_ = 0;
  std::vector<PROB> item_outside_;
  std::vector<int32_t> item_ref_counts_;
  std::vector<ChartItem*> item_variants_;
  long link_count_ = 0;
  std::vector<ForestNode*> roots_;
  uint32_t walk_counter_ = 0;
};

// The lexicalised copies of an item, newest first, as a range like those of a node. The next
// copy is read after the loop's body has run.
class ItemVariants {
 public:
  class Iterator {
   public:
    Iterator(Chart& chart, ChartItem* at) : chart_(chart), at_(at) {}
    ChartItem* operator*() const { return at_; }
    Iterator& operator++() {
      at_ = chart_.next_variant(at_);
      return *this;
    }
    bool operator!=(const Iterator& other) const { return at_ != other.at_; }

   private:
    Chart& chart_;
    ChartItem* at_;
  };
  ItemVariants(Chart& chart, const ChartItem* item)
      : chart_(chart), first_(chart.next_variant(item)) {}
  Iterator begin() const { return Iterator(chart_, first_); }
  Iterator end() const { return Iterator(chart_, nullptr); }

 private:
  Chart& chart_;
  ChartItem* first_;
};
inline ItemVariants variants(Chart& chart, const ChartItem* item) {
  return ItemVariants(chart, item);
}

}  // namespace velmo
