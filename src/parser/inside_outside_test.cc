#include "parser/inside_outside.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "base/test_support.h"
#include "parser/parser_test_util.h"

namespace velmo {
namespace {

using testing::fatal_text;
using testing::parse;
using testing::TestModel;

TEST(ProbTest, Arithmetic) {
  PROB half = PROB::from(0.5);
  PROB x = PROB::from(0.25);
  EXPECT_TRUE(PROB::from(0.0).is_zero());
  EXPECT_EQ((PROB::zero() + x).log, x.log);
  EXPECT_EQ((x + PROB::zero()).log, x.log);
  EXPECT_TRUE((PROB::zero() * x).is_zero());
  EXPECT_TRUE((PROB::zero() / x).is_zero());
  EXPECT_NEAR((half + half).log, 0.0, 1e-15);
  PROB big{-10.0}, small{-90.0};
  EXPECT_EQ((big + small).log, -10.0);
  EXPECT_EQ((small + big).log, -10.0);
  EXPECT_LT(PROB::zero(), PROB{-1e300});
  EXPECT_EQ(PROB{-700.5}.value(), 0.0);
  EXPECT_GT(PROB{-699.5}.value(), 0.0);
  EXPECT_EQ(fatal_text([] { (void)(PROB::one() / PROB::zero()); }),
            "\nERROR: Division by zero!\naborted.\n");
  EXPECT_EQ(fatal_text([] { (void)PROB::from(-0.1); }),
            "\nERROR: Cannot convert a negative number to type PROB!\naborted.\n");
}

// S -> NP VP (0.9), VP -> V NP (0.6), NP -> N (0.7) over N V N.
struct SimpleSentence {
  TestModel t{{"N", "NP", "S", "V", "VP"}};
  std::vector<std::string> words = {"cats", "chase", "mice"};
  SimpleSentence() {
    t.b.rule("S", {"NP", "VP"}, 0.9);
    t.b.rule("VP", {"V", "NP"}, 0.6);
    t.b.rule("NP", {"N"}, 0.7);
    t.b.start("S", 0.5);
    t.b.finish();
    t.word("cats", {{"N", 0.5f}});
    t.word("chase", {{"V", 0.5f}});
    t.word("mice", {{"N", 0.25f}});
  }
};

TEST(InsideTest, SentenceWeightScalesOnlyInTraining) {
  for (auto [sent_weights, train, weight, expected] :
       std::vector<std::tuple<bool, bool, double, double>>{
           {true, true, 2.5, 2.5}, {true, false, 2.5, 1.0}, {false, true, 2.5, 1.0},
           {true, true, 0.0, 0.0}}) {
    SimpleSentence s;
    s.t.config.sent_weights = sent_weights;
    s.t.config.train = train;
    Chart chart(s.t.model.grammar);
    parse(chart, s.t.b, s.words, {{"N"}, {"V"}, {"N"}});
    ProbModel pm(s.t.model, s.t.config);
    ForestProbs probs;
    Sentence sentence;
    sentence.weight = weight;
    compute_inside(chart, pm, sentence, probs);
    compute_outside(chart, pm);
    estimate_frequencies(chart, pm, probs, s.t.model);
    EXPECT_NEAR(s.t.model.grammar.data[s.t.b.id("S")].start_freq, expected, 1e-12);
  }
}

TEST(ViterbiTest, EqualAnalysesKeepTheirValue) {
  TestModel t({"A", "B", "S", "T"});
  t.b.rule("S", {"A"}, 0.5);
  t.b.rule("S", {"B"}, 0.5);
  t.b.rule("A", {"T"}, 0.5);
  t.b.rule("B", {"T"}, 0.5);
  t.b.start("S");
  t.b.finish();
  t.word("w", {{"T", 0.5f}});
  Chart chart(t.model.grammar);
  std::vector<std::string> words = {"w"};
  parse(chart, t.b, words, {{"T"}});
  ProbModel pm(t.model, t.config);
  ForestProbs probs;
  compute_inside(chart, pm, Sentence{}, probs);
  compute_viterbi(chart, pm, probs);
  const Model& m = t.model;
  double best = 0.25 * lexical_probability(m.grammar, m.lexicon, "w", t.b.id("T"), t.config);
  EXPECT_NEAR(std::exp(chart.roots()[0]->inside.log), best, 1e-12);
  EXPECT_NEAR(std::exp(probs.viterbi_prob.log), best, 1e-12);
  EXPECT_NEAR(std::exp(probs.sentence_prob.log), 2 * best, 1e-12);
}

struct RandomCase {
  TestModel t{{"A", "B", "C", "S", "T", "U"}};
  std::vector<std::string> words;
  std::vector<std::vector<std::string>> tags;

