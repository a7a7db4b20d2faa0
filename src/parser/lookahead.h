// Two filters over the left-corner relation of the grammar, so that the chart makes only items
// and nodes that can be part of an analysis. Neither changes a forest as seen from its roots;
// they only save the work and memory spent on dead ends.
//
// Lookahead (bottom-up, from the words): a node of category X starting at p makes every
// category that X is a left corner of (X itself, the mothers of rules that begin with X, their
// mothers, ...) startable at p. An item that ends at p and waits for a category that cannot
// start at p is never extended.
//
// Prediction (top-down, from the items): the categories wanted at p are the start categories
// at 0 and, later, the categories that items ending at p wait for. A rule is started at p only
// if its mother can begin a wanted category; otherwise nothing it builds can be reached from a
// root. This needs every item ending at p to exist before the first node starting at p is
// propagated, which holds when every word ending at p is inserted before any word starting at
// p; the caller switches prediction on per sentence only then.
#pragma once

#include <cstdint>
#include <vector>

#include "grammar/grammar.h"

namespace velmo {

using CategorySet = std::vector<uint64_t>;  // one bit per category

inline bool has_category(const CategorySet& set, int category) {
  return (set[category >> 6] >> (category & 63)) & 1;
}

// The left-corner relation, closed, computed once per grammar. Grammars with more symbols than
// kMaxSymbols get no table (it takes symbols^2 bits), and the filters keep everything.
class LeftCornerTable {
 public:
  static constexpr int kMaxSymbols = 4096;

  explicit LeftCornerTable(const Grammar& grammar);

  bool enabled() const { return enabled_; }
  int words() const { return words_; }  // 64-bit words per category set
  // The categories that x can begin: x, the mothers of the rules that begin with x, ...
  const CategorySet& begins(int x) const { return begins_[x]; }
  // The categories that can begin x (the transposed relation).
  const CategorySet& begun_by(int x) const { return begun_by_[x]; }

 private:
  bool enabled_ = false;
  int words_ = 0;
  std::vector<CategorySet> begins_, begun_by_;
};

class Lookahead {
 public:
  explicit Lookahead(const LeftCornerTable& table) : table_(table) {}

  // Forgets the previous sentence; until the first expect_start every item is kept.
  void begin_sentence();
  // A word reading of `category` will start at `position`.
  void expect_start(int position, int category);
  // False only when nothing declared for the sentence lets `category` start at `position`.
  bool may_start(int position, int category) const {
    if (!active_) return true;
    if (position >= static_cast<int>(starts_.size())) return false;
    return has_category(starts_[position], category);
  }

 private:
  const LeftCornerTable& table_;
  bool active_ = false;              // declarations were made for this sentence
  std::vector<CategorySet> starts_;  // per position: the categories that can start there
};

class Prediction {
 public:
  explicit Prediction(const LeftCornerTable& table) : table_(table) {}

  // Forgets the previous sentence and keeps every rule until start() is called.
  void begin_sentence();
  // Switches prediction on for this sentence: the start categories are wanted at 0.
  void start(const Grammar& grammar);
  // An item ending at `position` now waits for `category`.
  void want(int position, int category);
  // False when no wanted category at `position` can begin with `mother`.
  bool may_begin(int position, int mother) const {
    if (!active_) return true;
    return position < static_cast<int>(predicted_.size()) &&
           has_category(predicted_[position], mother);
  }

 private:
  const LeftCornerTable& table_;
  bool active_ = false;
  int used_ = 0;                         // positions touched this sentence
  std::vector<CategorySet> predicted_;   // per position: the mothers that may begin there
};

}  // namespace velmo
