// Lookahead over the words of a sentence: which categories can have a node starting at each
// position. A node of category X starting at p makes every category that X is a left corner of
// (X itself, the mothers of rules that begin with X, their mothers, ...) startable at p.
//
// The chart uses it to leave out items that could never be extended: an item that ends at p
// and waits for a category that cannot start at p. Such an item is never part of an analysis,
// so leaving it out changes no forest, only the work and memory spent on the sentence.
#pragma once

#include <cstdint>
#include <vector>

#include "grammar/grammar.h"

namespace velmo {

class Lookahead {
 public:
  // Grammars with more symbols than this parse without lookahead: the left-corner table would
  // take symbols^2 bits.
  static constexpr int kMaxSymbols = 4096;

  explicit Lookahead(const Grammar& grammar);

  // Forgets the previous sentence; until the first expect_start every item is kept.
  void begin_sentence();
  // A word reading of `category` will start at `position`.
  void expect_start(int position, int category);
  // False only when nothing declared for the sentence lets `category` start at `position`.
  bool may_start(int position, int category) const {
    if (!active_) return true;
    if (position >= static_cast<int>(starts_.size())) return false;
    return (starts_[position][category >> 6] >> (category & 63)) & 1;
  }

 private:
  using Bits = std::vector<uint64_t>;
  void close_left_corners(const Grammar& grammar);

  int words_ = 0;                  // 64-bit words per category set
  bool enabled_ = false;           // the grammar is small enough
  bool active_ = false;            // declarations were made for this sentence
  std::vector<Bits> left_corner_;  // per category: the categories it can start
  std::vector<Bits> starts_;       // per position: the categories that can start there
};

}  // namespace velmo
