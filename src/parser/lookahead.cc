#include "parser/lookahead.h"

#include <bit>

namespace velmo {

// Depth-first over "is the first daughter of a rule of", from every category; then transposed.
LeftCornerTable::LeftCornerTable(const Grammar& grammar) {
  int symbols = grammar.symbol_count();
  if (symbols > kMaxSymbols) return;
  enabled_ = true;
  words_ = (symbols + 63) / 64;
  begins_.assign(symbols, CategorySet(words_, 0));
  std::vector<int> pending;
  for (int x = 0; x < symbols; ++x) {
    CategorySet& reached = begins_[x];
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
  begun_by_.assign(symbols, CategorySet(words_, 0));
  for (int x = 0; x < symbols; ++x) {
    for (int w = 0; w < words_; ++w) {
      for (uint64_t bits = begins_[x][w]; bits; bits &= bits - 1) {
        const int y = 64 * w + std::countr_zero(bits);
        begun_by_[y][x >> 6] |= uint64_t{1} << (x & 63);
      }
    }
  }
}

void Lookahead::begin_sentence() {
  if (!active_) return;
  active_ = false;
  for (CategorySet& s : starts_) s.assign(table_.words(), 0);
}

void Lookahead::expect_start(int position, int category) {
  if (!table_.enabled()) return;
  active_ = true;
  if (position >= static_cast<int>(starts_.size()))
    starts_.resize(position + 1, CategorySet(table_.words(), 0));
  CategorySet& at = starts_[position];
  const CategorySet& corners = table_.begins(category);
  for (int w = 0; w < table_.words(); ++w) at[w] |= corners[w];
}

void Prediction::begin_sentence() {
  for (int p = 0; p < used_; ++p) predicted_[p].assign(table_.words(), 0);
  used_ = 0;
  active_ = false;
}

void Prediction::start(const Grammar& grammar) {
  if (!table_.enabled()) return;
  active_ = true;
  for (int x = 0; x < grammar.symbol_count(); ++x) {
    if (grammar.data[x].start_prob > 0) want(0, x);
  }
}

void Prediction::want(int position, int category) {
  if (!active_) return;
  if (position >= static_cast<int>(predicted_.size()))
    predicted_.resize(position + 1, CategorySet(table_.words(), 0));
  if (position >= used_) used_ = position + 1;
  CategorySet& at = predicted_[position];
  const CategorySet& mothers = table_.begun_by(category);
  for (int w = 0; w < table_.words(); ++w) at[w] |= mothers[w];
}

}  // namespace velmo
