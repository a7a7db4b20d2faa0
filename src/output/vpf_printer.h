// The vpf format of print_forest: each forest as one bracketed term, best readings first, with
// "{...#i...}" around ambiguous nodes and "#n=" / "#n " labels on nodes used more than once.
#pragma once

#include <cstdio>

#include "output/forest_printer.h"

namespace velmo {

// Reorders analyses and links by value (highest first) as a side effect.
void print_vpf_forest(FILE* out, const ParsedSentence& ctx, VpfState& vpf);

}  // namespace velmo
