#include "grammar/grammar_analysis.h"

#include "base/diagnostics.h"

namespace velmo {

namespace {

// Marks every symbol reachable from `start`; an explicit stack, since chains of rules may be
// deeper than the call stack.
void mark_reachable(const Grammar& grammar, int start, std::vector<char>& visited) {
  std::vector<int> pending{start};
  while (!pending.empty()) {
    int symbol = pending.back();
    pending.pop_back();
    if (visited[symbol]) continue;
    visited[symbol] = 1;
    for (const Rule& rule : grammar.data[symbol].rules)
      for (int daughter : rule.daughters)
        if (!visited[daughter]) pending.push_back(daughter);
  }
}

class Productivity {
 public:
  Productivity(const Grammar& grammar, const std::vector<bool>& lexical)
      : grammar_(grammar), visited_(grammar.symbol_count(), 0), productive_(grammar.symbol_count(), 0) {
    for (int s = 0; s < grammar.symbol_count() && s < static_cast<int>(lexical.size()); ++s)
      productive_[s] = lexical[s];
  }

  // A symbol met again during its own evaluation counts as productive for the time being.
  // Every rule and every daughter is evaluated, so the marks left behind do not depend on
  // where an evaluation could have stopped early.
  bool productive(int symbol) {
    if (visited_[symbol] || productive_[symbol]) return productive_[symbol];
    visited_[symbol] = 1;
    productive_[symbol] = 1;
    bool any_rule = false;
    for (const Rule& rule : grammar_.data[symbol].rules) {
      bool all_daughters = true;
      for (int daughter : rule.daughters)
        if (!productive(daughter)) all_daughters = false;
      if (all_daughters) any_rule = true;
    }
    productive_[symbol] = any_rule;
    return any_rule;
  }

 private:
  const Grammar& grammar_;
  std::vector<char> visited_;
  std::vector<char> productive_;
};

// Unary-rule cycles through `target`. Marks are cleared on the way back, so that every cycle is
// reported once per symbol on it, starting from that symbol.
class CycleSearch {
 public:
  CycleSearch(const Grammar& grammar, const RunConfig& config)
      : grammar_(grammar), config_(config), visited_(grammar.symbol_count(), 0) {}

  bool cycle(int symbol, int target) {
    if (visited_[symbol]) {
      if (symbol != target) return false;
      warning2(config_, "Grammar cycle involving", grammar_.name(symbol));
      return true;
    }
    visited_[symbol] = 1;
    bool found = false;
    for (const Rule& rule : grammar_.data[symbol].rules) {
      if (rule.daughters.size() != 1 || !cycle(rule.daughters[0], target)) continue;
      message_fmt(config_, "%s ", grammar_.name(symbol).c_str());
      found = true;
      break;
    }
    visited_[symbol] = 0;
    return found;
  }

 private:
  const Grammar& grammar_;
  const RunConfig& config_;
  std::vector<char> visited_;
};

}  // namespace

void check_reachability(const Grammar& grammar, const RunConfig& config) {
  std::vector<char> visited(grammar.symbol_count(), 0);
  for (int s = 0; s < grammar.symbol_count(); ++s)
    if (grammar.data[s].start_freq > 0) mark_reachable(grammar, s, visited);
  for (int s = 0; s < grammar.symbol_count(); ++s)
    if (!visited[s]) message_fmt(config, "unreachable: %s\n", grammar.name(s).c_str());
}

void check_productivity(const Grammar& grammar, const std::vector<bool>& lexical,
                        const RunConfig& config) {
  Productivity marks(grammar, lexical);
  for (int s = 0; s < grammar.symbol_count(); ++s)
    if (!marks.productive(s)) message_fmt(config, "unproductive: %s\n", grammar.name(s).c_str());
}

bool check_cycles(const Grammar& grammar, const RunConfig& config) {
  CycleSearch search(grammar, config);
  bool acyclic = true;
  for (int s = 0; s < grammar.symbol_count(); ++s) {
    if (!search.cycle(s, s)) continue;
    message(config, "\n");
    acyclic = false;
  }
  return acyclic;
}

}  // namespace velmo
