// The sections after the unlexicalised ones in a binary parameter file, written and read:
// pooling classes, lexicalised start, rule and choice tables, fixed choices. The reader refuses
// a damaged file, or one stored with another grammar, as "Corrupt parameter file: <name>".
#pragma once

#include <cstdio>
#include <string>

#include "base/run_config.h"
#include "lexmodel/lex_model.h"
#include "model/model.h"

namespace velmo {

void write_lexicalised_sections(FILE* out, const Model& model,
                                const LexicalisedModel& lexicalised);
void read_lexicalised_sections(FILE* in, const std::string& name, const Model& model,
                               LexicalisedModel& lexicalised, const RunConfig& config);

}  // namespace velmo
