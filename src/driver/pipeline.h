// The stages and the consumer of a run, chosen once from the options: the consumer from a table
// (the first row whose options are set), the stages in the order they apply to a forest.
#pragma once

#include <cstdio>
#include <vector>

#include "base/run_config.h"
#include "model/frequency_files.h"
#include "model/model.h"
#include "parser/forest_stage.h"

namespace velmo {

// What the stages and consumers are made of; the pipeline takes the chunk categories and the
// lexicalised files over.
struct PipelineParts {
  FILE* out;
  Model& model;
  const RunConfig& config;
  std::vector<bool> chunk_categories;                 // -chunking, -opt-chunking
  LexicalisedCounts* lexicalised_counts = nullptr;    // lexicalised training
  std::vector<ExtraFrequencyFile> lexicalised_files;  // written beside the frequency files
};

SentencePipeline make_pipeline(PipelineParts& parts);

}  // namespace velmo
