// Helpers of the model tests: small grammars and models built in memory, and model files fed to
// the readers from strings.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "driver/test_support.h"
#include "grammar/grammar_reader.h"
#include "model/model.h"

namespace velmo::testing {

inline Grammar make_grammar(std::vector<std::string> names) {
  Grammar grammar;
  grammar.symbols.assign(std::move(names));
  grammar.data.resize(grammar.symbol_count());
  for (int s = 0; s < grammar.symbol_count(); ++s)
    grammar.data[s].parent_pool = grammar.data[s].child_pool = s;
  return grammar;
}

inline int id(const Grammar& grammar, const std::string& name) {
  return grammar.symbols.find(name);
}

// Appends mother -> daughters with the head daughter `head` (-1 for none).
inline void add_rule(Grammar& grammar, const std::string& mother,
                     const std::vector<std::string>& daughters, int head, double freq) {
  Rule rule;
  rule.head = head;
  for (const std::string& d : daughters) rule.daughters.push_back(id(grammar, d));
  rule.freq = freq;
  std::vector<Rule>& rules = grammar.data[id(grammar, mother)].rules;
  rule.number = static_cast<int>(rules.size());
  rules.push_back(rule);
}

inline void read_lexicon_text(const std::string& text, Grammar& grammar, Lexicon& lexicon,
                              const RunConfig& config) {
  read_from(text, [&](FILE* f) { return read_lexicon(f, grammar, lexicon, config), 0; });
}

inline void read_open_class_text(const std::string& text, Grammar& grammar,
                                 OpenClassTable& table, const RunConfig& config) {
  read_from(text, [&](FILE* f) { return read_open_classes(f, grammar, table, config), 0; });
}

inline Grammar grammar_from(const std::string& text, const RunConfig& config) {
  return read_from(text, [&](FILE* f) { return read_grammar(f, config); });
}

// The grammar DT N NP S V VP (ids 0-5) with the rules
//   S -> NP VP' (100), NP -> DT N' (60), NP -> N' (40), VP -> V' (100), VP -> V NP' (0.004),
// start frequencies S 3 and NP 0, and probabilities that stay within [0, 1].
inline Model small_model() {
  Model model;
  Grammar& g = model.grammar;
  g.symbols.assign({"DT", "N", "NP", "S", "V", "VP"});
  g.data.assign(6, SymbolData{});
  for (int s = 0; s < 6; ++s) g.data[s].parent_pool = g.data[s].child_pool = s;
  auto add = [&g](int mother, std::vector<int> daughters, int head, double freq, double prob) {
    Rule rule;
    rule.daughters = std::move(daughters);
    rule.head = head;
    rule.freq = freq;
    rule.prob = prob;
    rule.number = 0;
    for (const SymbolData& d : g.data) rule.number += static_cast<int>(d.rules.size());
    g.data[mother].rules.push_back(rule);
  };
  add(3, {2, 5}, 1, 100, 1.0);
  add(2, {0, 1}, 1, 60, 0.6);
  add(2, {1}, 0, 40, 0.4);
  add(5, {4}, 0, 100, 0.75);
  add(5, {4, 2}, 1, 0.004, 0.25);
  g.data[3].start_freq = 3;
  g.data[3].start_prob = 1.0;
  g.data[0].lex_share = g.data[1].lex_share = g.data[4].lex_share = 1.0;
  g.data[1].head_count = 2;
  g.build_first_daughter_lists();
  return model;
}

}  // namespace velmo::testing
