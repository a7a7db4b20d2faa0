#include "output/forest_values.h"

namespace velmo {

ForestValue listing_value(const RunConfig& config) {
  if (config.inside || config.viterbi_probs) return ForestValue::kInside;
  if (config.outside) return ForestValue::kOutside;
  if (config.freq) return ForestValue::kFreq;
  return ForestValue::kNone;
}

ForestValue vpf_value(const RunConfig& config) {
  if (config.freq) return ForestValue::kFreq;
  if (config.inside || config.viterbi_probs) return ForestValue::kInside;
  if (config.outside) return ForestValue::kOutside;
  return ForestValue::kNone;
}

PROB node_value(ForestValue kind, const ForestNode* node, const ForestProbs& probs) {
  switch (kind) {
    case ForestValue::kInside: return node->inside;
    case ForestValue::kOutside: return node->outside;
    case ForestValue::kFreq: return node->outside * node->inside * probs.scale;
    case ForestValue::kNone: break;
  }
  return PROB::zero();
}

PROB analysis_value(ForestValue kind, const ForestNode* node, const std::vector<AnalysisStep>& path,
                    std::size_t from, const ParsedSentence& ctx) {
  if (kind == ForestValue::kNone) return PROB::zero();
  PROB value = ctx.pm.rule(path[from].item);
  if (kind == ForestValue::kOutside) return value * node->outside;
  if (kind == ForestValue::kFreq) value *= node->outside * ctx.probs.scale;
  for (std::size_t i = from; i < path.size(); ++i) {
    value *= path[i].link->daughter->inside * ctx.pm.choice(path[i].link, path[i].item);
  }
  return value;
}

}  // namespace velmo
