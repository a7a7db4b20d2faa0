// Robustness start categories (-rob-start) and robustness rules (-rob-rules): fallback
// analyses that make every sentence parsable. Each file begins with a weight, by which the
// estimation multiplies the frequencies of the categories or rules it lists, so that the
// fallbacks win only where nothing else parses. The marks and weights go into the grammar;
// the stored frequencies stay as observed.
#pragma once

#include <string>

#include "base/run_config.h"
#include "grammar/grammar.h"

namespace velmo {

// The weight, then grammar symbols separated by white space.
void read_robustness_start_file(const std::string& name, Grammar& grammar,
                                const RunConfig& config);
// The weight, then one grammar rule per line, without frequency, with its head mark.
void read_robustness_rule_file(const std::string& name, Grammar& grammar, const RunConfig& config);

}  // namespace velmo
