#include "lexmodel/lex_model.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "base/diagnostics.h"

namespace velmo {

void LexModel::reset(int symbol_count) {
  starts.assign(symbol_count, LexicalisedStart{});
  rules.assign(symbol_count, {});
  choices.clear();
}

const LexicalisedHead* LexModel::head_rules(int mother, int head) const {
  return find_record(rules[mother], head, [](const LexicalisedHead& r) { return r.head; });
}

const DaughterClassChoices* LexModel::daughter_choices(int daughter_class) const {
  return find_record(choices, daughter_class,
                     [](const DaughterClassChoices& r) { return r.daughter_class; });
}

const ParentHeadChoices* LexModel::parent_head_choices(int daughter_class, int parent_class,
                                                       int parent_head) const {
  const DaughterClassChoices* d = daughter_choices(daughter_class);
  if (!d) return nullptr;
  const ParentClassChoices* p = find_record(
      d->parents, parent_class, [](const ParentClassChoices& r) { return r.parent_class; });
  if (!p) return nullptr;
  return find_record(p->heads, parent_head,
                     [](const ParentHeadChoices& r) { return r.parent_head; });
}

const FixedChoice* LexModel::fixed_choice(int daughter_class, int parent_class,
                                          int parent_head) const {
  const auto context = std::tuple(daughter_class, parent_class, parent_head);
  auto key = [](const FixedChoice& f) {
    return std::tuple(f.daughter_class, f.parent_class, f.parent_head);
  };
  auto it = std::lower_bound(fixed.begin(), fixed.end(), context,
                             [&](const FixedChoice& f, const auto& k) { return key(f) < k; });
  return it != fixed.end() && key(*it) == context ? &*it : nullptr;
}

// ---------------------------------------------------------------- smoothing

namespace {

// The class of a frequency: 0 below 0.9, 1 below 1.9, 2 below 2.9 (1 - 0.9 in double is
// 0.09999999999999998).
// Kept in double: a frequency may be far beyond the range of int.
double frequency_class(double v) { return std::trunc(v + 0.09999999999999998); }

// What the smoothed values leave of 1 goes to the largest value, when it can take it.
void correct_rounding(std::vector<double>& v, double n0, double p0) {
  double rest = 1.0 - n0 * p0;
  for (double x : v) rest -= x;
  if (rest >= 0 || v.empty()) return;
  size_t largest = 0;
  for (size_t i = 1; i < v.size(); ++i)
    if (v[i] > v[largest]) largest = i;
  if (v[largest] > -rest) v[largest] += rest;
}

// Absolute discounting; false (values untouched) when its unseen share would exceed the
// smallest seen value.
bool discount(std::vector<double>& v, double n0, double n1, double n2, double total, double& p0) {
  const double d = n1 / (n1 + 2 * n2);
  std::vector<double> discounted = v;
  double mass = 0, smallest = 1e300;
  for (double& x : discounted) {
    if (x < 0.9) {
      mass += x;
      x = 0;
    } else {
      mass += d;
      x -= d;
      smallest = std::min(smallest, x);
    }
  }
  if (!(2 * mass / n0 < smallest)) return false;
  for (double& x : discounted) x /= total;
  v = std::move(discounted);
  p0 = mass / (total * n0);
  return true;
}

}  // namespace

double smooth(std::vector<double>& v, int unseen) {
  double n0 = std::max(unseen, 0), n1 = 0, n2 = 0, total = 0;
  for (double x : v) {
    const double k = frequency_class(x);
    if (k == 0) ++n0;
    if (k == 1) ++n1;
    if (k == 2) ++n2;
    total += x;
  }
  double p0 = 0;
  if (n0 > 0 && total > 0 && n1 > 0 && n2 > 0 && discount(v, n0, n1, n2, total, p0)) return p0;
  // Additive fallback: every value below 0.9 counts as unseen and shares 0.001 per event.
  double seen = 0;
  for (double& x : v) {
    if (x < 0.9) x = 0;
    seen += x;
  }
  const double denominator = 0.001 * n0 + seen;
  const double f = denominator > 0 ? 1.0 / denominator : 0.0;
  for (double& x : v) x *= f;
  p0 = n0 > 0 ? 0.001 * f : 0.0;
  correct_rounding(v, n0, p0);
  return p0;
}

const HeadProbability* find_head(const HeadDistribution& d, int head) {
  auto it = std::lower_bound(d.begin(), d.end(), head,
                             [](const HeadProbability& e, int h) { return e.head < h; });
  return it != d.end() && it->head == head ? &*it : nullptr;
}

double backoff_sum(const HeadDistribution& specific, const HeadDistribution& general) {
  double sum = 1.0;
  for (const HeadProbability& e : specific)
    if (const HeadProbability* g = find_head(general, e.head)) sum -= g->prob;
  if (sum < 0 && sum > -0.00001) return 0.0;
  if (sum < 0) fatal_error("internal error in function backoff_sum");
  return sum;
}

}  // namespace velmo
