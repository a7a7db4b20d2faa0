#include "parser/chart.h"

#include <algorithm>
#include <cassert>
#include <tuple>

#include "driver/diagnostics.h"

namespace velmo {

namespace {

constexpr uint64_t kGoldenRatio64 = 0x9E3779B97F4A7C15u;
constexpr int kInitialShift = 20;  // 4096 buckets: the top 12 bits of the product
constexpr int kGrowthShift = 3;    // each growth multiplies the bucket count by 8
constexpr int kMaxLoad = 4;        // entries per bucket before the table grows

template <class Entry>
void reset_buckets(std::vector<Entry*>& buckets) {
  std::size_t initial = std::size_t{1} << (32 - kInitialShift);
  if (buckets.size() == initial) {
    std::fill(buckets.begin(), buckets.end(), nullptr);
  } else {
    std::vector<Entry*>(initial, nullptr).swap(buckets);  // gives back a grown array
  }
}

}  // namespace

Chart::Chart(const Grammar& grammar)
    : grammar_(grammar),
      symbol_count_(grammar.symbol_count()),
      left_corner_table_(grammar),
      lookahead_(left_corner_table_),
      prediction_(left_corner_table_) {
  left_corners_.resize(symbol_count_);
  for (int x = 0; x < symbol_count_; ++x) {
    for (const RuleRef& r : grammar.data[x].first_daughter) {
      const std::vector<int>& daughters = grammar.rule(r.mother, r.rule).daughters;
      int second = daughters.size() > 1 ? daughters[1] : symbol_count_;
      left_corners_[x].push_back({r.mother, r.rule, second});
    }
  }
  begin_sentence();
}

Chart::~Chart() = default;

void Chart::begin_sentence() {
  pool_.release_all();
  lookahead_.begin_sentence();
  prediction_.begin_sentence();
  reset_buckets(node_buckets_);
  reset_buckets(item_buckets_);
  node_shift_ = item_shift_ = kInitialShift;
  node_count_ = item_count_ = 0;
  roots_.clear();
  walk_counter_ = 0;
  open_positions_ = 0;
  open_position(0);
}

// Slot arrays are kept between sentences and cleared when their position is opened again.
void Chart::open_position(int p) {
  assert(p >= 0 && p < kMaxPositions);
  for (; open_positions_ <= p; ++open_positions_) {
    if (static_cast<int>(slots_.size()) <= open_positions_) slots_.emplace_back();
    slots_[open_positions_].assign(symbol_count_ + 1, nullptr);
  }
}

// Packed like the item key: shifting start and end into overlapping bits of 32 would leave
// only a few thousand distinct keys for the nodes of a long sentence.
uint32_t Chart::node_bucket(int category, int start, int end, int head) const {
  uint64_t key = static_cast<uint64_t>(static_cast<uint16_t>(category)) |
                 static_cast<uint64_t>(static_cast<uint16_t>(start)) << 16 |
                 static_cast<uint64_t>(static_cast<uint16_t>(end)) << 32;
  key ^= static_cast<uint64_t>(static_cast<uint32_t>(head)) * kGoldenRatio64;
  return static_cast<uint32_t>((key * kGoldenRatio64) >> (32 + node_shift_));
}

// Treebank grammars give a mother hundreds of rules, so the fields are packed into 64 bits
// without overlap before the multiplication: overlapping shifts would let (rule, dot, start)
// combinations cancel out and pile up in one bucket.
uint32_t Chart::item_bucket(int mother, int rule, int dot, int start, int end, int head) const {
  uint64_t key = static_cast<uint64_t>(static_cast<uint16_t>(mother)) |
                 static_cast<uint64_t>(static_cast<uint16_t>(rule)) << 15 |
                 static_cast<uint64_t>(static_cast<uint8_t>(dot)) << 30 |
                 static_cast<uint64_t>(static_cast<uint16_t>(start)) << 37 |
                 static_cast<uint64_t>(static_cast<uint16_t>(end)) << 51;
  key ^= static_cast<uint64_t>(static_cast<uint32_t>(head)) * kGoldenRatio64;
  return static_cast<uint32_t>((key * kGoldenRatio64) >> (32 + item_shift_));
}

ForestNode* Chart::find_node(int category, int start, int end, int head, bool lexical) const {
  for (ForestNode* n = node_buckets_[node_bucket(category, start, end, head)]; n;
       n = n->next_in_table) {
    if (n->category == category && n->start == start && n->end == end && n->head == head &&
        (n->lexical != 0) == lexical) {
      return n;
    }
  }
  return nullptr;
}

std::pair<ForestNode*, bool> Chart::find_or_make_node(int category, int start, int end, int head,
                                                      ChartItem* analysis, bool lexical) {
  ForestNode* node = find_node(category, start, end, head, lexical);
  bool existed = node != nullptr;
  if (!existed) {
    node = pool_.make<ForestNode>();
    node->category = static_cast<int16_t>(category);
    node->start = static_cast<int16_t>(start);
    node->end = static_cast<int16_t>(end);
    node->head = head;
    node->lexical = lexical ? 1 : 0;
    ForestNode*& bucket = node_buckets_[node_bucket(category, start, end, head)];
    node->next_in_table = bucket;
    bucket = node;
    if (++node_count_ > kMaxLoad * static_cast<int>(node_buckets_.size())) grow_nodes();
  }
  if (analysis) {
    analysis->next_analysis = node->analyses;
    node->analyses = analysis;
  }
  return {node, existed};
}

ChartItem* Chart::make_item(int mother, int rule, int dot, int start, int end, int head) {
  ChartItem* item = pool_.make<ChartItem>();
  item->mother = static_cast<int16_t>(mother);
  item->rule = static_cast<int16_t>(rule);
  item->dot = static_cast<int16_t>(dot);
  item->start = static_cast<int16_t>(start);
  item->end = static_cast<int16_t>(end);
  item->head = head;
  ChartItem*& bucket = item_buckets_[item_bucket(mother, rule, dot, start, end, head)];
  item->next_in_table = bucket;
  bucket = item;
  if (++item_count_ > kMaxLoad * static_cast<int>(item_buckets_.size())) grow_items();
  return item;
}

ChartItem* Chart::find_item(int mother, int rule, int dot, int start, int end, int head) const {
  ChartItem* item = item_buckets_[item_bucket(mother, rule, dot, start, end, head)];
  while (item && !(item->end == end && item->mother == mother && item->rule == rule &&
                   item->dot == dot && item->start == start && item->head == head)) {
    item = item->next_in_table;
  }
  return item;
}

std::pair<ChartItem*, bool> Chart::find_or_make_item(int mother, int rule, int dot, int start,
                                                     int end, int head, ChartItem* previous,
                                                     ForestNode* daughter) {
  ChartItem* item = find_item(mother, rule, dot, start, end, head);
  bool is_new = item == nullptr;
  if (is_new) item = make_item(mother, rule, dot, start, end, head);
  if (daughter) add_link(item, previous, daughter);
  return {item, is_new};
}

void Chart::add_link(ChartItem* item, ChartItem* previous, ForestNode* daughter) {
  item->links = new (pool_.allocate(sizeof(DaughterLink)))
      DaughterLink{PROB::zero(), previous, daughter, item->links};
}

ForestNode* Chart::make_untabled_node(const ForestNode& like, int head) {
  ForestNode* node = pool_.make<ForestNode>();
  node->category = like.category;
  node->start = like.start;
  node->end = like.end;
  node->lexical = like.lexical;
  node->head = head;
  node->word = like.word;
  return node;
}

ChartItem* Chart::make_untabled_item(const ChartItem& like, int head) {
  ChartItem* item = pool_.make<ChartItem>();
  item->mother = like.mother;
  item->rule = like.rule;
  item->dot = like.dot;
  item->start = like.start;
  item->end = like.end;
  item->head = head;
  return item;
}

void Chart::grow_nodes() {
  node_shift_ -= kGrowthShift;
  if (node_shift_ <= 0) fatal_error("too much memory allocated");
  std::vector<ForestNode*> old(std::size_t{1} << (32 - node_shift_), nullptr);
  old.swap(node_buckets_);
  for (ForestNode* n : old) {
    while (n) {
      ForestNode* next = n->next_in_table;
      ForestNode*& bucket = node_buckets_[node_bucket(n->category, n->start, n->end, n->head)];
      n->next_in_table = bucket;
      bucket = n;
      n = next;
    }
  }
}

void Chart::grow_items() {
  item_shift_ -= kGrowthShift;
  if (item_shift_ < 0) fatal_error("too much memory allocated");
  std::vector<ChartItem*> old(std::size_t{1} << (32 - item_shift_), nullptr);
  old.swap(item_buckets_);
  for (ChartItem* i : old) {
    while (i) {
      ChartItem* next = i->next_in_table;
      ChartItem*& bucket =
          item_buckets_[item_bucket(i->mother, i->rule, i->dot, i->start, i->end, i->head)];
      i->next_in_table = bucket;
      bucket = i;
      i = next;
    }
  }
}

ForestNode* Chart::add_node(int category, int start, int end, ChartItem* analysis) {
  if (end >= open_positions_) open_position(end);
  auto [node, existed] =
      find_or_make_node(category, start, end, kNoHead, analysis, analysis == nullptr);
  // An existing node has been combined with everything already.
  if (!existed) propagate(node);
  return node;
}

// Waiting items first, then the rules the node's category starts: the order decides the order
// of every list built from here.
//
// An item with dot 1 over (i, j) can only come from a node of its first daughter's category
// over (i, j), and there are at most two such nodes: the lexical one and the rule-built one.
// While the other one does not exist, every item this node starts is new and the item table
// need not be searched. The other node can only appear during this loop through a chain of
// unary rules, so the check is repeated after each unary rule.
void Chart::propagate(ForestNode* node) {
  int i = node->start, j = node->end, x = node->category;
  for (ChartItem* w = slots_[i][x]; w; w = w->next_waiting) {
    extend(w->mother, w->rule, w->dot + 1, w->start, j, w, node, true);
  }
  bool other_kind = find_node(x, i, j, node->head, node->lexical == 0) != nullptr;
  for (const LeftCorner& r : left_corners_[x]) {
    if (!prediction_.may_begin(i, r.mother)) continue;
    if (r.second != symbol_count_ && !lookahead_.may_start(j, r.second)) continue;
    extend(r.mother, r.rule, 1, i, j, nullptr, node, other_kind);
    if (!other_kind && r.second == symbol_count_)
      other_kind = find_node(x, i, j, node->head, node->lexical == 0) != nullptr;
  }
}

void Chart::extend(int mother, int rule, int dot, int start, int end, ChartItem* previous,
                   ForestNode* daughter, bool may_exist) {
  const std::vector<int>& daughters = grammar_.rule(mother, rule).daughters;
  int waits_for = dot < static_cast<int>(daughters.size()) ? daughters[dot] : symbol_count_;
  if (waits_for != symbol_count_ && !lookahead_.may_start(end, waits_for)) return;
  ChartItem* item;
  if (may_exist) {
    bool is_new;
    std::tie(item, is_new) =
        find_or_make_item(mother, rule, dot, start, end, kNoHead, previous, daughter);
    if (!is_new) return;  // already waiting, and if complete, already in its node
  } else {
    item = make_item(mother, rule, dot, start, end, kNoHead);
    item->links = new (pool_.allocate(sizeof(DaughterLink)))
        DaughterLink{PROB::zero(), previous, daughter, nullptr};
  }
  ChartItem*& slot = slots_[end][waits_for];
  if (slot == nullptr && waits_for != symbol_count_) prediction_.want(end, waits_for);
  item->next_waiting = slot;
  slot = item;
  if (waits_for == symbol_count_) add_node(mother, start, end, item);
}

void Chart::collect_roots(int n) {
  roots_.clear();
  for (int x = 0; x < symbol_count_; ++x) {
    if (!(grammar_.data[x].start_prob > 0)) continue;
    if (ForestNode* node = find_node(x, 0, n, kNoHead, false)) roots_.push_back(node);
    if (ForestNode* node = find_node(x, 0, n, kNoHead, true)) roots_.push_back(node);
  }
  // The root list grows at the front.
  std::reverse(roots_.begin(), roots_.end());
}

}  // namespace velmo
