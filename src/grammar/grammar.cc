#include "grammar/grammar.h"

namespace velmo {

// Walking mothers and rules backwards and appending gives every list the descending
// (mother, rule) order in which the parser visits them.
void Grammar::build_first_daughter_lists() {
  for (SymbolData& symbol : data) symbol.first_daughter.clear();
  for (int mother = symbol_count() - 1; mother >= 0; --mother) {
    const std::vector<Rule>& rules = data[mother].rules;
    for (int r = static_cast<int>(rules.size()) - 1; r >= 0; --r)
      data[rules[r].daughters[0]].first_daughter.push_back(RuleRef{mother, r});
  }
}

void print_rule(FILE* out, const Grammar& grammar, int mother, int rule, bool arrow) {
  std::fputs(grammar.name(mother).c_str(), out);
  if (arrow) std::fputs(" ->", out);
  const Rule& r = grammar.rule(mother, rule);
  for (std::size_t i = 0; i < r.daughters.size(); ++i) {
    std::fputc(' ', out);
    std::fputs(grammar.name(r.daughters[i]).c_str(), out);
    if (static_cast<int>(i) == r.head) std::fputc('\'', out);
  }
}

}  // namespace velmo
