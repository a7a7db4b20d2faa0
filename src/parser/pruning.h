// Posterior pruning (-prune t): before a forest is lexicalised, the nodes and analyses whose
// posterior probability under the unlexicalised model (inside x outside / sentence probability)
// is below t are removed, so that the lexicalised copy, one record per head and record, is
// made of the parts of the forest that can matter. A record is also removed when nothing is
// left below it; the links that reach a removed record go with it. If that leaves no root, the
// forest is kept whole: a sentence does not fail through pruning.
#pragma once

#include <memory>

#include "base/run_config.h"
#include "model/model.h"
#include "parser/chart.h"
#include "parser/forest_stage.h"
#include "parser/inside_outside.h"

namespace velmo {

class ForestPruner {
 public:
  ForestPruner(const Model& model, const RunConfig& config);
  // Computes the unlexicalised inside and outside values and cuts the forest; false when it
  // was kept whole (no root would remain). Writes nothing to standard error.
  bool prune(Chart& chart);

 private:
  RunConfig quiet_config_;  // the run's options without -sent-probs
  ProbModel pm_;
  double threshold_;
};

// The stage that prunes each parsed forest before it is lexicalised.
std::unique_ptr<ForestStage> make_pruner(const Model& model, const RunConfig& config);

}  // namespace velmo
