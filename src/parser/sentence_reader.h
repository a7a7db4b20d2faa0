// The sentence input format: one word per line (a word, then optionally a tab and category
// names), or with -lattice-input a start and an end position before the word; a line without a
// word ends the sentence. With -sent-weights the line after a sentence is the next sentence's
// weight. Lines that begin with a tab carry treebank brackets, which go into the Sentence.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "base/run_config.h"
#include "grammar/grammar.h"
#include "parser/bracket_matching.h"
#include "parser/sentence.h"

namespace velmo {

constexpr std::size_t kSentenceLineSize = 10000;  // buffer of read_line, newline included

// One word line, split. The views point into the reader's line buffer and stay valid until the
// next read.
struct WordLine {
  int start = 0;             // chart span; taken from the line only with -lattice-input
  int end = 0;
  std::string_view word;
  std::string_view categories;  // everything after the word's tab, to be split into names
};

class SentenceReader {
 public:
  // `matching` translates the labels of bracket lines; without it every label must be a
  // grammar category.
  SentenceReader(FILE* in, const Grammar& grammar, const RunConfig& config,
                 const BracketMatching* matching = nullptr)
      : in_(in), grammar_(grammar), config_(config), matching_(matching) {}

  // Reads the weight line into sentence.weight; false when the input ends instead.
  bool read_weight(Sentence& sentence);
  // Reads up to the next word line of the sentence, recording bracket lines on the way. The span
  // of a plain word follows the sentence's last position. False when the sentence ends.
  bool next_word(Sentence& sentence, WordLine& word);
  // True once a read has met the end of the input.
  bool at_end() const { return at_end_; }

 private:
  bool read(std::string& line);
  bool parse_word_line(const Sentence& sentence, WordLine& word);
  void parse_positions(std::string_view& cursor, WordLine& word);
  void parse_bracket_line(Sentence& sentence);
  void add_bracket_categories(std::string_view cursor, Bracket& bracket);

  FILE* in_;
  const Grammar& grammar_;
  const RunConfig& config_;
  const BracketMatching* matching_;
  std::string line_;
  bool at_end_ = false;
};

}  // namespace velmo
