// Helpers of the model tests: small grammars and models built in memory, and model files fed to
// the readers from strings.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "base/test_support.h"
#include "grammar/grammar_reader.h"
#include "grammar/grammar_test_util.h"
#include "model/model.h"

namespace velmo::testing {

inline void read_lexicon_text(const std::string& text, Grammar& grammar, Lexicon& lexicon,
                              const RunConfig& config) {
  read_from(text, [&](FILE* f) { return read_lexicon(f, grammar, lexicon, config), 0; });
}

inline void read_open_class_text(const std::string& text, Grammar& grammar,
                                 OpenClassTable& table, const RunConfig& config) {
  read_from(text, [&](FILE* f) { return read_open_classes(f, grammar, table, config), 0; });
}

// The grammar DT N NP S V VP (ids 0-5) with the rules
//   S -> NP VP' (100), NP -> DT N' (60), NP -> N' (40), VP -> V' (100), VP -> V NP' (0.004),
// start frequencies S 3 and NP 0, and probabilities that stay within [0, 1].
inline Model small_model() {
  Model model;
  GrammarBuilder b(model.grammar, {"DT", "N", "NP", "S", "V", "VP"});
  b.counted_rule("S", {"NP", "VP"}, 100, 1).prob = 1.0;
  b.counted_rule("NP", {"DT", "N"}, 60, 1).prob = 0.6;
  b.counted_rule("NP", {"N"}, 40, 0).prob = 0.4;
  b.counted_rule("VP", {"V"}, 100, 0).prob = 0.75;
  b.counted_rule("VP", {"V", "NP"}, 0.004, 1).prob = 0.25;
  b.start("S");
  b.finish();
  Grammar& g = model.grammar;
  g.data[3].start_freq = 3;
  g.data[0].lex_share = g.data[1].lex_share = g.data[4].lex_share = 1.0;
  g.data[1].head_count = 2;
  return model;
}

}  // namespace velmo::testing
