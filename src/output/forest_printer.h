// The whole parse forest of a sentence: the numbered node list (in walk order, or in
// prerequisite order with -preorder), the bracketed vpf format with shared-node labels, and
// the explicit list of all trees (-trees).
#pragma once

#include <cstdio>
#include <memory>

#include "parser/forest_stage.h"

namespace velmo {

// Run-wide state of the vpf printer: labels are unique across the whole output.
struct VpfState {
  long label_count = 0;
};

// The default format, or vpf with -vpf; then flushes.
void print_forest(FILE* out, const ParsedSentence& ctx, VpfState& vpf);
// One line per tree, then an empty line.
void print_trees(FILE* out, const ParsedSentence& ctx);

// The consumer of a run that prints forests or trees: computes the values the options ask
// for (-inside, -outside, -freq, -viterbi-probs), then prints; with -timing the time taken.
std::unique_ptr<ForestStage> make_forest_printer(FILE* out);

}  // namespace velmo
