// Checks of the loaded grammar: unreachable and unproductive symbols are reported on standard
// error (nothing is removed); unary cycles are reported and make the grammar unfit for the
// computations that need an acyclic forest.
#pragma once

#include <vector>

#include "base/run_config.h"
#include "grammar/grammar.h"

namespace velmo {

// "unreachable: <name>\n" for every symbol no start symbol reaches.
void check_reachability(const Grammar& grammar, const RunConfig& config);
// "unproductive: <name>\n" for every symbol that derives no word. `lexical[s]` is true for
// the symbols that words can carry (lexicon tags and open classes).
void check_productivity(const Grammar& grammar, const std::vector<bool>& lexical,
                        const RunConfig& config);
// Reports every unary cycle; true when there is none.
bool check_cycles(const Grammar& grammar, const RunConfig& config);

}  // namespace velmo
