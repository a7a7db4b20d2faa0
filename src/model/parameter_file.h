// The binary parameter file: the estimated probabilities of the whole model in one file
// (-store-params writes it, -params reads it instead of the text files). Native byte order:
// version string "3.0", the lexicalised flag, then the grammar, open-class and lexicon sections;
// when the flag is set the head-lexicalised model's sections follow, written and read by that
// model through the two callbacks. Frequencies are not stored: a loaded model counts from zero.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "base/run_config.h"
#include "model/model.h"

namespace velmo {

// Writes or reads the lexicalised sections at the stream's position.
using LexicalisedSectionWriter = std::function<void(FILE* out)>;
// The reader is given the unlexicalised model just read.
using LexicalisedSectionReader =
    std::function<void(FILE* in, const std::string& name, const Model& model)>;

// Writes the parameter file to an open binary stream (standard output or a named file).
// A probability outside [0, 1] is fatal "invalid probability value: <%100f>"; a failed write
// is fatal "Can't write to output file".
void store_parameters(FILE* out, const Model& model, const RunConfig& config,
                      const LexicalisedSectionWriter& lexicalised = {});
// The same into a named file, which is replaced only when it is complete.
void store_parameters_to_file(const std::string& name, const Model& model,
                              const RunConfig& config,
                              const LexicalisedSectionWriter& lexicalised = {});

// Reads the version and the unlexicalised sections from an open binary stream and leaves it
// at the lexicalised sections. The file's settings of -lexmodel and -stems (and head
// lexicalisation, when its flag is set) override the configuration. `name` names the file in
// "Corrupt parameter file: <name>", reported for any count or id the file cannot hold.
Model read_parameters(FILE* in, const std::string& name, RunConfig& config);

// Opens the named file ("rb"), reads it whole and closes it. A file with the lexicalised flag
// needs `lexicalised`; without it such a file is corrupt for this run.
Model load_parameters(const std::string& name, RunConfig& config,
                      const LexicalisedSectionReader& lexicalised = {});

}  // namespace velmo
