// Inside, outside and Viterbi probabilities over a packed forest, the expected frequencies of
// training, and the model lookups that they multiply.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/run_config.h"
#include "model/model.h"
#include "parser/chart.h"
#include "parser/prob.h"
#include "parser/sentence.h"

namespace velmo {

// The probabilities of the head-lexicalised model (-lexmodel) for the records of a lexicalised
// forest; the head-lexicalised model implements it.
class LexicalisedProbabilities {
 public:
  virtual ~LexicalisedProbabilities() = default;
  // P(head | start category), a factor of the unlexicalised start probability.
  virtual double start(int category, int head) const = 0;
  // The probability of a word reading, in place of the unlexicalised one.
  virtual double word(std::string_view word, int category, int head) const = 0;
  // P(rule | mother, head), in place of the unlexicalised rule probability.
  virtual double rule(int mother, int rule, int head) const = 0;
  // P(daughter head | daughter category, mother category, mother head) of a non-head daughter.
  virtual double choice(int daughter_head, int daughter_category, int parent_category,
                        int parent_head) const = 0;
};

// The probabilities of the model as PROB values for the records of a forest: the one place
// every computation and printer takes them from, so that -lexmodel changes only this.
class ProbModel {
 public:
  ProbModel(const Model& model, const RunConfig& config,
            const LexicalisedProbabilities* lexicalised = nullptr)
      : model_(model), config_(config), lexicalised_(lexicalised) {
    refresh();
  }
  // Takes the rule probabilities anew (their logarithms are kept, one per rule) when they were
  // estimated since the last time; otherwise nothing is done. Called before each forest.
  void refresh();
  PROB start(const ForestNode* node) const;
  PROB lexical(const ForestNode* node) const;
  PROB rule(const ChartItem* item) const;
  PROB choice(const DaughterLink* link, const ChartItem* item) const;
  // daughter.inside * choice, times previous.inside when there is a previous item.
  PROB link_value(const DaughterLink* link, const ChartItem* item) const {
    const ChartItem* previous = link->previous;
    return link_value(link, item, link->daughter->inside,
                      previous ? previous->inside : PROB::zero(), previous != nullptr);
  }
  // The same with the values of the daughter and of the previous item given.
  PROB link_value(const DaughterLink* link, const ChartItem* item, PROB daughter, PROB previous,
                  bool has_previous) const {
    PROB value = daughter;
    if (lexicalised_) value *= choice(link, item);  // 1 without the lexicalised model
    if (has_previous) value *= previous;
    return value;
  }

  const Model& model() const { return model_; }
  const RunConfig& config() const { return config_; }
  const LexicalisedProbabilities* lexicalised() const { return lexicalised_; }

 private:
  const Model& model_;
  const RunConfig& config_;
  const LexicalisedProbabilities* lexicalised_;
  long estimations_seen_ = -1;  // the model's estimation count rule_logs_ belong to
  std::vector<int> rule_base_;  // per mother: the index of its first rule in rule_logs_
  std::vector<PROB> rule_logs_;
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
// Inside values of every node and item, counting each record's references for a top-down walk
// that follows (top_down_walk_counted); returns the sentence probability.
PROB compute_inside_counting_references(Chart& chart, const ProbModel& pm);
// Outside values; needs the inside values.
void compute_outside(Chart& chart, const ProbModel& pm);
// compute_inside and then compute_outside, one walk fewer.
void compute_inside_outside(Chart& chart, const ProbModel& pm, const Sentence& sentence,
                            ForestProbs& probs);
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
