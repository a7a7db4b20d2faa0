#include "parser/pruning.h"

#include <cmath>
#include <vector>

#include "parser/forest_walk.h"

namespace velmo {

namespace {

RunConfig without_sentence_probabilities(const RunConfig& config) {
  RunConfig quiet = config;
  quiet.sent_probs = false;
  return quiet;
}

// Decides, daughters first, which records stay: those at or above the threshold with something
// left below them. A record met again on a cycle before it is decided counts as removed.
struct MarkPass : ForestVisitor<MarkPass> {
  MarkPass(double log_threshold, PROB sentence_prob)
      : log_threshold(log_threshold), sentence_prob(sentence_prob) {}
  double log_threshold;
  PROB sentence_prob;
  RecordValues<char> kept;

  template <class Record>
  bool likely(const Record* r) const {
    const PROB posterior = r->inside * r->outside;
    return !posterior.is_zero() && posterior.log - sentence_prob.log >= log_threshold;
  }
  bool link_kept(const DaughterLink* l) {
    return (l->previous == nullptr || kept[l->previous]) && kept[l->daughter];
  }
  void node_before(ForestNode* node) { kept.enter(node); }
  void item_before(ChartItem* item) { kept.enter(item); }
  void item_after(ChartItem* item) {
    bool any = false;
    for (const DaughterLink* l = item->links; l && !any; l = l->next) any = link_kept(l);
    kept[item] = any && likely(item);
  }
  void node_after(ForestNode* node) {
    bool any = node->lexical != 0;
    for (const ChartItem* a = node->analyses; a && !any; a = a->next_analysis) any = kept[a];
    kept[node] = any && likely(node);
  }
};

// Unlinks what the marks removed, before the walk goes below a record, so that it only walks
// what stays.
struct CutPass : ForestVisitor<CutPass> {
  explicit CutPass(MarkPass& marks) : marks(marks) {}
  MarkPass& marks;

  void node_before(ForestNode* node) {
    ChartItem** at = &node->analyses;
    while (*at) {
      if (marks.kept[*at]) {
        at = &(*at)->next_analysis;
      } else {
        *at = (*at)->next_analysis;
      }
    }
  }
  void item_before(ChartItem* item) {
    DaughterLink** at = &item->links;
    while (*at) {
      if (marks.link_kept(*at)) {
        at = &(*at)->next;
      } else {
        *at = (*at)->next;
      }
    }
  }
};

}  // namespace

ForestPruner::ForestPruner(const Model& model, const RunConfig& config)
    : quiet_config_(without_sentence_probabilities(config)),
      pm_(model, quiet_config_),
      threshold_(config.prune) {}

bool ForestPruner::prune(Chart& chart, const Sentence& sentence) const {
  ForestProbs probs;
  compute_inside_outside(chart, pm_, sentence, probs);
  if (probs.sentence_prob.is_zero()) return false;
  MarkPass marks(std::log(threshold_), probs.sentence_prob);
  walk(chart, marks);
  std::vector<ForestNode*> roots;
  for (ForestNode* root : chart.roots())
    if (marks.kept[root]) roots.push_back(root);
  if (roots.empty()) return false;
  chart.roots() = std::move(roots);
  CutPass cut(marks);
  walk(chart, cut);
  return true;
}

}  // namespace velmo
