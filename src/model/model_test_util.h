// Helpers of the lexicon and estimation tests: small grammars built in memory and model files
// fed to the readers from strings.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "driver/diagnostics.h"
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

// A seekable stream holding `text`; the caller closes it.
inline FILE* text_stream(const std::string& text) {
  FILE* f = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), f);
  std::rewind(f);
  return f;
}

inline void read_lexicon_text(const std::string& text, Grammar& grammar, Lexicon& lexicon,
                              const RunConfig& config) {
  FILE* f = text_stream(text);
  try {
    read_lexicon(f, grammar, lexicon, config);
  } catch (...) {
    std::fclose(f);
    throw;
  }
  std::fclose(f);
}

inline void read_open_class_text(const std::string& text, Grammar& grammar,
                                 OpenClassTable& table, const RunConfig& config) {
  FILE* f = text_stream(text);
  try {
    read_open_classes(f, grammar, table, config);
  } catch (...) {
    std::fclose(f);
    throw;
  }
  std::fclose(f);
}

// The text of the fatal error `f` raises, or "(no error)".
inline std::string fatal_text(const std::function<void()>& f) {
  try {
    f();
  } catch (const FatalError& e) {
    return e.text();
  }
  return "(no error)";
}

}  // namespace velmo::testing
