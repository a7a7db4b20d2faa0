// Chunk output: instead of whole parses, a flat segmentation of each sentence into chunks, the
// phrases whose categories a chunk category file lists. -chunking (and -chunk-trees, with the
// nodes above the chunks as a partial tree) scores the forest with a mix of sums and maxima and
// prints minimal chunks, or maximal ones with -max-chunks; -opt-chunking sums the probabilities
// of all analyses that give the same chunk sequence and prints the most probable sequence, one
// word per line.
#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include "parser/forest_stage.h"

namespace velmo {

// Whitespace-separated category names; returns a flag per symbol. An unknown name is fatal.
std::vector<bool> read_chunk_categories(FILE* in, const Grammar& grammar, const RunConfig& config);

// -chunking / -chunk-trees; computes its values in the forest's value fields, then flushes.
void print_chunks(FILE* out, const ParsedSentence& ctx, const std::vector<bool>& chunk_category);
// -opt-chunking; its sequences come from the chart's pool and live as long as the sentence.
void print_optimal_chunks(FILE* out, const ParsedSentence& ctx,
                          const std::vector<bool>& chunk_category);

// The consumer of -chunking (`optimal` false) and -opt-chunking runs.
std::unique_ptr<ForestStage> make_chunk_printer(FILE* out, std::vector<bool> chunk_category,
                                                bool optimal);

}  // namespace velmo
