// The two traversals of a packed forest on which every computation and printer is built.
//
// A visitor derives from ForestVisitor<Self> and hides the callbacks it needs; the others do
// nothing. complete_item_before/after default to item_before/after.
//
// walk: depth first from each root in root-list order; each node and item is handled once per
// walk. "before" callbacks see a parent before its daughters, "after" callbacks see all
// daughters done (bottom-up). Within an item, each link's previous item is visited before the
// link's daughter. In a cyclic forest a node still open counts as done.
//
// top_down_walk: prerequisite order: every node and item is handled only after everything that
// refers to it. Nodes on a cycle are never handled.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

#include "base/diagnostics.h"
#include "parser/chart.h"

namespace velmo {

template <class Self>
struct ForestVisitor {
  void root_before(ForestNode*) {}
  void root_after(ForestNode*) {}
  void node_before(ForestNode*) {}
  void node_after(ForestNode*) {}
  void item_before(ChartItem*) {}
  void item_after(ChartItem*) {}
  void complete_item_before(ChartItem* item) { static_cast<Self*>(this)->item_before(item); }
  void complete_item_after(ChartItem* item) { static_cast<Self*>(this)->item_after(item); }
};

// Values that a pass keeps beside the forest instead of in every record: one per record the
// pass enters, found through the node's `number` (which entering sets) or the item's.
template <class T>
class RecordValues {
 public:
  // Room for every item and node of the chart, so that entering them does not move the arrays.
  explicit RecordValues(const Chart& chart)
      : items_(static_cast<std::size_t>(chart.item_records())) {
    nodes_.reserve(static_cast<std::size_t>(chart.node_count()));
  }
  void enter(ForestNode* node) {
    node->number = static_cast<int32_t>(nodes_.size());
    nodes_.push_back(T{});
  }
  void enter(const ChartItem* item) { items_[item->number] = T{}; }
  T& operator[](const ForestNode* node) { return nodes_[node->number]; }
  T& operator[](const ChartItem* item) { return items_[item->number]; }
  template <class Record>
  T& operator[](const PoolRef<Record>& record) {
    return (*this)[static_cast<const Record*>(record)];
  }

