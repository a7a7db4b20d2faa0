// The lexicalised frequency files of a training run, written and read: .lgram (rule events),
// .lchoice (lexical-choice events) and .lstart (start events), binary, sorted and grouped by
// their leading ids; with -textpar also their text forms, with names instead of ids (written
// only). The readers fill the frequencies of the LexModel tables and refuse a damaged file, or
// one trained with another grammar, as "Corrupt parameter file: <name>".
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "base/run_config.h"
#include "lexmodel/head_frequencies.h"
#include "lexmodel/lex_model.h"
#include "lexmodel/pooling.h"
#include "model/frequency_files.h"
#include "model/model.h"

namespace velmo {

// Only records above their table's threshold are written.
void write_lexicalised_rules(FILE* out, const HeadFrequencies& f);
void write_lexical_choices(FILE* out, const HeadFrequencies& f);
void write_lexicalised_starts(FILE* out, const HeadFrequencies& f, const RunConfig& config);
void write_lexicalised_rules_text(FILE* out, const HeadFrequencies& f, const Model& model,
                                  const RunConfig& config);
void write_lexical_choices_text(FILE* out, const HeadFrequencies& f, const Model& model,
                                const PoolingClasses& pooling, const RunConfig& config);
void write_lexicalised_starts_text(FILE* out, const HeadFrequencies& f, const Model& model,
                                   const RunConfig& config);

// The files written beside the frequency files of a lexicalised training run, in their order:
// .pool, .lgram, .lchoice, .lstart, and with -textpar the three text forms.
std::vector<ExtraFrequencyFile> lexicalised_frequency_files(const HeadFrequencies& f,
                                                            const Model& model,
                                                            const PoolingClasses& pooling,
                                                            const RunConfig& config);

// Fatal "Can't open file: <name>" when a file cannot be opened.
void read_lexicalised_start_file(const std::string& name, const Model& model, LexModel& lex,
                                 const RunConfig& config);
void read_lexical_choice_file(const std::string& name, const Model& model,
                              const PoolingClasses& pooling, LexModel& lex,
                              const RunConfig& config);
void read_lexicalised_rule_file(const std::string& name, const Model& model, LexModel& lex,
                                const RunConfig& config);
// The same from open streams (`name` for messages).
void read_lexicalised_starts(FILE* in, const std::string& name, const Model& model, LexModel& lex,
                             const RunConfig& config);
void read_lexical_choices(FILE* in, const std::string& name, const Model& model,
                          const PoolingClasses& pooling, LexModel& lex, const RunConfig& config);
void read_lexicalised_rules(FILE* in, const std::string& name, const Model& model, LexModel& lex,
                            const RunConfig& config);

}  // namespace velmo
