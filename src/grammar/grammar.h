// Grammar: the symbols with their rules, start frequencies and probabilities, and for each
// symbol the rules whose first daughter it is (the parser's left-corner index).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "symbols/symbol_table.h"

namespace velmo {

// Categories and rule indices are kept in 16 bits in the chart.
constexpr int kMaxSymbols = 32767;
constexpr int kMaxRulesPerMother = 32767;
constexpr int kMaxDaughters = 99;

struct Rule {
  int head = -1;               // head daughter, from 0; -1 when the rule has no head mark
  std::vector<int> daughters;  // symbol ids, 1 to 99 of them
  double prob = 0.0;
  double freq = 0.0;
  int number = 0;              // running number of the kept rules in file order
  bool robust = false;         // a robustness rule
};

// A rule, named by its mother and its index in the mother's rule array.
struct RuleRef {
  int mother;
  int rule;
};

struct SymbolData {
  std::vector<Rule> rules;              // in file order
  std::vector<RuleRef> first_daughter;  // rules starting with this symbol, descending (mother, rule)
  double start_freq = 0.0;
  double start_prob = 0.0;
  double lex_share = 0.0;               // fraction of the symbol's mass that goes to words
  int head_count = 0;                   // number of distinct lexical heads
  bool rob_start = false;
  int parent_pool = 0;                  // own id unless pooling classes are read
  int child_pool = 0;
};

struct Grammar {
  SymbolTable symbols;
  std::vector<SymbolData> data;  // indexed by symbol id
  // Robustness weights: the estimation multiplies the frequencies of robustness start
  // categories and robustness rules by them (the stored frequencies stay as observed).
  double rob_start_weight = 1.0;
  double rob_rule_weight = 1.0;

  int symbol_count() const { return symbols.size(); }
  const std::string& name(int id) const { return symbols.name(id); }
  const Rule& rule(int mother, int index) const { return data[mother].rules[index]; }
  // The frequencies as the estimation counts them: robustness weights applied.
  double estimation_start_freq(int symbol) const {
    const SymbolData& s = data[symbol];
    return s.rob_start ? s.start_freq * rob_start_weight : s.start_freq;
  }
  double estimation_freq(const Rule& rule) const { return weighted_freq(rule, rule.freq); }
  // A frequency of the rule (its own or a lexicalised event's) as estimation counts it: a
  // robustness rule's is multiplied by the -rob-rules weight.
  double weighted_freq(const Rule& rule, double freq) const {
    return rule.robust && rob_rule_weight != 1.0 ? freq * rob_rule_weight : freq;
  }
  // Rebuilds every first-daughter list from the rules.
  void build_first_daughter_lists();
};

// Writes the mother, " ->" with the arrow, then " <daughter>" for each daughter with an
// apostrophe after the head daughter: "NP -> DT N'".
void print_rule(FILE* out, const Grammar& grammar, int mother, int rule, bool arrow);

}  // namespace velmo
