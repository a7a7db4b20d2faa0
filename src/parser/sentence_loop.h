// The sentence loop: reads the input sentence by sentence, enters every word with its
// categories into the chart, and hands each forest to the printer or the training step that
// the options select; writes the -fails and -analysis-count side files and the summary.
#pragma once

#include <cstdio>
#include <functional>
#include <vector>

#include "base/run_config.h"
#include "model/frequency_files.h"
#include "model/model.h"
#include "parser/bracket_matching.h"
#include "parser/chart.h"
#include "parser/inside_outside.h"

namespace velmo {

// What the run adds to the loop: treebank matching and the head lexicalisation of every
// parsed forest (after its roots are collected and before any output), the lexicalised model's probabilities, and for
// training the lexicalised event counts and the files written beside the frequency files.
struct SentenceHooks {
  std::function<void(Chart&)> lexicalise;
  const LexicalisedProbabilities* lexicalised_probabilities = nullptr;  // -lexmodel
  const std::vector<bool>* chunk_categories = nullptr;  // -chunking, -opt-chunking
  LexicalisedCounts* lexicalised_counts = nullptr;
  std::vector<ExtraFrequencyFile> lexicalised_files;
  // Treebank matching; without it brackets are read and the forest is left whole.
  const BracketMatching* bracket_matching = nullptr;
};

void process_sentences(FILE* in, FILE* out, Model& model, const RunConfig& config,
                       const SentenceHooks& hooks = {});

}  // namespace velmo