  explicit RandomCase(std::mt19937& rng) {
    std::uniform_real_distribution<double> prob(0.05, 1.0);
    const std::vector<std::string> all = {"A", "B", "C", "S", "T", "U"};
    auto any = [&] { return all[rng() % all.size()]; };
    // Mothers include the tag T; unary rules only point down this list, so there is no cycle.
    const std::vector<std::string> mothers = {"T", "A", "B", "C", "S"};
    for (size_t m = 0; m < mothers.size(); ++m) {
      if (m > 0) t.b.rule(mothers[m], {mothers[rng() % m]}, prob(rng));
      if (rng() % 2) t.b.rule(mothers[m], {"U"}, prob(rng));
      t.b.rule(mothers[m], {any(), any()}, prob(rng));
      if (rng() % 2) t.b.rule(mothers[m], {any(), any(), any()}, prob(rng));
    }
    for (const char* s : {"A", "S", "T"}) {
      if (rng() % 2) t.b.start(s, prob(rng));
    }
    t.b.start("S", prob(rng));
    t.b.finish();
    const std::vector<std::vector<std::string>> readings = {{"T"}, {"U"}, {"T", "U"}};
    for (int w = 0; w < 3; ++w) {
      std::vector<std::pair<std::string, float>> r;
      for (const std::string& tag : readings[w]) r.push_back({tag, static_cast<float>(prob(rng))});
      t.word("w" + std::to_string(w), r);
    }
    int n = 1 + rng() % 5;
    for (int i = 0; i < n; ++i) {
      int w = rng() % 3;
      words.push_back("w" + std::to_string(w));
      tags.push_back(readings[w]);
    }
  }
};

double relative_error(double got, double want) {
  return std::fabs(got - want) / std::max(std::fabs(want), 1e-300);
}

TEST(ForestPropertyTest, AgreesWithEnumeratedTrees) {
  std::mt19937 rng(12345);
  int parsed = 0;
  for (int round = 0; round < 300; ++round) {
    RandomCase c(rng);
    const Grammar& g = c.t.model.grammar;
    Chart chart(g);
    parse(chart, c.t.b, c.words, c.tags);
    int n = static_cast<int>(c.words.size());

    if (count_analyses(chart) > 50000) continue;  // keeps the enumeration quick
    testing::TreeSums want = testing::sum_trees(c.t, c.words);
    ASSERT_EQ(count_analyses(chart), want.trees) << "round " << round;
    if (want.trees == 0) continue;
    ++parsed;

    ProbModel pm(c.t.model, c.t.config);
    ForestProbs probs;
    compute_inside(chart, pm, Sentence{}, probs);
    EXPECT_LT(relative_error(std::exp(probs.sentence_prob.log), want.total), 1e-9);
    compute_outside(chart, pm);
    for (int i = 0; i < n; ++i) {  // each position is covered by exactly one word reading
      double marginal = 0;
      for (const std::string& tag : c.tags[i]) {
        ForestNode* node = chart.find_node(c.t.b.id(tag), i, i + 1, kNoHead, true);
        marginal += (node->inside * node->outside / probs.sentence_prob).value();
      }
      EXPECT_NEAR(marginal, 1.0, 1e-9) << "round " << round << " position " << i;
    }
    estimate_frequencies(chart, pm, probs, c.t.model);
    for (int x = 0; x < g.symbol_count(); ++x) {
      EXPECT_NEAR(g.data[x].start_freq, want.start_freq[x], 1e-9);
      for (const Rule& r : g.data[x].rules) {
        EXPECT_NEAR(r.freq, want.rule_freq[r.number], 1e-9) << "round " << round;
      }
    }
    compute_viterbi(chart, pm, probs);
    EXPECT_LT(relative_error(std::exp(probs.viterbi_prob.log), want.best), 1e-9);
  }
  EXPECT_GT(parsed, 100);
}

}  // namespace
}  // namespace velmo
