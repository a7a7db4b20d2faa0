#include <gtest/gtest.h>

#include <vector>

#include "model/estimation.h"

namespace velmo {
namespace {

using Vector = std::vector<double>;

void expect_near(const Vector& actual, const Vector& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i)
    EXPECT_NEAR(actual[i], expected[i], 1e-12) << "at " << i;
}

Vector smoothed(Vector f, double d = 0.0, const Vector* weights = nullptr) {
  smooth_frequencies(f, weights, d);
  return f;
}

TEST(SmoothingTest, DiscountRejectedWhenUnseenWouldOutweighSeen) {
  // N1 = 2, N2 = 1: D = 0.5, the unseen rule would get 2 against a smallest 0.5.
  expect_near(smoothed({0, 1, 1, 2, 5}), {0.5, 1, 1, 2, 5});
  // D = 1/7 and M = 6/7: 2 * 6/7 is not below 1 - 1/7.
  expect_near(smoothed({0, 1, 2, 2, 2, 10, 10}), {0.5, 1, 2, 2, 2, 10, 10});
}

TEST(SmoothingTest, DiscountAcceptedSpreadsTheMassOverUnseenEvents) {
  Vector f(10, 0.0);
  for (double x : {1.0, 2.0, 10.0, 20.0}) f.push_back(x);
  Vector expected(10, 4.0 / 30);
  for (double x : {1.0, 2.0, 10.0, 20.0}) expected.push_back(x - 1.0 / 3);
  expect_near(smoothed(f), expected);
}

TEST(SmoothingTest, NothingUnseenLeavesTheVectorAlone) {
  expect_near(smoothed({0.9, 3, 1.2}), {0.9, 3, 1.2});
  expect_near(smoothed({}), {});
}

TEST(SmoothingTest, SeenFromPointNine) {
  // 0.9 counts as once-seen and 1.9 as twice-seen; the discount is rejected, so only the zero
  // changes.
  expect_near(smoothed({0.9, 1.9, 0}), {0.9, 1.9, 0.5});
  // Below 0.9 is unseen; without once-seen events the additive fallback replaces it.
  expect_near(smoothed({0.8999999, 1.9, 0}), {0.5, 1.9, 0.5});
  // Values below 0.9 are replaced, not raised.
  expect_near(smoothed({0.7, 5, 6}, 0.25), {0.25, 5, 6});
}

TEST(SmoothingTest, WeightsShareTheDiscountedMass) {
  Vector f(10, 0.0);
  Vector w(10, 1.0);
  w[0] = 2.0;
  for (double x : {1.0, 2.0, 10.0, 20.0}) {
    f.push_back(x);
    w.push_back(100.0);  // weights of seen events do not matter
  }
  Vector s = smoothed(f, 0.0, &w);
  // M = 4/3 over W0 = 11.
  EXPECT_NEAR(s[0], 4.0 / 3 / 11 * 2, 1e-12);
  EXPECT_NEAR(s[1], 4.0 / 3 / 11, 1e-12);
  EXPECT_NEAR(s[10], 1 - 1.0 / 3, 1e-12);
}

TEST(SmoothingTest, WeightedFallbackScalesByUnseenWeight) {
  Vector w = {1, 3, 5, 5};
  // N0 = 2, W0 = 4: d = 0.4 * 2 / 4 = 0.2, times each weight.
  expect_near(smoothed({0, 0.5, 4, 7}, 0.4, &w), {0.2, 0.6, 4, 7});
}

}  // namespace
}  // namespace velmo
