// The words of the sentence being parsed: their texts and chart spans, the number of chart
// positions, the sentence weight and the brackets of treebank annotation lines; and the echo
// of a sentence in "No parse for:" lines and in the -fails file.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace velmo {

constexpr int kMaxWords = 9999;

struct Bracket {
  int start = 0;
  int end = -1;                 // word index; kOpen while open, kOpenEnded for "["
  std::vector<int> categories;  // empty: any category
  static constexpr int kOpen = -1;
  static constexpr int kOpenEnded = -2;
};

struct Sentence {
  // In input order. The forest's lexical nodes point to copies in the chart's pool instead, so
  // these may move as the sentence grows.
  std::vector<std::string> words;
  std::vector<int> starts, ends;   // chart span of each word
  int position_count = 0;          // the largest word end so far
  double weight = 1.0;             // with -sent-weights
  std::vector<Bracket> brackets;

  int word_count() const { return static_cast<int>(words.size()); }
  void clear() {
    words.clear();
    starts.clear();
    ends.clear();
    position_count = 0;
    weight = 1.0;
    brackets.clear();
  }
};

// The sentence as print_sentence writes it, as a string.
std::string sentence_text(const std::vector<std::string>& words);
// A double quote, the words (unquoted, then escaped) separated by blanks, a double quote; then
// a flush. Results of any length are written whole.
void print_sentence(FILE* out, const Sentence& sentence);

}  // namespace velmo
