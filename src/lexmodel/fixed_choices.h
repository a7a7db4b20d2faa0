// Fixed lexical choices (-fixed): contexts (daughter class, parent class, parent head) whose
// daughter head is fixed by hand; the lexical-choice lookup then gives that head 1 and every
// other head 0.
#pragma once

#include <cstdio>

#include "base/run_config.h"
#include "lexmodel/lex_model.h"
#include "model/model.h"

namespace velmo {

// Reads records "daughter-head daughter-class parent-class parent-head" into lex.fixed, sorted
// by context; two records for one context are contradicting (both are printed, then fatal).
void read_fixed_lexical_choices(FILE* in, const Model& model, LexicalisedModel& lexicalised,
                                const RunConfig& config);

}  // namespace velmo
