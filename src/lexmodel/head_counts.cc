#include "lexmodel/head_counts.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/diagnostics.h"

namespace velmo {

int head_count_of(const Grammar& grammar, const PoolingClasses& pooling, int id) {
  if (id < grammar.symbol_count()) return grammar.data[id].head_count;
  const size_t c = static_cast<size_t>(id - grammar.symbol_count());
  return c < pooling.child_head_counts.size() ? pooling.child_head_counts[c] : 0;
}

namespace {

using HeadSets = std::vector<std::vector<bool>>;  // per symbol or class: which heads it can have

// The heads of the lexical categories: the words (or lemmas) that carry them, and the one
// unknown head (the last id) for the open classes and for words that head as unknown.
void add_lexical_heads(const Lexicon& lexicon, const RunConfig& config, int unknown,
                       HeadSets& heads) {
  for (int w = 0; w < static_cast<int>(lexicon.entries.size()); ++w) {
    for (const TagEntry& t : lexicon.entries[w].tags) {
      if (lexicon.heads_as_unknown(w)) {
        heads[t.tag][unknown] = true;
        continue;
      }
      if (!config.stems) heads[t.tag][w] = true;
      for (const LemmaEntry& l : t.lemmas)
        if (config.stems) heads[t.tag][l.lemma] = true;
    }
  }
  if (!lexicon.open_class.loaded) return;
  for (int s = 0; s < static_cast<int>(heads.size()); ++s) {
    bool open = lexicon.open_class.entries[s].open ||
                (lexicon.cap_open_class.loaded && lexicon.cap_open_class.entries[s].open);
    if (open) heads[s][unknown] = true;
  }
}

// A mother has every head of its head daughters, to a fixed point.
void add_phrasal_heads(const Grammar& grammar, HeadSets& heads) {
  std::vector<std::pair<int, int>> pairs;
  for (int m = 0; m < grammar.symbol_count(); ++m)
    for (const Rule& r : grammar.data[m].rules)
      if (r.head >= 0) pairs.emplace_back(m, r.daughters[r.head]);
  std::sort(pairs.begin(), pairs.end());
  pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
  for (bool changed = true; changed;) {
    changed = false;
    for (const auto& [m, g] : pairs) {
      if (m == g) continue;
      for (size_t h = 0; h < heads[g].size(); ++h) {
        if (heads[g][h] && !heads[m][h]) {
          heads[m][h] = true;
          changed = true;
        }
      }
    }
  }
}

int count_of(const std::vector<bool>& set) {
  return static_cast<int>(std::count(set.begin(), set.end(), true));
}

// A child class has every head of its members.
void count_class_heads(const Grammar& grammar, const HeadSets& heads, int items,
                       PoolingClasses& pooling) {
  const int symbols = grammar.symbol_count();
  HeadSets class_heads(pooling.child_names.size(), std::vector<bool>(items, false));
  for (int s = 0; s < symbols; ++s) {
    const int pool = grammar.data[s].child_pool;
    if (pool == s) continue;
    for (size_t h = 0; h < heads[s].size(); ++h)
      if (heads[s][h]) class_heads[pool - symbols][h] = true;
  }
  pooling.child_head_counts.assign(pooling.child_names.size(), 0);
  for (size_t c = 0; c < class_heads.size(); ++c)
    pooling.child_head_counts[c] = count_of(class_heads[c]);
}

}  // namespace

void count_heads(Model& model, PoolingClasses& pooling, const RunConfig& config) {
  message(config, "finished\ncomputing the number of heads...");
  Grammar& grammar = model.grammar;
  const Lexicon& lexicon = model.lexicon;
  // Head ids: the lexical items, and one more for any unknown word when there are open classes
  // or words that head as unknown (-rare-heads); such a word is that one head.
  const bool rare_words = std::find(lexicon.unknown_head.begin(), lexicon.unknown_head.end(),
                                    true) != lexicon.unknown_head.end();
  const int items =
      lexical_item_count(lexicon, config) + (lexicon.open_class.loaded || rare_words ? 1 : 0);
  HeadSets heads(grammar.symbol_count(), std::vector<bool>(items, false));
  add_lexical_heads(lexicon, config, items - 1, heads);
  add_phrasal_heads(grammar, heads);
  for (int s = 0; s < grammar.symbol_count(); ++s) grammar.data[s].head_count = count_of(heads[s]);
  if (!pooling.child_names.empty()) count_class_heads(grammar, heads, items, pooling);
}

}  // namespace velmo
