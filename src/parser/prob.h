// PROB: a probability held as its natural logarithm, so that long sentences do not underflow.
// Zero is the value -1e308; products are sums and sums are log-additions.
#pragma once

#include <cmath>

#include "base/diagnostics.h"

namespace velmo {

struct PROB {
  static constexpr double kZero = -1e308;
  double log = kZero;

  static PROB zero() { return PROB{}; }
  static PROB one() { return PROB{0.0}; }
  // Fatal "Cannot convert a negative number to type PROB" for x < 0.
  static PROB from(double x) {
    if (x < 0) fatal_error("Cannot convert a negative number to type PROB");
    return x == 0 ? zero() : PROB{std::log(x)};
  }

  bool is_zero() const { return log == kZero; }
  // exp of the value, cut to 0 below e^-700 (what printers and frequency counts use).
  double value() const { return log < -700 ? 0.0 : std::exp(log); }

  friend PROB operator*(PROB a, PROB b) {
    return a.is_zero() || b.is_zero() ? zero() : PROB{a.log + b.log};
  }
  friend PROB operator/(PROB a, PROB b) {
    if (b.is_zero()) fatal_error("Division by zero");
    return a.is_zero() ? zero() : PROB{a.log - b.log};
  }
  friend PROB operator+(PROB a, PROB b) {
    if (a.is_zero()) return b;
    if (b.is_zero()) return a;
    if (a.log < b.log - 70) return b;
    if (b.log < a.log - 70) return a;
    // The smaller term is e^0 = 1 exactly, so only the other needs exp.
    double m = a.log < b.log ? a.log : b.log;
    double d = a.log < b.log ? b.log - m : a.log - m;
    return PROB{m + std::log(1.0 + std::exp(d))};
  }
  PROB& operator*=(PROB b) { return *this = *this * b; }
  PROB& operator+=(PROB b) { return *this = *this + b; }
  friend bool operator<(PROB a, PROB b) { return a.log < b.log; }
  friend bool operator>(PROB a, PROB b) { return a.log > b.log; }
  friend bool operator<=(PROB a, PROB b) { return a.log <= b.log; }
  friend bool operator>=(PROB a, PROB b) { return a.log >= b.log; }
  friend bool operator==(PROB a, PROB b) { return a.log == b.log; }
};

}  // namespace velmo
