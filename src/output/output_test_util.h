// Test helpers of the printers: a hand-written grammar, a sentence parsed with one reading per
// (word, tag), and the printers' output captured as a string.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "driver/test_support.h"
#include "output/output_context.h"
#include "parser/parser_test_util.h"

namespace velmo::testing {

class OutputFixture {
 public:
  // Every symbol's lexical share starts at 1, so an unknown word (no lexicon entry, no open
  // classes) has lexical probability 1 for each of its tags.
  explicit OutputFixture(std::vector<std::string> names)
      : grammar(model.grammar, std::move(names)) {
    config.quiet = true;
    for (SymbolData& data : model.grammar.data) data.lex_share = 1.0;
  }

  OutputFixture(const OutputFixture&) = delete;
  OutputFixture& operator=(const OutputFixture&) = delete;

  int id(const std::string& name) const { return grammar.id(name); }

  // Starts a new sentence (the first call freezes the grammar).
  void parse(const std::vector<std::string>& words,
             const std::vector<std::vector<std::string>>& tags) {
    if (!chart) {
      grammar.finish();
      chart = std::make_unique<Chart>(model.grammar);
    }
    sentence.clear();
    for (std::size_t i = 0; i < words.size(); ++i) {
      sentence.words.push_back(words[i]);
      sentence.starts.push_back(static_cast<int>(i));
      sentence.ends.push_back(static_cast<int>(i) + 1);
    }
    sentence.position_count = static_cast<int>(words.size());
    velmo::testing::parse(*chart, grammar, sentence.words, tags);
  }

  OutputContext context() { return OutputContext{*chart, sentence, model, config, pm, probs}; }

  void inside() { compute_inside(*chart, pm, sentence, probs); }
  void inside_outside() {
    inside();
    compute_outside(*chart, pm);
  }
  void viterbi() { compute_viterbi(*chart, pm, probs); }

  Model model;
  RunConfig config;
  GrammarBuilder grammar;
  Sentence sentence;
  std::unique_ptr<Chart> chart;
  ProbModel pm{model, config};
  ForestProbs probs;
};

inline std::vector<std::string> attachment_symbols() {
  return {"N", "NP", "P", "PP", "S", "V", "VP"};
}

// An attachment ambiguity: the PP attaches to the VP (rule 2) or to the object NP (rule 4);
// the object NP, the PP and the verb are shared by both readings.
inline void attachment_grammar(OutputFixture& f, double vp_np = 0.7, double vp_np_pp = 0.3,
                               double np_pp = 0.2) {
  f.grammar.rule("S", {"NP", "VP"});             // 0
  f.grammar.rule("VP", {"V", "NP"}, vp_np);      // 1
  f.grammar.rule("VP", {"V", "NP", "PP"}, vp_np_pp);  // 2
  f.grammar.rule("NP", {"N"}, 0.8);              // 3
  f.grammar.rule("NP", {"NP", "PP"}, np_pp);     // 4
  f.grammar.rule("PP", {"P", "NP"});             // 5
  f.grammar.start("S");
}

inline void parse_attachment(OutputFixture& f) {
  f.parse({"I", "saw", "stars", "with", "telescopes"}, {{"N"}, {"V"}, {"N"}, {"P"}, {"N"}});
}

}  // namespace velmo::testing
