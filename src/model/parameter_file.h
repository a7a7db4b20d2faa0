// The binary parameter file: the estimated probabilities of the whole model in one file
// (-store-params writes it, -params reads it instead of the text files).
#pragma once

#include <cstdio>
#include <string>

#include "driver/run_config.h"
#include "model/model.h"

namespace velmo {

// Writes the parameter file to an open binary stream.
void store_parameters(FILE* out, const Model& model, const RunConfig& config);

// Reads a parameter file. The file's settings of -lexmodel, -stems and head lexicalisation
// override the command line, so the configuration is updated.
Model load_parameters(const std::string& name, RunConfig& config);

}  // namespace velmo
