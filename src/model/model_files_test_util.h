// Small hand-built models for the tests of the model files.
#pragma once

#include <cstdio>
#include <string>

#include "model/model.h"

namespace velmo::files_testing {

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

// The bytes a stream holds, from its start.
inline std::string stream_contents(FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string s;
  int c;
  while ((c = std::getc(f)) != EOF) s.push_back(static_cast<char>(c));
  return s;
}

// A stream holding the given bytes, positioned at the start.
inline FILE* stream_of(const std::string& bytes) {
  FILE* f = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  return f;
}

}  // namespace velmo::files_testing
