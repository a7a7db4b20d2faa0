#include "parser/pruning.h"

#include <cmath>
#include <memory>
#include <vector>

#include "parser/forest_walk.h"
#include "parser/probability_passes.h"

namespace velmo {

namespace {

RunConfig without_sentence_probabilities(const RunConfig& config) {
  RunConfig quiet = config;
  quiet.sent_probs = false;
  return quiet;
}

// What pruning knows of a record: unlikely (below the threshold, or unreached), likely but not
// yet looked at below, kept (likely, with something kept below it), or kept and cut (its lists
// hold kept records only).
enum Mark : char { kRemoved, kLikely, kKept, kCut };

// The outside pass, marking every record as soon as its outside value is complete.
struct MarkingOutsidePass : OutsidePass {
  MarkingOutsidePass(Chart& chart, const ProbModel& pm, double log_threshold,
                     PROB sentence_prob, RecordValues<Mark>& marks)
      : OutsidePass(chart, pm),
        log_threshold(log_threshold),
        sentence_prob(sentence_prob),
        marks(marks) {}
  double log_threshold;
  PROB sentence_prob;
  RecordValues<Mark>& marks;

  template <class Record>
  void mark(Record* r) {
    marks.enter(r);
    const PROB posterior = r->inside * outside_of(r);
    const bool likely = !posterior.is_zero() && posterior.log - sentence_prob.log >= log_threshold;
    marks[r] = likely ? kLikely : kRemoved;
  }
  PROB outside_of(const ForestNode* node) const { return node->outside; }
  PROB outside_of(const ChartItem* item) const { return chart.outside(item); }
  void node_before(ForestNode* node) {
    mark(node);
    OutsidePass::node_before(node);
  }
  void item_before(ChartItem* item) {
    mark(item);
    OutsidePass::item_before(item);
  }
  void complete_item_before(ChartItem* item) { item_before(item); }
};

// Decides, daughters first, which likely records stay (those with something kept below them),
// and then unlinks everything else from what stays. Both walk only the likely records; the
// outside pass has refused a cyclic forest.
class Cutter {
 public:
  explicit Cutter(RecordValues<Mark>& marks) : marks_(marks) {}

  bool decide(ForestNode* node) {
    Mark& m = marks_[node];
    if (m != kLikely) return m != kRemoved;
    bool any = node->lexical != 0;
    for (ChartItem* a : analyses(node)) any = decide(a) || any;
    m = any ? kKept : kRemoved;
    return any;
  }
  bool decide(ChartItem* item) {
    Mark& m = marks_[item];
    if (m != kLikely) return m != kRemoved;
    bool any = false;
    for (DaughterLink* l : links(item)) {
      const bool previous = l->previous == nullptr || decide(l->previous);
      any = (decide(l->daughter) && previous) || any;
    }
    m = any ? kKept : kRemoved;
    return any;
  }

  void cut(ForestNode* node) {
    if (marks_[node] == kCut) return;
    marks_[node] = kCut;
    keep_members(node, [&](ChartItem* analysis) {
      if (!kept(analysis)) return false;
      cut(analysis);
      return true;
    });
  }
  void cut(ChartItem* item) {
    if (marks_[item] == kCut) return;
    marks_[item] = kCut;
    keep_members(item, [&](DaughterLink* l) {
      if (!(l->previous == nullptr || kept(l->previous)) || !kept(l->daughter)) return false;
      if (l->previous) cut(l->previous);
      cut(l->daughter);
      return true;
    });
  }

 private:
  bool kept(const ForestNode* node) { return marks_[node] >= kKept; }
  bool kept(const ChartItem* item) { return marks_[item] >= kKept; }
  RecordValues<Mark>& marks_;
};

}  // namespace

ForestPruner::ForestPruner(const Model& model, const RunConfig& config)
    : quiet_config_(without_sentence_probabilities(config)),
      pm_(model, quiet_config_),
      threshold_(config.prune) {}

bool ForestPruner::prune(Chart& chart) {
  pm_.refresh();  // training may have estimated new probabilities
  const PROB sentence_prob = compute_inside_counting_references(chart, pm_);
  if (sentence_prob.is_zero()) return false;
  RecordValues<Mark> marks(chart);
  MarkingOutsidePass outside(chart, pm_, std::log(threshold_), sentence_prob, marks);
  top_down_walk_counted(chart, outside);
  Cutter cutter(marks);
  std::vector<ForestNode*> roots;
  for (ForestNode* root : chart.roots())
    if (cutter.decide(root)) roots.push_back(root);
  if (roots.empty()) return false;
  for (ForestNode* root : roots) cutter.cut(root);
  chart.roots() = std::move(roots);
  return true;
}

namespace {

class PruningStage : public ForestStage {
 public:
  PruningStage(const Model& model, const RunConfig& config) : pruner_(model, config) {}
  void apply(ParsedSentence& parsed) override {
    if (!parsed.chart.roots().empty()) pruner_.prune(parsed.chart);
  }

 private:
  ForestPruner pruner_;
};

}  // namespace

std::unique_ptr<ForestStage> make_pruner(const Model& model, const RunConfig& config) {
  return std::make_unique<PruningStage>(model, config);
}

}  // namespace velmo
