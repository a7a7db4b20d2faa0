// Merging frequency files (-merge): the frequency files of several training runs, each set named
// by its base name, are added to the frequencies of the -in model, so that one set results.
// With -lexmodel the lexicalised files are added too: the base's own, then every set's.
#pragma once

#include "base/run_config.h"
#include "lexmodel/head_frequencies.h"
#include "lexmodel/pooling.h"
#include "model/model.h"

namespace velmo {

// Adds every set of the merge list to `model` (and, with -lexmodel, to `lexicalised`; class ids
// are checked against `pooling`).
void merge_frequency_files(Model& model, const PoolingClasses& pooling,
                           HeadFrequencies* lexicalised, const RunConfig& config);

}  // namespace velmo
