// The sentence loop: reads the input sentence by sentence, enters every word with its
// categories into the chart, and hands each forest to the stages and the consumer of the run;
// writes the -fails and -analysis-count side files and the summary.
#pragma once

#include <cstdio>
#include <vector>

#include "base/run_config.h"
#include "model/model.h"
#include "parser/bracket_matching.h"
#include "parser/chart.h"
#include "parser/forest_stage.h"
#include "parser/inside_outside.h"

namespace velmo {

// What the run adds to the chart: treebank matching (without it brackets are read and the
// forest is left whole) and, under -lexmodel, the lexicalised model's probabilities.
struct SentenceHooks {
  const LexicalisedProbabilities* lexicalised_probabilities = nullptr;
  const BracketMatching* bracket_matching = nullptr;
};

// Every sentence goes through the pipeline's stages in order, then to its consumer.
void process_sentences(FILE* in, FILE* out, Model& model, const RunConfig& config,
                       const SentenceHooks& hooks, SentencePipeline& pipeline);

}  // namespace velmo
