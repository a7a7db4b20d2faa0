#include "parser/chart.h"

#include <algorithm>
#include <cassert>
#include <tuple>

#include "base/diagnostics.h"

namespace velmo {

namespace {

constexpr uint64_t kGoldenRatio64 = 0x9E3779B97F4A7C15u;
constexpr int kInitialShift = 20;  // 4096 buckets: the top 12 bits of the product
constexpr int kGrowthShift = 3;    // each growth multiplies the bucket count by 8
constexpr int kMaxLoad = 4;        // entries per bucket before the table grows

// A sentence starts with the bucket count that the tables have (see
// shrink_after_small_sentences), so that a text of similar sentences does not grow them again
// for every sentence. The array is kept and cleared when the count stays the same.
template <class Entry>
void reset_buckets(std::vector<Entry>& buckets, int& shift) {
  std::size_t size = std::size_t{1} << (32 - shift);
  if (buckets.size() == size) {
    std::fill(buckets.begin(), buckets.end(), Entry{});
  } else {
    std::vector<Entry>(size, Entry{}).swap(buckets);
  }
}

// The tables keep the size of the largest recent sentence; after kSmallSentences sentences in a
// row whose records would have fitted into an eighth of the buckets, they start smaller again.
// Clearing a table costs less than growing it, but not nothing for a run of short sentences.
constexpr int kSmallSentences = 16;

void shrink_after_small_sentences(int& shift, int count, std::size_t buckets, int& small) {
  if (shift >= kInitialShift) return;
  if (static_cast<std::size_t>(count) > kMaxLoad * (buckets >> kGrowthShift)) {
    small = 0;
  } else if (++small == kSmallSentences) {
    small = 0;
    shift += kGrowthShift;
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
  for (int m = 0; m < symbol_count_; ++m) {
    rule_base_.push_back(static_cast<int>(rule_first_.size()));
    for (const Rule& rule : grammar.data[m].rules) {
      rule_first_.push_back(static_cast<int>(rule_daughters_.size()));
      for (int d : rule.daughters) rule_daughters_.push_back(static_cast<int16_t>(d));
    }
  }
  rule_first_.push_back(static_cast<int>(rule_daughters_.size()));
  begin_sentence();
}

Chart::~Chart() = default;

void Chart::begin_sentence() {
  pool_.release_all();
  lookahead_.begin_sentence();
  prediction_.begin_sentence();
  brackets_ = nullptr;
  shrink_after_small_sentences(node_shift_, node_count_, node_buckets_.size(), small_for_nodes_);
  shrink_after_small_sentences(item_shift_, item_count_, item_buckets_.size(), small_for_items_);
  reset_buckets(node_buckets_, node_shift_);
  reset_buckets(item_buckets_, item_shift_);
  node_count_ = item_count_ = 0;
  item_records_ = 0;
  item_variants_.clear();
  link_count_ = 0;
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
    slots_[open_positions_].assign(symbol_count_, nullptr);
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
uint32_t Chart::item_bucket(const ItemKey& k) const {
  uint64_t key = static_cast<uint64_t>(static_cast<uint16_t>(k.mother)) |
                 static_cast<uint64_t>(static_cast<uint16_t>(k.rule)) << 15 |
                 static_cast<uint64_t>(static_cast<uint8_t>(k.dot)) << 30 |
                 static_cast<uint64_t>(static_cast<uint16_t>(k.start)) << 37 |
                 static_cast<uint64_t>(static_cast<uint16_t>(k.end)) << 51;
  key ^= static_cast<uint64_t>(static_cast<uint32_t>(k.head)) * kGoldenRatio64;
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

ChartItem* Chart::make_item(const ItemKey& key) {
  ChartItem* item = pool_.make<ChartItem>();
  item->mother = static_cast<int16_t>(key.mother);
  item->rule = static_cast<int16_t>(key.rule);
  item->dot = static_cast<int16_t>(key.dot);
  item->start = static_cast<int16_t>(key.start);
  item->end = static_cast<int16_t>(key.end);
  item->head = key.head;
  item->number = item_records_++;
  uint32_t& bucket = item_buckets_[item_bucket(key)];
  item->next_in_table.set_bits(bucket);
  bucket = BlockPool::reference(item);
  if (++item_count_ > kMaxLoad * static_cast<int>(item_buckets_.size())) grow_items();
  return item;
}

ChartItem* Chart::find_item(const ItemKey& key) const {
  const uint32_t first = item_buckets_[item_bucket(key)];
  ChartItem* item = first ? static_cast<ChartItem*>(pool_.address(first)) : nullptr;
  while (item && !key.matches(*item)) item = item->next_in_table;
  return item;
}

std::pair<ChartItem*, bool> Chart::find_or_make_item(const ItemKey& key, ChartItem* previous,
                                                     ForestNode* daughter) {
  ChartItem* item = find_item(key);
  bool is_new = item == nullptr;
  if (is_new) item = make_item(key);
  if (daughter) add_link(item, previous, daughter);
  return {item, is_new};
}

void Chart::add_link(ChartItem* item, ChartItem* previous, ForestNode* daughter) {
  ++link_count_;
  DaughterLink* link = pool_.make<DaughterLink>();
  link->previous = previous;
  link->daughter = daughter;
  link->next = item->links;
  item->links = link;
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
  item->number = item_records_++;
  return item;
}

// Doubles at least, so that making copies one by one costs amortised constant time.
void Chart::grow_variants() {
  const auto made = static_cast<std::size_t>(item_records_);
  item_variants_.resize(std::max(made, 2 * item_variants_.size()), nullptr);
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
  std::vector<uint32_t> old(std::size_t{1} << (32 - item_shift_), 0);
  old.swap(item_buckets_);
  for (uint32_t first : old) {
    ChartItem* i = first ? static_cast<ChartItem*>(pool_.address(first)) : nullptr;
    while (i) {
      ChartItem* next = i->next_in_table;
      uint32_t& bucket = item_buckets_[item_bucket(ItemKey::of(*i))];
      i->next_in_table.set_bits(bucket);
      bucket = BlockPool::reference(i);
      i = next;
    }
  }
}

ForestNode* Chart::add_node(int category, int start, int end, ChartItem* analysis) {
  if (end >= open_positions_) open_position(end);
  if (analysis == nullptr && brackets_ && !brackets_->node_allowed(category, start, end))
    return nullptr;
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
  // Only the entries there now: the count of the first block is taken before the loop.
  WaitingBlock* block = slots_[i][x];
  for (int k = block ? block->count : 0; block;) {
    for (const Waiting* w = block->entries() + k; w-- != block->entries();) {
      extend(w->mother, w->rule, w->dot + 1, w->start, j, w->item, node, true);
    }
    block = block->older;
    if (block) k = block->count;
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
  const int next = waits_for(mother, rule, dot);
  if (next != symbol_count_ && !lookahead_.may_start(end, next)) return;
  if (brackets_ && !(next == symbol_count_ ? brackets_->node_allowed(mother, start, end)
                                           : brackets_->item_allowed(mother, start, end)))
    return;
  const ItemKey key{mother, rule, dot, start, end, kNoHead};
  ChartItem* item;
  if (may_exist) {
    bool is_new;
    std::tie(item, is_new) = find_or_make_item(key, previous, daughter);
    if (!is_new) return;  // already waiting, and if complete, already in its node
  } else {
    item = make_item(key);
    add_link(item, previous, daughter);
  }
  if (next == symbol_count_) {
    add_node(mother, start, end, item);
  } else {
    add_waiting(end, next, item);
  }
}

void Chart::add_waiting(int end, int category, ChartItem* item) {
  WaitingBlock*& first = slots_[end][category];
  if (first == nullptr) prediction_.want(end, category);
  if (first == nullptr || first->count == first->capacity) {
    int capacity = first ? std::min(2 * first->capacity, kMaxWaitingBlock) : 2;
    auto* block = static_cast<WaitingBlock*>(
        pool_.allocate(sizeof(WaitingBlock) + capacity * sizeof(Waiting)));
    block->older = first;
    block->count = 0;
    block->capacity = capacity;
    first = block;
  }
  Waiting& entry = first->entries()[first->count++];
  entry.item = item;
  entry.mother = item->mother;
  entry.rule = item->rule;
  entry.dot = item->dot;
  entry.start = item->start;
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
