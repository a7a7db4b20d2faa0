// Test helpers: a grammar written by hand and a chart filled with one reading per (word, tag).
#pragma once

#include <cassert>
#include <string>
#include <vector>

#include "grammar/grammar.h"
#include "parser/chart.h"

namespace velmo::testing {

class GrammarBuilder {
 public:
  GrammarBuilder(Grammar& grammar, std::vector<std::string> names) : g_(grammar) {
    g_.symbols.assign(std::move(names));
    g_.data.assign(g_.symbol_count(), SymbolData{});
  }
  int id(const std::string& name) const {
    int id = g_.symbols.find(name);
    assert(id >= 0);
    return id;
  }
  // Returns the rule's index in the mother's rule array.
  int rule(const std::string& mother, const std::vector<std::string>& daughters,
           double prob = 1.0) {
    Rule r;
    for (const std::string& d : daughters) r.daughters.push_back(id(d));
    r.prob = prob;
    r.number = rule_count_++;
    std::vector<Rule>& rules = g_.data[id(mother)].rules;
    rules.push_back(r);
    return static_cast<int>(rules.size()) - 1;
  }
  void start(const std::string& name, double prob = 1.0) { g_.data[id(name)].start_prob = prob; }
  // The parser's left-corner index: per first daughter, its rules in descending (mother, rule).
  void finish() {
    for (SymbolData& d : g_.data) d.first_daughter.clear();
    for (int m = g_.symbol_count() - 1; m >= 0; --m) {
      for (int r = static_cast<int>(g_.data[m].rules.size()) - 1; r >= 0; --r) {
        g_.data[g_.data[m].rules[r].daughters[0]].first_daughter.push_back(RuleRef{m, r});
      }
    }
  }

 private:
  Grammar& g_;
  int rule_count_ = 0;
};

// One word per position; each word lists the names of its tags. The word texts must outlive
// the chart's use of them.
inline void parse(Chart& chart, const GrammarBuilder& b, const std::vector<std::string>& words,
                  const std::vector<std::vector<std::string>>& tags) {
  chart.begin_sentence();
  for (int i = 0; i < static_cast<int>(tags.size()); ++i) {
    chart.open_position(i + 1);
    for (const std::string& t : tags[i]) {
      chart.add_node(b.id(t), i, i + 1, nullptr)->word = words[i].c_str();
    }
  }
  chart.collect_roots(static_cast<int>(tags.size()));
}

}  // namespace velmo::testing
