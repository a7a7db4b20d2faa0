// The whole parse forest of a sentence: the numbered node list (in walk order, or in
// prerequisite order with -preorder), the bracketed vpf format with shared-node labels, and
// the explicit list of all trees (-trees).
#pragma once

#include <cstdio>

#include "output/output_context.h"

namespace velmo {

// Run-wide state of the vpf printer: labels are unique across the whole output.
struct VpfState {
  long label_count = 0;
};

// The default format, or vpf with -vpf; then flushes.
void print_forest(FILE* out, const OutputContext& ctx, VpfState& vpf);
// One line per tree, then an empty line.
void print_trees(FILE* out, const OutputContext& ctx);

}  // namespace velmo
