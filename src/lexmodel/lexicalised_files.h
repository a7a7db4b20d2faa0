// Reading the head-lexicalised model's files: the binary pooling file and the lexicalised
// frequency files (.lstart, .lchoice, .lgram) of a training run into the LexModel tables, and
// the lexicalised sections of the binary parameter file. Every count is checked against what
// the file can still hold, every id against the grammar, the lexical items and the pooling
// classes of this run, and every list must be in ascending order: a damaged file, or one
// trained with another grammar, is "Corrupt parameter file: <name>".
#pragma once

#include <cstdio>
#include <string>

#include "base/run_config.h"
#include "lexmodel/lex_model.h"
#include "lexmodel/pooling.h"
#include "model/model.h"

namespace velmo {

// <base>.pool: the classes and every symbol's pools. A file that cannot be opened leaves no
// classes.
void read_pool_file(const std::string& name, Model& model, PoolingClasses& pooling);

void read_lexicalised_start_file(const std::string& name, const Model& model, LexModel& lex,
                                 const RunConfig& config);
// The same from open streams (`name` for messages).
void read_pools(FILE* in, const std::string& name, Model& model, PoolingClasses& pooling);
void read_lexicalised_starts(FILE* in, const std::string& name, const Model& model, LexModel& lex,
                             const RunConfig& config);
void read_lexical_choices(FILE* in, const std::string& name, const Model& model,
                          const PoolingClasses& pooling, LexModel& lex, const RunConfig& config);
void read_lexicalised_rules(FILE* in, const std::string& name, const Model& model, LexModel& lex,
                            const RunConfig& config);
void read_lexical_choice_file(const std::string& name, const Model& model,
                              const PoolingClasses& pooling, LexModel& lex,
                              const RunConfig& config);
void read_lexicalised_rule_file(const std::string& name, const Model& model, LexModel& lex,
                                const RunConfig& config);

// The sections after the unlexicalised ones in a parameter file: pooling classes, lexicalised
// start, rule and choice tables, fixed choices.
void write_lexicalised_sections(FILE* out, const Model& model, const LexModel& lex,
                                const PoolingClasses& pooling);
void read_lexicalised_sections(FILE* in, const std::string& name, const Model& model,
                               LexModel& lex, PoolingClasses& pooling, const RunConfig& config);

}  // namespace velmo
