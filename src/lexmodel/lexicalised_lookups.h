// The lookups of the probability passes on a lexicalised forest: every lexicalised probability
// the parser, the pruning and interactive mode ask for, with the backoff the tables imply.
#pragma once

#include <string_view>

#include "base/run_config.h"
#include "lexmodel/lex_model.h"
#include "model/model.h"
#include "parser/inside_outside.h"

namespace velmo {

class LexicalisedLookups : public LexicalisedProbabilities {
 public:
  LexicalisedLookups(const Model& model, const LexicalisedModel& lexicalised,
                     const RunConfig& config)
      : model_(model), lex_(lexicalised.lex), pooling_(lexicalised.pooling), config_(config) {}

  double start(int category, int head) const override;
  double word(std::string_view word, int category, int head) const override;
  double rule(int mother, int rule, int head) const override;
  double choice(int daughter_head, int daughter_category, int parent_category,
                int parent_head) const override;
  double lexical(int category, int head) const;
  // The choice between classes (what `choice` asks after pooling the categories).
  double class_choice(int daughter_head, int daughter_class, int parent_class,
                      int parent_head) const;

 private:
  double unknown_shape(std::string_view word, int category) const;

  const Model& model_;
  const LexModel& lex_;
  const PoolingClasses& pooling_;
  const RunConfig& config_;
};

}  // namespace velmo
