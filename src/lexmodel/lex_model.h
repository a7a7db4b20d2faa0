// LexModel: the parameters of the head-lexicalised model. Lexicalised start probabilities
// P(head | start category), rule probabilities P(rule | mother, head) with the probability that
// the mother with that head is a word, and lexical-choice probabilities P(daughter head |
// daughter class, parent class, parent head) that back off to P(daughter head | daughter
// class, parent class) and P(daughter head | daughter class). Every list is sorted by id and
// searched by bisection; an absent entry means backoff.
//
// The tables are filled with frequencies from the lexicalised frequency files (or with
// probabilities from a parameter file), estimated once, and then only read: they implement the
// lexicalised lookups of the probability passes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "base/run_config.h"
#include "lexmodel/pooling.h"
#include "model/model.h"
#include "parser/inside_outside.h"

namespace velmo {

struct HeadProbability {
  int32_t head;
  float freq;
  double prob;
};
using HeadDistribution = std::vector<HeadProbability>;  // ascending head id

struct LexicalisedStart {
  HeadDistribution entries;
  double unseen = 0.0;  // the probability of each head without entry
};

struct LexicalisedRuleEntry {
  int16_t rule;  // index among the mother's rules
  float freq;
  double prob;
};

struct LexicalisedHead {
  int32_t head;
  std::vector<LexicalisedRuleEntry> rules;  // ascending rule index
  double backoff = 0.0;  // multiplies the unlexicalised probability of a rule without entry
  double lexical = 0.0;  // probability that the mother with this head is a word
};

struct ParentHeadChoices {
  int32_t parent_head;
  HeadDistribution entries;
  double backoff = 0.0;
};

struct ParentClassChoices {
  int32_t parent_class;
  HeadDistribution entries;
  double backoff = 0.0;
  std::vector<ParentHeadChoices> heads;  // ascending parent head
};

struct DaughterClassChoices {
  int32_t daughter_class;
  HeadDistribution entries;
  double unseen = 0.0;
  std::vector<ParentClassChoices> parents;  // ascending parent class
};

// A context whose daughter head is fixed by hand (-fixed).
struct FixedChoice {
  int32_t daughter_head, daughter_class, parent_class, parent_head;
};

struct LexModel {
  std::vector<LexicalisedStart> starts;              // per symbol
  std::vector<std::vector<LexicalisedHead>> rules;   // per mother symbol, ascending head
  std::vector<DaughterClassChoices> choices;         // ascending daughter class
  std::vector<FixedChoice> fixed;  // ascending (daughter class, parent class, parent head)

  // Empty start, rule and choice tables for a grammar of `symbol_count` symbols (the fixed
  // choices stay).
  void reset(int symbol_count);
};

// Smoothing of n observed frequencies with `unseen` events never observed: the values become
// probabilities, and the result is the probability of each event that counts as unseen (the
// unobserved ones and those seen less than 0.9 times, which get 0).
double smooth(std::vector<double>& values, int unseen);
// 1 minus the probabilities in `general` of the heads that `specific` lists.
double backoff_sum(const HeadDistribution& specific, const HeadDistribution& general);

// Counts the distinct heads of every symbol and child pooling class (the head count fields).
void count_heads(Model& model, PoolingClasses& pooling, const RunConfig& config);

// The listings of -print-model for a model that was not estimated here (a parameter file):
// lexicalised start, lexical-choice and rule probabilities, as the estimation prints them.
void print_lexicalised_model(FILE* out, const Model& model, const LexModel& lex,
                             const PoolingClasses& pooling, const RunConfig& config);
// The whole estimation: the unlexicalised model first, then the lexicalised start, choice and
// rule tables, each listed on `listing` (-print-model) when given.
void estimate_lexicalised_model(Model& model, LexModel& lex, const PoolingClasses& pooling,
                                const RunConfig& config, FILE* listing);

// The lookups of the probability passes on a lexicalised forest.
class LexicalisedLookups : public LexicalisedProbabilities {
 public:
  LexicalisedLookups(const Model& model, const LexModel& lex, const PoolingClasses& pooling,
                     const RunConfig& config)
      : model_(model), lex_(lex), pooling_(pooling), config_(config) {}

  double start(int category, int head) const override;
  double word(std::string_view word, int category, int head) const override;
  double rule(int mother, int rule, int head) const override;
  double choice(int daughter_head, int daughter_category, int parent_category,
                int parent_head) const override;
  double lexical(int category, int head) const;

 private:
  int head_count(int id) const;
  double unknown_shape(std::string_view word, int category) const;

  const Model& model_;
  const LexModel& lex_;
  const PoolingClasses& pooling_;
  const RunConfig& config_;
};

}  // namespace velmo