 private:
  std::vector<T> nodes_;
  std::vector<T> items_;
};

// Edits of the forest's lists in place: a node's analyses and an item's links. ListOf<Owner>
// tells where an owner's list starts and how its members chain.
template <class Owner>
struct ListOf;
template <>
struct ListOf<ForestNode> {
  using Member = ChartItem;
  static PoolRef<ChartItem>& first(ForestNode* node) { return node->analyses; }
  static constexpr PoolRef<ChartItem> ChartItem::*next = &ChartItem::next_analysis;
};
template <>
struct ListOf<ChartItem> {
  using Member = DaughterLink;
  static PoolRef<DaughterLink>& first(ChartItem* item) { return item->links; }
  static constexpr PoolRef<DaughterLink> DaughterLink::*next = &DaughterLink::next;
};
template <class Owner>
using MemberOf = typename ListOf<Owner>::Member;

// Puts `member`, which is in no list of its kind, in front of the owner's list.
template <class Owner>
void push_front(Owner* owner, MemberOf<Owner>* member) {
  member->*ListOf<Owner>::next = ListOf<Owner>::first(owner);
  ListOf<Owner>::first(owner) = member;
}

// Moves a member of the owner's list to its front.
template <class Owner>
void move_to_front(Owner* owner, MemberOf<Owner>* member) {
  constexpr auto next = ListOf<Owner>::next;
  PoolRef<MemberOf<Owner>>& head = ListOf<Owner>::first(owner);
  MemberOf<Owner>* first = head;
  if (member == first) return;
  MemberOf<Owner>* before = first;
  while (before->*next != member) before = before->*next;
  before->*next = member->*next;
  member->*next = first;
  head = member;
}

// Moves the member of greatest value to the front and returns it; a later member replaces the
// best so far only when strictly greater. The list must not be empty.
template <class Owner, class Value>
MemberOf<Owner>* move_best_to_front(Owner* owner, Value value) {
  constexpr auto next = ListOf<Owner>::next;
  MemberOf<Owner>* best = ListOf<Owner>::first(owner);
  PROB best_value = value(best);
  for (MemberOf<Owner>* m = best->*next; m; m = m->*next) {
    const PROB v = value(m);
    if (v > best_value) {
      best_value = v;
      best = m;
    }
  }
  move_to_front(owner, best);
  return best;
}

// Keeps the members for which keep(member) holds, in their order; keep may walk below them.
template <class Owner, class Keep>
void keep_members(Owner* owner, Keep keep) {
  constexpr auto next = ListOf<Owner>::next;
  PoolRef<MemberOf<Owner>>* at = &ListOf<Owner>::first(owner);
  while (MemberOf<Owner>* member = *at) {
    if (keep(member)) {
      at = &(member->*next);
    } else {
      *at = member->*next;
    }
  }
}

// Sorts the owner's list by value, highest first; ties end up in reverse order of the old list
// (a member goes before the first one whose value is lower or equal). The values are computed
// once per member into `scratch`.
template <class Owner, class Value>
void sort_by_value(Owner* owner, Value value,
                   std::vector<std::pair<PROB, MemberOf<Owner>*>>& scratch) {
  constexpr auto next = ListOf<Owner>::next;
  scratch.clear();
  for (MemberOf<Owner>* m = ListOf<Owner>::first(owner); m; m = m->*next)
    scratch.emplace_back(value(m), m);
  std::reverse(scratch.begin(), scratch.end());
  std::stable_sort(scratch.begin(), scratch.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  MemberOf<Owner>* sorted = nullptr;
  for (auto entry = scratch.rbegin(); entry != scratch.rend(); ++entry) {
    entry->second->*next = sorted;
    sorted = entry->second;
  }
  ListOf<Owner>::first(owner) = sorted;
}

namespace walk_detail {

// The item's links in order, each next one fetched into the cache while the walk is below the
// one before: the walks spend most of their time waiting for records. The item's own list
// must not change meanwhile.
template <class Body>
void for_each_link(ChartItem* item, Body body) {
  for (DaughterLink* l = first_link(item); l;) {
    DaughterLink* next = l->next;
    if (next) __builtin_prefetch(next);
    body(l);
    l = next;
  }
}

template <class V>
void visit_item(ChartItem* item, bool complete, uint16_t stamp, V& v);

template <class V>
void visit_node(ForestNode* node, uint16_t stamp, V& v) {
  if (node->stamp == stamp) return;
  node->stamp = stamp;
  v.node_before(node);
  for (ChartItem* a : analyses(node)) visit_item(a, true, stamp, v);
  v.node_after(node);
}

template <class V>
void visit_item(ChartItem* item, bool complete, uint16_t stamp, V& v) {
  if (item->stamp == stamp) return;
  item->stamp = stamp;
  if (complete) v.complete_item_before(item); else v.item_before(item);
  for_each_link(item, [&](DaughterLink* l) {
    if (l->previous) visit_item(l->previous, false, stamp, v);
    visit_node(l->daughter, stamp, v);
  });
  if (complete) v.complete_item_after(item); else v.item_after(item);
}

// Counts from zero, for the chart's items as for the nodes.
struct RefCounter : ForestVisitor<RefCounter> {
  explicit RefCounter(Chart& chart) : chart(chart) { chart.clear_ref_counts(); }
  Chart& chart;
  void root_before(ForestNode* root) { ++root->ref_count; }
  void node_before(ForestNode* node) {
    for (ChartItem* a : analyses(node)) ++chart.ref_count(a);
  }
  void item_before(ChartItem* item) {
    for (DaughterLink* l : links(item)) {
      if (l->previous) ++chart.ref_count(l->previous);
      ++l->daughter->ref_count;
    }
  }
};

template <class V>
void process_item(Chart& chart, ChartItem* item, bool complete, V& v);

template <class V>
void process_node(Chart& chart, ForestNode* node, V& v) {
  if (node->ref_count == 0) fatal_error("Cyclic grammar");
  if (--node->ref_count > 0) return;
  v.node_before(node);
  for (ChartItem* a : analyses(node)) process_item(chart, a, true, v);
  v.node_after(node);
}

template <class V>
void process_item(Chart& chart, ChartItem* item, bool complete, V& v) {
  if (--chart.ref_count(item) > 0) return;
  if (complete) v.complete_item_before(item); else v.item_before(item);
  for_each_link(item, [&](DaughterLink* l) {
    if (l->previous) process_item(chart, l->previous, false, v);
    process_node(chart, l->daughter, v);
  });
  if (complete) v.complete_item_after(item); else v.item_after(item);
}

}  // namespace walk_detail

template <class V>
void walk(Chart& chart, V& visitor) {
  uint16_t stamp = chart.next_stamp();
  for (ForestNode* root : chart.roots()) {
    visitor.root_before(root);
    walk_detail::visit_node(root, stamp, visitor);
    visitor.root_after(root);
  }
}

// The processing pass of top_down_walk, on counts that a walk has just set (see
// compute_inside_counting_references).
template <class V>
void top_down_walk_counted(Chart& chart, V& visitor) {
  for (ForestNode* root : chart.roots()) {
    visitor.root_before(root);
    walk_detail::process_node(chart, root, visitor);
    visitor.root_after(root);
  }
}

template <class V>
void top_down_walk(Chart& chart, V& visitor) {
  walk_detail::RefCounter counter(chart);
  walk(chart, counter);
  top_down_walk_counted(chart, visitor);
}

}  // namespace velmo
