// The sentence loop: reads the input sentence by sentence, enters every word with its
// categories into the chart, and hands each forest to the printer or the training step that
// the options select; writes the -fails and -analysis-count side files and the summary.
#pragma once

#include <cstdio>

#include "driver/run_config.h"
#include "model/model.h"

namespace velmo {

void process_sentences(FILE* in, FILE* out, Model& model, const RunConfig& config);

}  // namespace velmo
