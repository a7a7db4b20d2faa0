// Reading the lexicon file in two passes: the first counts the entries and, with -stems,
// interns the lemmas (so that lemma ids are final before any reading refers to one); the
// second builds the entries.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/diagnostics.h"
#include "base/text_input.h"
#include "lexicon/lexicon.h"
#include "lexicon/mwl_trie.h"

namespace velmo {

namespace {

constexpr std::size_t kLexiconLineSize = 100000;
// Readings with a known tag per line, counting from 1; reaching this one is an error.
constexpr int kTooManyReadings = 1000;

constexpr const char* kMissingFrequency =
    "Missing frequency in lexicon file at line (missing option -stems?)";
constexpr const char* kMissingLemma = "Missing lemma in lexicon file at line";

struct Reading {
  int tag;
  int lemma;  // -1 without -stems
  double freq;
};

struct LexiconReader {
  LexiconReader(FILE* file, Grammar& g, Lexicon& l, const RunConfig& c)
      : in(file), grammar(g), lexicon(l), config(c) {}

  FILE* in;
  Grammar& grammar;
  Lexicon& lexicon;
  const RunConfig& config;
  std::string line;
  long line_number = 0;
  std::vector<Reading> readings;
  std::string number;  // NUL-terminated copy of a frequency field for strtod

  bool next_line(std::string_view& cursor) {
    if (!read_line(in, line, kLexiconLineSize)) return false;
    ++line_number;
    cursor = line;
    return true;
  }

  // Pass 1: counts the lines with a word and, with -stems, checks the readings and interns
  // the lemmas of known tags.
  int count_entries() {
    int count = 0;
    std::string_view cursor;
    while (next_line(cursor)) {
      if (next_field(cursor).empty()) continue;
      ++count;
      while (check_reading(cursor)) {
      }
    }
    return count;
  }

  // One reading of pass 1; false when the fields have ended.
  bool check_reading(std::string_view& cursor) {
    std::string_view tag = next_token(cursor);
    if (tag.empty()) return false;
    if (!config.symbolic && next_token(cursor).empty())
      fatal_error_num(kMissingFrequency, line_number);
    if (!config.stems) return true;
    std::string_view lemma = next_field(cursor);
    if (lemma.empty()) fatal_error_num(kMissingLemma, line_number);
    bool head_marked = false;
    int id = grammar.symbols.lookup(tag, LookupMode::kWarn, config, &head_marked);
    if (head_marked && !is_apostrophe_name(tag))
      fatal_error_num("Head marking in lexicon entry at line", line_number);
    if (id >= 0) lexicon.lemmas.intern(lemma, config);
    return true;
  }

  // Pass 2.
  void read_entries() {
    std::string_view cursor;
    while (next_line(cursor)) {
      std::string_view word = next_field(cursor);
      if (word.empty()) continue;
      read_readings(cursor);
      merge_readings();
      if (readings.empty()) {
        warning2(config, "word without a (known) tag", word);
        continue;
      }
      add_entry(word);
    }
  }

  void read_readings(std::string_view& cursor) {
    readings.clear();
    int known = 0;
    for (;;) {
      std::string_view tag_name = next_token(cursor);
      if (tag_name.empty()) return;
      int tag = grammar.symbols.lookup(tag_name, LookupMode::kSilent, config);
      double freq = config.symbolic ? 1.0 : read_frequency(next_token(cursor));
      int lemma = config.stems ? read_lemma(cursor) : -1;
      if (tag < 0) continue;
      if (++known == kTooManyReadings)
        fatal_error_num("Too many tags in lexicon file at line", line_number);
      readings.push_back({tag, lemma, freq});
    }
  }

  double read_frequency(std::string_view field) {
    number.assign(field);
    char* end = nullptr;
    double value = std::strtod(number.c_str(), &end);
    if (field.empty() || *end != '\0' || !std::isfinite(value)) {
      std::fprintf(stderr, "Error at: %s\n", number.c_str());
      fatal_error_num(kMissingFrequency, line_number);
    }
    if (value < 0) fatal_error_num("Negative frequency in lexicon file at line", line_number);
    return value;
  }

  int read_lemma(std::string_view& cursor) {
    std::string_view lemma = next_field(cursor);
    if (lemma.empty()) fatal_error_num(kMissingLemma, line_number);
    return lexicon.lemmas.index(lemma);
  }

  // Sorts by tag (and lemma) and adds up the frequencies of equal readings.
  void merge_readings() {
    // Stable, so that equal readings are added up in file order.
    std::stable_sort(readings.begin(), readings.end(), [](const Reading& a, const Reading& b) {
      return a.tag != b.tag ? a.tag < b.tag : a.lemma < b.lemma;
    });
    std::size_t kept = 0;
    for (const Reading& r : readings) {
      if (kept > 0 && readings[kept - 1].tag == r.tag && readings[kept - 1].lemma == r.lemma)
        readings[kept - 1].freq += r.freq;
      else
        readings[kept++] = r;
    }
    readings.resize(kept);
  }

  void add_entry(std::string_view word) {
    LexEntry entry;
    entry.word.assign(word);
    for (const Reading& r : readings) {
      if (!config.stems) {
        entry.tags.push_back({r.tag, 0.0f, r.freq, {}});
        ++grammar.data[r.tag].head_count;
        continue;
      }
      // Consecutive readings of one tag become the lemmas of one tag entry.
      if (entry.tags.empty() || entry.tags.back().tag != r.tag)
        entry.tags.push_back({r.tag, 0.0f, 0.0, {}});
      entry.tags.back().freq += r.freq;
      entry.tags.back().lemmas.push_back({r.lemma, 0.0, r.freq});
    }
    lexicon.entries.push_back(std::move(entry));
  }
};

void sort_entries(std::vector<LexEntry>& entries) {
  std::sort(entries.begin(), entries.end(),
            [](const LexEntry& a, const LexEntry& b) { return a.word < b.word; });
}

void check_unique_words(const std::vector<LexEntry>& entries) {
  for (std::size_t i = 1; i < entries.size(); ++i)
    if (entries[i].word == entries[i - 1].word)
      fatal_error2("Lexicon contains two entries for", entries[i].word);
}

}  // namespace

void read_lexicon(FILE* in, Grammar& grammar, Lexicon& lexicon, const RunConfig& config) {
  LexiconReader reader(in, grammar, lexicon, config);
  int count = reader.count_entries();
  if (config.stems) lexicon.lemmas.freeze();
  std::rewind(in);
  reader.line_number = 0;
  lexicon.entries.clear();
  lexicon.entries.reserve(count);
  reader.read_entries();
  sort_entries(lexicon.entries);
  build_mwl_index(lexicon.entries, lexicon.mwl_root);
  check_unique_words(lexicon.entries);
}

}  // namespace velmo
