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

void count_heads(Model& model, PoolingClasses& pooling, const RunConfig& config) {
  message(config, "finished\ncomputing the number of heads...");
  Grammar& grammar = model.grammar;
  const Lexicon& lexicon = model.lexicon;
  const int symbols = grammar.symbol_count();
  // Head ids: the lexical items, and one more for any unknown word when there are open classes
  // or words that head as unknown (-rare-heads); such a word is that one head.
  const bool rare_words = std::find(lexicon.unknown_head.begin(), lexicon.unknown_head.end(),
                                    true) != lexicon.unknown_head.end();
  const int items =
      lexical_item_count(lexicon, config) + (lexicon.open_class.loaded || rare_words ? 1 : 0);
  std::vector<std::vector<bool>> heads(symbols, std::vector<bool>(items, false));
  for (int w = 0; w < static_cast<int>(lexicon.entries.size()); ++w) {
    for (const TagEntry& t : lexicon.entries[w].tags) {
      if (lexicon.heads_as_unknown(w)) {
        heads[t.tag][items - 1] = true;
        continue;
      }
      if (!config.stems) heads[t.tag][w] = true;
      for (const LemmaEntry& l : t.lemmas)
        if (config.stems) heads[t.tag][l.lemma] = true;
    }
  }
  if (lexicon.open_class.loaded) {
    for (int s = 0; s < symbols; ++s) {
      bool open = lexicon.open_class.entries[s].open ||
                  (lexicon.cap_open_class.loaded && lexicon.cap_open_class.entries[s].open);
      if (open) heads[s][items - 1] = true;
    }
  }
  // A mother has every head of its head daughters, to a fixed point.
  std::vector<std::pair<int, int>> pairs;
  for (int m = 0; m < symbols; ++m)
    for (const Rule& r : grammar.data[m].rules)
      if (r.head >= 0) pairs.emplace_back(m, r.daughters[r.head]);
  std::sort(pairs.begin(), pairs.end());
  pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
  for (bool changed = true; changed;) {
    changed = false;
    for (const auto& [m, g] : pairs) {
      if (m == g) continue;
      for (int h = 0; h < items; ++h) {
        if (heads[g][h] && !heads[m][h]) {
          heads[m][h] = true;
          changed = true;
        }
      }
    }
  }
  for (int s = 0; s < symbols; ++s)
    grammar.data[s].head_count = static_cast<int>(std::count(heads[s].begin(), heads[s].end(), true));
  if (pooling.child_names.empty()) return;
  std::vector<std::vector<bool>> class_heads(pooling.child_names.size(),
                                             std::vector<bool>(items, false));
  for (int s = 0; s < symbols; ++s) {
    const int pool = grammar.data[s].child_pool;
    if (pool == s) continue;
    for (int h = 0; h < items; ++h)
      if (heads[s][h]) class_heads[pool - symbols][h] = true;
  }
  pooling.child_head_counts.assign(pooling.child_names.size(), 0);
  for (size_t c = 0; c < class_heads.size(); ++c)
    pooling.child_head_counts[c] =
        static_cast<int>(std::count(class_heads[c].begin(), class_heads[c].end(), true));
}

}  // namespace velmo
