// Reading the grammar file (two passes: register the symbols, then read the rules) and the
// start-symbol file; reading single rule lines for the readers of merged and robustness files.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "base/run_config.h"
#include "grammar/grammar.h"

namespace velmo {

// The stream must be seekable (it is read twice).
Grammar read_grammar(FILE* in, const RunConfig& config);

// One parsed rule line. Reused from line to line, so that reading a file allocates only for
// its longest line.
struct RuleLine {
  int mother = -1;
  std::vector<int> daughters;
  int head_position = 0;  // 1-based among the daughters, 0 for none
  double freq = 1.0;
  std::string text;       // the line read
};

// Reads the next line with a field and parses it as a rule; false at end of file.
bool read_rule_line(FILE* in, const Grammar& grammar, const RunConfig& config, RuleLine& rule);

// Reads the next rule line and finds the first grammar rule with the same mother, daughters and
// head; fatal "unknown grammar rule in file" if there is none. False at end of file.
bool find_rule(FILE* in, const Grammar& grammar, const RunConfig& config, RuleRef& found,
               double& freq);

// Sets the start frequencies from the file, or 1.0 for every symbol when `name` is empty.
void read_start_file(const std::string& name, Grammar& grammar, const RunConfig& config);
// The same for an open stream.
void read_start_symbols(FILE* in, Grammar& grammar, const RunConfig& config);

}  // namespace velmo
