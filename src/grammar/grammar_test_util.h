// Helpers of the grammar tests: grammars and start files read from strings.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "driver/diagnostics.h"
#include "grammar/grammar.h"
#include "grammar/grammar_reader.h"

namespace velmo::testing_support {

// A read-only stream over a copy of `text`; closed with fclose.
inline FILE* string_stream(const std::string& text) {
  FILE* f = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), f);
  std::rewind(f);
  return f;
}

inline Grammar grammar_from(const std::string& text, const RunConfig& config) {
  FILE* in = string_stream(text);
  try {
    Grammar grammar = read_grammar(in, config);
    std::fclose(in);
    return grammar;
  } catch (...) {
    std::fclose(in);
    throw;
  }
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

}  // namespace velmo::testing_support
