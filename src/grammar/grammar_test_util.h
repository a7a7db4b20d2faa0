// Test helper: a grammar written by hand, symbols named in id order and rules numbered in the
// order they are added, as the grammar reader numbers them.
#pragma once

#include <cassert>
#include <string>
#include <vector>

#include "grammar/grammar.h"

namespace velmo::testing {

class GrammarBuilder {
 public:
  // Each symbol is its own parent and child pool, as when no pooling classes are read.
  GrammarBuilder(Grammar& grammar, std::vector<std::string> names) : g_(grammar) {
    g_.symbols.assign(std::move(names));
    g_.data.assign(g_.symbol_count(), SymbolData{});
    for (int s = 0; s < g_.symbol_count(); ++s) g_.data[s].parent_pool = g_.data[s].child_pool = s;
  }
  int id(const std::string& name) const {
    int id = g_.symbols.find(name);
    assert(id >= 0);
    return id;
  }
  // Returns the rule's index in the mother's rule array.
  int rule(int mother, std::vector<int> daughters, double prob = 1.0) {
    Rule r;
    r.daughters = std::move(daughters);
    r.prob = prob;
    r.number = rule_count_++;
    std::vector<Rule>& rules = g_.data[mother].rules;
    rules.push_back(r);
    return static_cast<int>(rules.size()) - 1;
  }
  int rule(const std::string& mother, const std::vector<std::string>& daughters,
           double prob = 1.0) {
    std::vector<int> ids;
    for (const std::string& d : daughters) ids.push_back(id(d));
    return rule(id(mother), std::move(ids), prob);
  }
  // A rule as training counts it: its frequency and head daughter (-1 for none).
  Rule& counted_rule(const std::string& mother, const std::vector<std::string>& daughters,
                     double freq, int head) {
    Rule& r = g_.data[id(mother)].rules[rule(mother, daughters, 0.0)];
    r.freq = freq;
    r.head = head;
    return r;
  }
  void start(const std::string& name, double prob = 1.0) { g_.data[id(name)].start_prob = prob; }
  void finish() { g_.build_first_daughter_lists(); }

 private:
  Grammar& g_;
  int rule_count_ = 0;
};

// A grammar of the named symbols without rules.
inline Grammar make_grammar(std::vector<std::string> names) {
  Grammar grammar;
  GrammarBuilder(grammar, std::move(names));
  return grammar;
}

inline int id(const Grammar& grammar, const std::string& name) {
  return grammar.symbols.find(name);
}

}  // namespace velmo::testing
