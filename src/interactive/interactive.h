// The interactive examination of a head-lexicalised model (-interactive): a command loop that
// lists, for a word and a category, its lexicalised rule probabilities, and for a word, a
// parent and a daughter category, the daughter heads' lexical-choice probabilities; the last
// result can be appended to an output file. The model is only read.
#pragma once

#include <cstdio>

#include "base/run_config.h"
#include "lexmodel/lex_model.h"
#include "model/model.h"

namespace velmo {

// Reads commands from `in` (answers and messages on `out`, refusals of "words" on standard
// error) until the user confirms quitting or the input ends; an output file still open is
// closed.
void interactive_session(FILE* in, FILE* out, const Model& model,
                         const LexicalisedModel& lexicalised, const RunConfig& config);

}  // namespace velmo
