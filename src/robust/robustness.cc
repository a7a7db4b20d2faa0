#include "robust/robustness.h"

#include <cmath>
#include <cstdio>

#include "base/diagnostics.h"
#include "base/text_input.h"
#include "grammar/grammar_reader.h"

namespace velmo {

namespace {

// A weight that is no number, or not a finite non-negative one, would leave every probability
// of the listed symbols undefined.
double read_weight(FILE* in, const std::string& name, const char* option) {
  double weight = 0.0;
  if (std::fscanf(in, "%lf ", &weight) != 1)
    fatal_error(std::string("missing decrement factor in file argument of option ") + option);
  if (!std::isfinite(weight) || weight < 0) fatal_error2("Invalid robustness weight in file", name);
  return weight;
}

}  // namespace

void read_robustness_start_file(const std::string& name, Grammar& grammar,
                                const RunConfig& config) {
  const std::string bytes = read_whole_file(name);
  MemoryInput in(bytes);
  grammar.rob_start_weight = read_weight(in.get(), name, "-lower-start");
  for (int symbol; (symbol = grammar.symbols.read_symbol(in.get(), LookupMode::kFatal, config)) >= 0;)
    grammar.data[symbol].rob_start = true;
}

void read_robustness_rule_file(const std::string& name, Grammar& grammar, const RunConfig& config) {
  const std::string bytes = read_whole_file(name);
  MemoryInput in(bytes);
  grammar.rob_rule_weight = read_weight(in.get(), name, "-lower-rule");
  RunConfig without_frequencies = config;
  without_frequencies.symbolic = true;
  RuleRef rule{};
  double freq = 0.0;
  while (find_rule(in.get(), grammar, without_frequencies, rule, freq))
    grammar.data[rule.mother].rules[rule.rule].robust = true;
}

}  // namespace velmo
