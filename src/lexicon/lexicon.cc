// The per-word queries of the lexicon: word lookup, open-class table selection, lexical
// probabilities and frequency accumulation, and the lexical items of the head model.
#include "lexicon/lexicon.h"

#include <algorithm>

#include "base/diagnostics.h"
#include "base/text_input.h"
#include "symbols/word_forms.h"

namespace velmo {

namespace {

constexpr double kNonOpenClassProb = 1e-10;

int search_exact(const std::vector<LexEntry>& entries, std::string_view word) {
  auto at = std::lower_bound(entries.begin(), entries.end(), word,
                             [](const LexEntry& e, std::string_view w) { return e.word < w; });
  if (at == entries.end() || at->word != word) return -1;
  return static_cast<int>(at - entries.begin());
}

// The reading of `tag` among a word's tag entries (sorted by tag id), or null.
template <class Tags>
auto find_tag(Tags& tags, int tag) -> decltype(&tags[0]) {
  auto at = std::lower_bound(tags.begin(), tags.end(), tag,
                             [](const TagEntry& e, int t) { return e.tag < t; });
  return at != tags.end() && at->tag == tag ? &*at : nullptr;
}

const TagEntry* find_reading(const Lexicon& lexicon, std::string_view word, int tag) {
  const LexEntry* entry = lexicon.find_word(word);
  return entry ? find_tag(entry->tags, tag) : nullptr;
}

}  // namespace

int Lexicon::word_index(std::string_view word) const {
  if (entries.empty()) return -1;
  int index = search_exact(entries, word);
  if (index >= 0) return index;
  std::string variant;
  if (!lower_case_variant(word, variant)) return -1;
  return search_exact(entries, variant);
}

const LexEntry* Lexicon::find_word(std::string_view word) const {
  int index = word_index(word);
  return index >= 0 ? &entries[index] : nullptr;
}

LexEntry* Lexicon::find_word(std::string_view word) {
  int index = word_index(word);
  return index >= 0 ? &entries[index] : nullptr;
}

namespace {

// The capitalised table serves words whose first byte is not a lower-case letter (an empty
// word counts as not lower-case, like a digit) when it is loaded.
template <class L>
auto& select_table(L& lexicon, std::string_view word) {
  bool lower = !word.empty() && is_lower(static_cast<unsigned char>(word[0]));
  return lexicon.cap_open_class.loaded && !lower ? lexicon.cap_open_class : lexicon.open_class;
}

}  // namespace

const OpenClassTable& Lexicon::table_for(std::string_view word) const {
  return select_table(*this, word);
}

OpenClassTable& Lexicon::table_for(std::string_view word) { return select_table(*this, word); }

double lexical_probability(const Grammar& grammar, const Lexicon& lexicon, std::string_view word,
                           int tag, const RunConfig& config) {
  double share = grammar.data[tag].lex_share;
  if (const TagEntry* reading = find_reading(lexicon, word, tag)) return share * reading->prob;
  const OpenClassTable& table = lexicon.table_for(word);
  if (!table.loaded) {
    warning2(config, "Unknown word", word);
    return share;
  }
  double p = table.entries[tag].prob;
  if (p == 0.0) {
    warning2(config, "Unknown word with non-open-class tag",
             std::string(word) + " (" + grammar.name(tag) + ")");
    p = kNonOpenClassProb;
  }
  return share * p;
}

void add_lexical_frequency(Lexicon& lexicon, int tag, std::string_view word, int lemma, double f,
                           const RunConfig& config) {
  LexEntry* entry = lexicon.find_word(word);
  TagEntry* reading = entry ? find_tag(entry->tags, tag) : nullptr;
  if (reading) {
    if (!(config.lexicalise && config.stems)) {
      reading->freq += f;
      return;
    }
    for (LemmaEntry& l : reading->lemmas)
      if (l.lemma == lemma) l.freq += f;
    return;
  }
  OpenClassTable& table = lexicon.table_for(word);
  if (table.loaded) table.entries[tag].freq += f;
}

void mark_rare_heads(Lexicon& lexicon, double at_most) {
  lexicon.unknown_head.assign(lexicon.entries.size(), false);
  for (std::size_t w = 0; w < lexicon.entries.size(); ++w) {
    double seen = 0;
    for (const TagEntry& t : lexicon.entries[w].tags) seen += t.freq;
    lexicon.unknown_head[w] = seen <= at_most;
  }
}

int lexical_item_index(const Lexicon& lexicon, std::string_view s, const RunConfig& config) {
  return config.stems ? lexicon.lemmas.index(s) : lexicon.word_index(s);
}

std::string_view lexical_item_name(const Lexicon& lexicon, int id, const RunConfig& config) {
  if (id == -1) return "<unknown>";
  return config.stems ? std::string_view(lexicon.lemmas.name(id))
                      : std::string_view(lexicon.entries[id].word);
}

int lexical_item_count(const Lexicon& lexicon, const RunConfig& config) {
  return config.stems ? lexicon.lemmas.size() : static_cast<int>(lexicon.entries.size());
}

}  // namespace velmo
