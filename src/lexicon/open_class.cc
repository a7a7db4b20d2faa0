// Reading an open-class file: pairs of a tag and its frequency among unknown words, separated
// by any white space (a pair may span lines).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/diagnostics.h"
#include "base/text_input.h"
#include "lexicon/lexicon.h"

namespace velmo {

namespace {

// The frequency token of a pair: the whole token must be a finite, non-negative number.
double parse_open_class_frequency(const std::string& token, long line_number) {
  char* end = nullptr;
  double freq = std::strtod(token.c_str(), &end);
  if (token.empty() || *end != '\0' || !std::isfinite(freq))
    fatal_error("missing frequency in open class file");
  if (freq < 0) fatal_error_num("Negative frequency in open class file at line", line_number);
  return freq;
}

}  // namespace

void read_open_classes(FILE* in, Grammar& grammar, OpenClassTable& table,
                       const RunConfig& config) {
  table.loaded = false;
  table.entries.assign(grammar.symbol_count(), OpenClassEntry());
  std::string line, name;
  bool have_name = false;
  int pairs = 0;
  for (long line_number = 1; read_long_line(in, line); ++line_number) {
    std::string_view cursor(line);
    cursor = cursor.substr(0, cursor.find('\0'));
    for (std::string_view token = next_token(cursor); !token.empty(); token = next_token(cursor)) {
      if (!have_name) {
        name.assign(token);
        have_name = true;
        continue;
      }
      double freq = parse_open_class_frequency(std::string(token), line_number);
      have_name = false;
      int symbol = grammar.symbols.lookup(name, LookupMode::kFatal, config);
      table.entries[symbol].open = true;
      table.entries[symbol].freq = freq;
      ++grammar.data[symbol].head_count;
      ++pairs;
    }
  }
  if (have_name) fatal_error("missing frequency in open class file");
  if (pairs == 0)
    table.entries.clear();
  else
    table.loaded = true;
}

}  // namespace velmo
