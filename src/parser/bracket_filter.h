// A third filter of the chart, for a sentence with treebank brackets: what the bracket matching
// would throw away after parsing is not built in the first place. A constituent whose span
// crosses a closed bracket cannot stand in any tree that matches every bracket, and one whose
// category is not insertable must match a bracket of its own span. An item is refused when its
// mother would cross a bracket whatever its end, or could match no bracket while it must.
//
// The forest seen from the roots after matching stays the same; only dead ends are saved (a node
// first reached through one of them may take another place in its lists).
#pragma once

#include <climits>
#include <vector>

#include "parser/sentence.h"

namespace velmo {

class BracketFilter {
 public:
  // `insertable`: per category, whether it may stand without a bracket of its own. The
  // brackets are those of one sentence, in opening order; `positions` its last chart position.
  void set(const std::vector<Bracket>& brackets, int positions, const std::vector<bool>& insertable);

  bool node_allowed(int category, int start, int end) const {
    return !crosses(start, end) && (insertable(category) || licensed(category, start, end, true));
  }
  // An incomplete item of `mother` over start..end: its mother will end after `end`.
  bool item_allowed(int mother, int start, int end) const {
    return ends_inside_[start] > end && (insertable(mother) || licensed(mother, start, end, false));
  }

 private:
  bool crosses(int start, int end) const {
    return ends_inside_[start] < end || starts_inside_[end] > start;
  }
  bool insertable(int category) const { return all_insertable_ || (*insertable_)[category]; }
  // A bracket at `start` that may match `category` ending at `end` (exact), or after `end`
  // (!exact).
  bool licensed(int category, int start, int end, bool exact) const;

  // ends_inside_[p]: the least end of a closed bracket that begins before p and ends after it;
  // starts_inside_[p]: the greatest start of one that begins before p and ends after it.
  std::vector<int> ends_inside_, starts_inside_;
  std::vector<std::vector<const Bracket*>> at_start_;
  const std::vector<bool>* insertable_ = nullptr;
  bool all_insertable_ = true;
};

}  // namespace velmo
