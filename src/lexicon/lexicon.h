// Lexicon: word forms with their part-of-speech readings (and lemmas with -stems), the two
// open-class tables for unknown words, and the trie of multi-word lexemes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/run_config.h"
#include "grammar/grammar.h"
#include "symbols/lemma_table.h"

namespace velmo {

struct LemmaEntry {
  int lemma = -1;
  double prob = 0.0;
  double freq = 0.0;
};

struct TagEntry {
  int tag = -1;
  float prob = 0.0f;  // P(word | tag) within the tag's lexical mass; single precision
  double freq = 0.0;
  std::vector<LemmaEntry> lemmas;  // with -stems only; ascending lemma id
};

struct LexEntry {
  std::string word;            // may contain blanks (a multi-word lexeme)
  std::vector<TagEntry> tags;  // ascending tag id, at least one
};

struct OpenClassEntry {
  bool open = false;
  double freq = 0.0;
  double prob = 0.0;
};

// One record per grammar symbol; `loaded` when the file held at least one entry.
struct OpenClassTable {
  bool loaded = false;
  std::vector<OpenClassEntry> entries;
};

// A trie over the component words of multi-word lexemes, keyed from the last word backwards.
struct MwlNode {
  int entry = -1;                   // lexicon index of the lexeme the path spells, or -1
  std::vector<std::string> words;   // child keys, byte order
  std::vector<MwlNode> children;    // parallel to words
  // The child under `word`, or null.
  const MwlNode* child(std::string_view word) const;
};

struct Lexicon {
  std::vector<LexEntry> entries;  // byte order of the words; the index is the word id
  LemmaTable lemmas;
  OpenClassTable open_class;      // -o
  OpenClassTable cap_open_class;  // -O, for words not starting with a lower-case letter
  MwlNode mwl_root;
  // Per entry, with -rare-heads: the word is lexicalised as the unknown head. Empty otherwise.
  std::vector<bool> unknown_head;

  // The entry of the word, else of its lower-case variant, else null.
  const LexEntry* find_word(std::string_view word) const;
  LexEntry* find_word(std::string_view word);
  // Index of the entry (same search), or -1.
  int word_index(std::string_view word) const;
  bool heads_as_unknown(int index) const {
    return index < static_cast<int>(unknown_head.size()) && unknown_head[index];
  }
  // The open-class table for a word that is not in the lexicon.
  const OpenClassTable& table_for(std::string_view word) const;
  OpenClassTable& table_for(std::string_view word);
};

// Reads the lexicon (two passes; the stream must be seekable). Raises tag head counts.
void read_lexicon(FILE* in, Grammar& grammar, Lexicon& lexicon, const RunConfig& config);
// Reads an open-class file into `table`; raises head counts.
void read_open_classes(FILE* in, Grammar& grammar, OpenClassTable& table,
                       const RunConfig& config);

// Lexical probability P(word | tag) times the tag's lexical share, with the open-class tables
// for unknown words (and their warnings).
double lexical_probability(const Grammar& grammar, const Lexicon& lexicon, std::string_view word,
                           int tag, const RunConfig& config);
// Adds an expected frequency to the reading (tag, word), or to the open-class table.
void add_lexical_frequency(Lexicon& lexicon, int tag, std::string_view word, int lemma, double f,
                           const RunConfig& config);

// Marks the words whose frequencies, summed over their tags, are at most `at_most`: the
// head-lexicalised model treats them as unknown words, as the open-class files treat the words
// seen once, so that it learns what an unknown head does.
void mark_rare_heads(Lexicon& lexicon, double at_most);

// Lexical items (heads): lemmas with -stems, lexicon words otherwise; -1 is "<unknown>".
int lexical_item_index(const Lexicon& lexicon, std::string_view s, const RunConfig& config);
std::string_view lexical_item_name(const Lexicon& lexicon, int id, const RunConfig& config);
int lexical_item_count(const Lexicon& lexicon, const RunConfig& config);

}  // namespace velmo
