// -governors: for every word of a sentence, the lexical heads that govern it (the word heads a
// non-head daughter of a phrase with that head), with their posterior probabilities summed over
// all analyses; those below -gov-threshold are left out.
#pragma once

#include <cstdio>
#include <memory>

#include "parser/forest_stage.h"

namespace velmo {

// Needs the inside and outside values of the lexicalised forest; then flushes.
void print_governors(FILE* out, const ParsedSentence& ctx);

// The consumer of -governors runs: inside and outside values, then the governors.
std::unique_ptr<ForestStage> make_governor_printer(FILE* out);

}  // namespace velmo
