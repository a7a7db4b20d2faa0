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
// pass enters, found through the record's `number`.
template <class T>
class RecordValues {
 public:
  template <class Record>
  void enter(Record* record) {
    record->number = static_cast<int32_t>(values_.size());
    values_.push_back(T{});
  }
  template <class Record>
  T& operator[](const Record* record) {
    return values_[record->number];
  }
  // Room for `records` values, so that entering them does not move the array.
  void reserve(std::size_t records) { values_.reserve(records); }

 private:
  std::vector<T> values_;
};

namespace walk_detail {

template <class V>
void visit_item(ChartItem* item, bool complete, uint16_t stamp, V& v);

template <class V>
void visit_node(ForestNode* node, uint16_t stamp, V& v) {
  if (node->stamp == stamp) return;
  node->stamp = stamp;
  v.node_before(node);
  for (ChartItem* a = node->analyses; a; a = a->next_analysis) visit_item(a, true, stamp, v);
  v.node_after(node);
}

template <class V>
void visit_item(ChartItem* item, bool complete, uint16_t stamp, V& v) {
  if (item->stamp == stamp) return;
  item->stamp = stamp;
  if (complete) v.complete_item_before(item); else v.item_before(item);
  for (DaughterLink* l = item->links; l; l = l->next) {
    if (l->previous) visit_item(l->previous, false, stamp, v);
    visit_node(l->daughter, stamp, v);
  }
  if (complete) v.complete_item_after(item); else v.item_after(item);
}

struct RefCounter : ForestVisitor<RefCounter> {
  void root_before(ForestNode* root) { ++root->ref_count; }
  void node_before(ForestNode* node) {
    for (ChartItem* a = node->analyses; a; a = a->next_analysis) ++a->ref_count;
  }
  void item_before(ChartItem* item) {
    for (DaughterLink* l = item->links; l; l = l->next) {
      if (l->previous) ++l->previous->ref_count;
      ++l->daughter->ref_count;
    }
  }
};

template <class V>
void process_item(ChartItem* item, bool complete, V& v);

template <class V>
void process_node(ForestNode* node, V& v) {
  if (node->ref_count == 0) fatal_error("Cyclic grammar");
  if (--node->ref_count > 0) return;
  v.node_before(node);
  for (ChartItem* a = node->analyses; a; a = a->next_analysis) process_item(a, true, v);
  v.node_after(node);
}

template <class V>
void process_item(ChartItem* item, bool complete, V& v) {
  if (--item->ref_count > 0) return;
  if (complete) v.complete_item_before(item); else v.item_before(item);
  for (DaughterLink* l = item->links; l; l = l->next) {
    if (l->previous) process_item(l->previous, false, v);
    process_node(l->daughter, v);
  }
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

// The counting pass of top_down_walk as an addition to another walk: a visitor derived from
// WithReferenceCounts<Pass> does Pass's work and counts the references in the same walk, after
// which top_down_walk_counted needs no walk of its own to count them.
template <class Pass>
struct WithReferenceCounts : Pass {
  using Pass::Pass;
  void root_before(ForestNode* root) {
    walk_detail::RefCounter().root_before(root);
    Pass::root_before(root);
  }
  void node_before(ForestNode* node) {
    walk_detail::RefCounter().node_before(node);
    Pass::node_before(node);
  }
  void item_before(ChartItem* item) {
    walk_detail::RefCounter().item_before(item);
    Pass::item_before(item);
  }
  void complete_item_before(ChartItem* item) {
    walk_detail::RefCounter().item_before(item);
    Pass::complete_item_before(item);
  }
};

// The processing pass of top_down_walk, on counts that a walk has just set.
template <class V>
void top_down_walk_counted(Chart& chart, V& visitor) {
  for (ForestNode* root : chart.roots()) {
    visitor.root_before(root);
    walk_detail::process_node(root, visitor);
    visitor.root_after(root);
  }
}

template <class V>
void top_down_walk(Chart& chart, V& visitor) {
  walk_detail::RefCounter counter;
  walk(chart, counter);
  top_down_walk_counted(chart, visitor);
}

}  // namespace velmo
