// Discount smoothing of one frequency vector: absolute discounting where it leaves every
// unseen event below the seen ones, additive smoothing otherwise.
#include <cmath>
#include <vector>

#include "model/estimation.h"

namespace velmo {

namespace {

// A frequency counts as seen from 0.9 on: r = trunc(f + (1.0 - 0.9)) is 0 below 0.9, 1 below
// 1.9 and 2 below 2.9. The constant is 1.0 - 0.9 computed in double, 0.09999999999999998.
constexpr double kRoundUp = 1.0 - 0.9;
constexpr double kSeen = 0.9;

double weight(const std::vector<double>* weights, std::size_t i) {
  return weights ? (*weights)[i] : 1.0;
}

struct Counts {
  int n0 = 0, n1 = 0, n2 = 0;
  double w0 = 0.0;  // sum of the weights of the unseen events
};

Counts count_frequencies(const std::vector<double>& f, const std::vector<double>* weights) {
  Counts c;
  for (std::size_t i = 0; i < f.size(); ++i) {
    double r = std::trunc(f[i] + kRoundUp);
    if (r == 0.0) {
      ++c.n0;
      if (weights) c.w0 += (*weights)[i];
    } else if (r == 1.0) {
      ++c.n1;
    } else if (r == 2.0) {
      ++c.n2;
    }
  }
  return c;
}

// Absolute discounting; false (f restored) when an unseen event would end up with more than
// half the smallest seen value.
bool try_discount(std::vector<double>& f, const std::vector<double>* weights, const Counts& c) {
  const std::vector<double> saved = f;
  double discount = static_cast<double>(c.n1) / (c.n1 + 2 * c.n2);
  double mass = 0.0;
  for (double& x : f) {
    if (x < kSeen) {
      mass += x;
      x = 0.0;
    } else {
      x -= discount;
      mass += discount;
    }
  }
  double z = weights ? c.w0 : c.n0;
  double unseen_sum = 0.0, smallest_seen = 1e300;
  int unseen = 0;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (f[i] == 0.0) {
      f[i] = mass / z * weight(weights, i);
      unseen_sum += f[i];
      ++unseen;
    } else if (f[i] < smallest_seen) {
      smallest_seen = f[i];
    }
  }
  if (unseen > 0 && 2.0 * unseen_sum / unseen < smallest_seen) return true;
  f = saved;
  return false;
}

void add_constant(std::vector<double>& f, const std::vector<double>* weights, const Counts& c,
                  double d) {
  if (weights) d = d * c.n0 / c.w0;
  for (std::size_t i = 0; i < f.size(); ++i)
    if (f[i] < kSeen) f[i] = d * weight(weights, i);
}

}  // namespace

void smooth_frequencies(std::vector<double>& f, const std::vector<double>* weights, double d) {
  if (f.empty()) return;
  if (d == 0.0) d = 0.5;
  Counts c = count_frequencies(f, weights);
  if (c.n0 == 0) return;
  if (c.n1 > 0 && c.n2 > 0 && try_discount(f, weights, c)) return;
  add_constant(f, weights, c, d);
}

}  // namespace velmo
