// The frequency files written by training: grammar, lexicon, open-class and start files in the
// formats that -in reads back. Each file is written to a temporary name beside the target and
// renamed over it when complete, so an interrupted run never leaves a half-written file.
#pragma once

#include <string>

#include "driver/run_config.h"
#include "model/model.h"

namespace velmo {

constexpr int kMaxBaseNameLength = 100;

// Fatal "Filename is too long: <base>" for a base name of more than 100 bytes.
void check_base_name(const std::string& base);

// Writes <base>.gram, <base>.lex, <base>.oc, <base>.OC and <base>.start.
void write_frequency_files(const std::string& base, const Model& model, const RunConfig& config);

}  // namespace velmo
