// Estimation of the head-lexicalised model from the frequencies its tables hold.
#pragma once

#include <cstdio>

#include "base/run_config.h"
#include "lexmodel/lex_model.h"
#include "model/model.h"

namespace velmo {

// The whole estimation: the unlexicalised model first, then the lexicalised start, choice and
// rule tables, each listed on `listing` (-print-model) when given.
void estimate_lexicalised_model(Model& model, LexicalisedModel& lexicalised,
                                const RunConfig& config, FILE* listing);

}  // namespace velmo
