// The frequency files written by training and merging: grammar, lexicon, open-class and start
// files in the formats that -in reads back. The files are written to temporary names beside
// their targets and renamed over them when all are complete, so an interrupted run never leaves
// a half-written file, and leaves a mixed set only when killed between the renames. The lexicalised files (.pool, .lgram, .lchoice, .lstart) belong to the head-lexicalised
// model; whoever owns that model writes them after these.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/run_config.h"
#include "model/model.h"

namespace velmo {

constexpr int kMaxBaseNameLength = 100;

// Fatal "Filename is too long: <base>" for a base name of more than 100 bytes.
void check_base_name(const std::string& base);

// A further file of the set (the head-lexicalised model's): its suffix, its mode ("wt", "wb")
// and what writes it.
struct ExtraFrequencyFile {
  std::string suffix;
  const char* mode;
  std::function<void(FILE*)> write;
};

// Writes <base>.gram, <base>.lex, <base>.oc, <base>.OC and <base>.start, in this order, then the
// extra files, each to a temporary file; when all are on disk they replace the old files one
// after another.
void write_frequency_files(const std::string& base, const Model& model, const RunConfig& config,
                           const std::vector<ExtraFrequencyFile>& extra = {});
// Removes what an earlier run killed while writing the files of `base` (the lexicalised ones
// included) left behind.
void remove_stale_frequency_files(const std::string& base);

// The single files, for tests and for writers of other streams.
void write_grammar_frequencies(FILE* out, const Grammar& grammar, const RunConfig& config);
void write_lexicon_frequencies(FILE* out, const Model& model, const RunConfig& config);
// Writes nothing for a table that is not loaded.
void write_open_class_frequencies(FILE* out, const Grammar& grammar, const OpenClassTable& table,
                                  const RunConfig& config);
void write_start_frequencies(FILE* out, const Grammar& grammar, const RunConfig& config);

}  // namespace velmo
