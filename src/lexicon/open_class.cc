// Reading an open-class file: pairs of a tag and its frequency among unknown words, separated
// by any white space.
#include <cmath>
#include <cstdio>

#include "driver/diagnostics.h"
#include "lexicon/lexicon.h"

namespace velmo {

void read_open_classes(FILE* in, Grammar& grammar, OpenClassTable& table,
                       const RunConfig& config) {
  table.loaded = false;
  table.entries.assign(grammar.symbol_count(), OpenClassEntry());
  char name[1000];
  double freq = 0.0;
  int pairs = 0;
  for (;;) {
    int fields = std::fscanf(in, "%999s %lf ", name, &freq);
    if (fields == 1) fatal_error("missing frequency in open class file");
    if (fields != 2) break;
    if (!std::isfinite(freq)) fatal_error("missing frequency in open class file");
    int symbol = grammar.symbols.lookup(name, LookupMode::kFatal, config);
    table.entries[symbol].open = true;
    table.entries[symbol].freq = freq;
    ++grammar.data[symbol].head_count;
    ++pairs;
  }
  if (!std::feof(in)) fatal_error("syntax error in open class file");
  if (pairs == 0)
    table.entries.clear();
  else
    table.loaded = true;
}

}  // namespace velmo
