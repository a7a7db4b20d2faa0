// The outside pass as a forest visitor, for the computations of inside_outside.h and for passes
// that add work of their own to it (pruning marks each record as soon as its outside value is
// complete).
#pragma once

#include "parser/forest_walk.h"
#include "parser/inside_outside.h"

namespace velmo {

// Runs top-down, so a record's outside value is complete before it is passed on. The nodes'
// outside values were set to zero by the inside pass; the items' are set to zero here.
struct OutsidePass : ForestVisitor<OutsidePass> {
  OutsidePass(Chart& chart, const ProbModel& pm) : chart(chart), pm(pm) { chart.clear_outside(); }
  Chart& chart;
  const ProbModel& pm;

  void root_before(ForestNode* root) { root->outside += pm.start(root); }
  void node_before(ForestNode* node) {
    for (ChartItem* a : analyses(node)) {
      chart.outside(a) = node->outside * pm.rule(a);
    }
  }
  void item_before(ChartItem* item) {
    const PROB outside = chart.outside(item);
    for (DaughterLink* l : links(item)) {
      PROB x = outside * pm.choice(l, item);
      ForestNode* daughter = l->daughter;
      if (ChartItem* previous = l->previous) {
        chart.outside(previous) += x * daughter->inside;
        daughter->outside += x * previous->inside;
      } else {
        daughter->outside += x;
      }
    }
  }
};

}  // namespace velmo
