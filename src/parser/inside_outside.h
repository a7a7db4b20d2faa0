// Inside, outside and Viterbi probabilities over a packed forest, the expected frequencies of
// training, and the model lookups that they multiply.
#pragma once

#include <cstdint>

#include "driver/run_config.h"
#include "model/model.h"
#include "parser/chart.h"
#include "parser/prob.h"
#include "parser/sentence.h"

namespace velmo {

// The probabilities of the model as PROB values for the records of a forest.
class ProbModel {
 public:
  ProbModel(const Model& model, const RunConfig& config) : model_(model), config_(config) {}
  PROB start(const ForestNode* node) const;
  PROB lexical(const ForestNode* node) const;
  PROB rule(const ChartItem* item) const;
  PROB choice(const DaughterLink* link, const ChartItem* item) const;
  // daughter.inside * choice, times previous.inside when there is a previous item.
  PROB link_value(const DaughterLink* link, const ChartItem* item) const;

  const Model& model() const { return model_; }
  const RunConfig& config() const { return config_; }

 private:
  const Model& model_;
  const RunConfig& config_;
};

// Per-sentence results of the computations.
struct ForestProbs {
  PROB sentence_prob;  // inside probability of the whole sentence
  PROB viterbi_prob;   // probability of the best parse
  PROB scale;          // 1 / sentence probability (times the weight when training)
};

// Inside values of every node and item; sets sentence_prob and scale. Prints "logSP: ..." with
// -sent-probs.
void compute_inside(Chart& chart, const ProbModel& pm, const Sentence& sentence,
                    ForestProbs& probs);
// Outside values; needs the inside values.
void compute_outside(Chart& chart, const ProbModel& pm);
// Viterbi values in the inside fields; sets viterbi_prob. Prints "logVP: ..." with -sent-probs.
void compute_viterbi(Chart& chart, const ProbModel& pm, ForestProbs& probs);
// Where training puts the expected frequencies of lexicalised events: start events (root
// category and head), rule events (mother, head, rule index) and lexical choices (the head of a
// non-head daughter under its mother's head). The head-lexicalised model implements it.
class LexicalisedCounts {
 public:
  virtual ~LexicalisedCounts() = default;
  virtual void add_start(int head, int category, double f) = 0;
  virtual void add_rule(int head, int mother, int rule, double f) = 0;
  virtual void add_choice(int parent_category, int parent_head, int daughter_category,
                          int daughter_head, double f) = 0;
};

// Adds the expected frequencies of the forest to the model (training), and those of its
// lexicalised events to `lexicalised` when given; needs inside and outside.
void estimate_frequencies(Chart& chart, const ProbModel& pm, const ForestProbs& probs,
                          Model& model, LexicalisedCounts* lexicalised = nullptr);

// The number of trees of the forest, modulo 2^64.
uint64_t count_analyses(Chart& chart);

}  // namespace velmo
