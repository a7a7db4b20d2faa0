#include "parser/bracket_filter.h"

#include <algorithm>

namespace velmo {

// Bracket starts and ends are word indices, compared with chart positions as the matching
// compares them; with a lattice the two may differ, so the tables cover both ranges.
void BracketFilter::set(const std::vector<Bracket>& brackets, int positions,
                        const std::vector<bool>& insertable) {
  int size = positions;
  for (const Bracket& b : brackets) size = std::max({size, b.start, b.end});
  ++size;
  ends_inside_.assign(size, INT_MAX);
  starts_inside_.assign(size, -1);
  at_start_.assign(size, {});
  for (const Bracket& b : brackets) {
    at_start_[b.start].push_back(&b);
    if (b.end < 0) continue;  // open-ended, or never closed: crosses nothing
    for (int p = b.start + 1; p < b.end; ++p) {
      ends_inside_[p] = std::min(ends_inside_[p], b.end);
      starts_inside_[p] = std::max(starts_inside_[p], b.start);
    }
  }
  insertable_ = &insertable;
  all_insertable_ = std::all_of(insertable.begin(), insertable.end(), [](bool b) { return b; });
}

bool BracketFilter::licensed(int category, int start, int end, bool exact) const {
  if (start >= static_cast<int>(at_start_.size())) return false;
  for (const Bracket* b : at_start_[start]) {
    const bool spans = b->end == Bracket::kOpenEnded || (exact ? b->end == end : b->end > end);
    if (spans && (b->categories.empty() || std::find(b->categories.begin(), b->categories.end(),
                                                     category) != b->categories.end()))
      return true;
  }
  return false;
}

}  // namespace velmo
