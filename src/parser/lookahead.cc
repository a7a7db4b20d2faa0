#include "parser/lookahead.h"

namespace velmo {

Lookahead::Lookahead(const Grammar& grammar) {
  int symbols = grammar.symbol_count();
  if (symbols > kMaxSymbols) return;
  enabled_ = true;
  words_ = (symbols + 63) / 64;
  close_left_corners(grammar);
}

// Depth-first over "is the first daughter of a rule of", from every category.
void Lookahead::close_left_corners(const Grammar& grammar) {
  int symbols = grammar.symbol_count();
  left_corner_.assign(symbols, Bits(words_, 0));
  std::vector<int> pending;
  for (int x = 0; x < symbols; ++x) {
    Bits& reached = left_corner_[x];
    pending.assign(1, x);
    reached[x >> 6] |= uint64_t{1} << (x & 63);
    while (!pending.empty()) {
      int y = pending.back();
      pending.pop_back();
      for (const RuleRef& r : grammar.data[y].first_daughter) {
        uint64_t bit = uint64_t{1} << (r.mother & 63);
        if (reached[r.mother >> 6] & bit) continue;
        reached[r.mother >> 6] |= bit;
        pending.push_back(r.mother);
      }
    }
  }
}

void Lookahead::begin_sentence() {
  if (!active_) return;
  active_ = false;
  for (Bits& b : starts_) b.assign(words_, 0);
}

void Lookahead::expect_start(int position, int category) {
  if (!enabled_) return;
  active_ = true;
  if (position >= static_cast<int>(starts_.size())) starts_.resize(position + 1, Bits(words_, 0));
  Bits& at = starts_[position];
  const Bits& corners = left_corner_[category];
  for (int w = 0; w < words_; ++w) at[w] |= corners[w];
}

}  // namespace velmo
