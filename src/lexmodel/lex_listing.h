// The -print-model listings of the head-lexicalised model: lexicalised start, lexical-choice and
// rule probabilities (and with -stems the lemma probabilities, always on standard output).
#pragma once

#include <cstdio>

#include "base/run_config.h"
#include "lexmodel/lex_model.h"
#include "model/model.h"

namespace velmo {

void print_lexicalised_start(FILE* out, const Model& model, const LexModel& lex,
                             const RunConfig& config);
void print_lexical_choice(FILE* out, const Model& model, const LexModel& lex,
                          const PoolingClasses& pooling, const RunConfig& config);
void print_lexicalised_rules(FILE* out, const Model& model, const LexModel& lex,
                             const RunConfig& config);
// All three, for a model that was not estimated here (a parameter file).
void print_lexicalised_model(FILE* out, const Model& model, const LexicalisedModel& lexicalised,
                             const RunConfig& config);

}  // namespace velmo
