#include "model/parameter_check.h"

#include <cmath>
#include <vector>

#include "lexicon/mwl_trie.h"

namespace velmo {
namespace {

// How far from 1 a sum of stored probabilities may be: rounding of doubles (rules, lexical
// shares, start probabilities) and, for lexical probabilities, of floats (about 6e-8 each,
// relative).
constexpr double kDoubleSumTolerance = 1e-10;
constexpr double kFloatSumTolerance = 1e-6;

bool is_probability(double p) { return p >= 0 && p <= 1; }  // false for NaN

// A distribution of a symbol with no mass at all sums to 0; any other to 1.
bool is_distribution_sum(double sum, double tolerance) {
  return sum == 0 || std::fabs(sum - 1) <= tolerance;
}

bool sound_grammar(const Grammar& grammar, bool lexicalised) {
  std::vector<bool> numbered;
  double start_sum = 0;
  for (int s = 0; s < grammar.symbol_count(); ++s) {
    const SymbolData& symbol = grammar.data[s];
    if (!is_probability(symbol.start_prob) || !is_probability(symbol.lex_share)) return false;
    // Pools are class ids (after the symbol ids) only in lexicalised models.
    const auto sound_pool = [&](int pool) {
      return pool == s || (lexicalised && pool >= grammar.symbol_count());
    };
    if (!sound_pool(symbol.parent_pool) || !sound_pool(symbol.child_pool) ||
        symbol.head_count < 0)
      return false;
    start_sum += symbol.start_prob;
    double sum = symbol.lex_share;
    for (const Rule& rule : symbol.rules) {
      if (!is_probability(rule.prob)) return false;
      sum += rule.prob;
      if (rule.number < 0) return false;
      if (static_cast<size_t>(rule.number) >= numbered.size()) numbered.resize(rule.number + 1);
      if (numbered[rule.number]) return false;
      numbered[rule.number] = true;
    }
    if (!is_distribution_sum(sum, kDoubleSumTolerance)) return false;
  }
  // Rule numbers count the rules of the grammar file: each from 0 to the count minus 1, once.
  for (bool seen : numbered)
    if (!seen) return false;
  return std::fabs(start_sum - 1) <= kDoubleSumTolerance;
}

bool ascending_tags(const LexEntry& entry) {
  if (entry.tags.empty()) return false;
  for (size_t t = 0; t < entry.tags.size(); ++t) {
    if (t > 0 && entry.tags[t - 1].tag >= entry.tags[t].tag) return false;
    const std::vector<LemmaEntry>& lemmas = entry.tags[t].lemmas;
    for (size_t l = 0; l < lemmas.size(); ++l) {
      if (!is_probability(lemmas[l].prob)) return false;
      if (l > 0 && lemmas[l - 1].lemma >= lemmas[l].lemma) return false;
    }
  }
  return true;
}

// Per tag, its words and its open-class entries share one mass: they sum to 1, or to 0 for a
// tag without words, and only a tag with words has a lexical share.
bool sound_lexical_distributions(const Model& model) {
  const Lexicon& lexicon = model.lexicon;
  std::vector<double> sum(model.grammar.symbol_count(), 0.0);
  for (size_t e = 0; e < lexicon.entries.size(); ++e) {
    const LexEntry& entry = lexicon.entries[e];
    if (e > 0 && !(lexicon.entries[e - 1].word < entry.word)) return false;
    if (!ascending_tags(entry)) return false;
    for (const TagEntry& t : entry.tags) {
      if (!is_probability(t.prob)) return false;
      sum[t.tag] += t.prob;
    }
  }
  for (const OpenClassTable* table : {&lexicon.open_class, &lexicon.cap_open_class}) {
    if (!table->loaded) continue;
    for (size_t s = 0; s < table->entries.size(); ++s) {
      if (!is_probability(table->entries[s].prob)) return false;
      sum[s] += table->entries[s].prob;
    }
  }
  for (int s = 0; s < model.grammar.symbol_count(); ++s) {
    if (!is_distribution_sum(sum[s], kFloatSumTolerance)) return false;
    if ((sum[s] > 0) != (model.grammar.data[s].lex_share > 0)) return false;
  }
  return true;
}

bool same_trie(const MwlNode& a, const MwlNode& b) {
  if (a.entry != b.entry || a.words != b.words) return false;
  for (size_t i = 0; i < a.children.size(); ++i)
    if (!same_trie(a.children[i], b.children[i])) return false;
  return true;
}

}  // namespace

bool is_sound_model(const Model& model, bool lexicalised) {
  if (!sound_grammar(model.grammar, lexicalised)) return false;
  if (!lexicalised && !sound_lexical_distributions(model)) return false;
  MwlNode rebuilt;
  build_mwl_index(model.lexicon.entries, rebuilt, /*warn=*/false);
  return same_trie(rebuilt, model.lexicon.mwl_root);
}

}  // namespace velmo
