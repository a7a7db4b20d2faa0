#include "parser/inside_outside.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "driver/test_support.h"
#include "parser/parser_test_util.h"

namespace velmo {
namespace {

using testing::GrammarBuilder;
using testing::parse;

using testing::fatal_text;

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

// A model written by hand: tags with lexical share 1 and a lexicon of the given readings.
struct TestModel {
  Model model;
  RunConfig config;
  GrammarBuilder b;
  TestModel(std::vector<std::string> names) : b(model.grammar, std::move(names)) {}

  // readings: word -> (tag, P(word | tag)); words must be added in byte order.
  void word(const std::string& w, const std::vector<std::pair<std::string, float>>& readings) {
    LexEntry e;
    e.word = w;
    for (auto& [tag, p] : readings) {
      e.tags.push_back(TagEntry{b.id(tag), p, 0.0, {}});
      model.grammar.data[b.id(tag)].lex_share = 1.0;
    }
    model.lexicon.entries.push_back(e);
  }
  double lexical(const std::string& w, const std::string& tag) const {
    return lexical_probability(model.grammar, model.lexicon, w, b.id(tag), config);
  }
};

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
  double best = 0.25 * t.lexical("w", "T");
  EXPECT_NEAR(std::exp(chart.roots()[0]->inside.log), best, 1e-12);
  EXPECT_NEAR(std::exp(probs.viterbi_prob.log), best, 1e-12);
  EXPECT_NEAR(std::exp(probs.sentence_prob.log), 2 * best, 1e-12);
}

// Brute force: every tree of a small acyclic grammar over a short sentence, with its
// probability and the number of times it uses each rule.
struct Tree {
  double p;
  std::vector<int> uses;  // by rule number
};

class TreeEnumerator {
 public:
  TreeEnumerator(const TestModel& t, const std::vector<std::string>& words,
                 const std::vector<std::vector<std::string>>& tags, int rule_count)
      : t_(t), words_(words), tags_(tags), rule_count_(rule_count) {}

  // References into the memo stay valid: std::map never moves its elements.
  const std::vector<Tree>& trees(int x, int i, int j) {
    auto key = std::make_tuple(x, i, j);
    auto found = memo_.find(key);
    if (found != memo_.end()) return found->second;
    std::vector<Tree> out;
    if (j == i + 1) {
      for (const std::string& tag : tags_[i]) {
        if (t_.b.id(tag) == x) out.push_back({t_.lexical(words_[i], tag), zeros()});
      }
    }
    const std::vector<Rule>& rules = t_.model.grammar.data[x].rules;
    for (const Rule& r : rules) {
      for (Tree tree : sequences(r.daughters, 0, i, j)) {
        tree.p *= r.prob;
        ++tree.uses[r.number];
        out.push_back(tree);
      }
    }
    return memo_[key] = std::move(out);
  }

 private:
  std::vector<int> zeros() const { return std::vector<int>(rule_count_, 0); }

  // Trees of daughters[k..] covering exactly i..j.
  std::vector<Tree> sequences(const std::vector<int>& daughters, size_t k, int i, int j) {
    if (k + 1 == daughters.size()) return trees(daughters[k], i, j);
    std::vector<Tree> out;
    int rest = static_cast<int>(daughters.size() - k - 1);
    for (int m = i + 1; m <= j - rest; ++m) {
      const std::vector<Tree>& firsts = trees(daughters[k], i, m);
      if (firsts.empty()) continue;
      for (const Tree& b : sequences(daughters, k + 1, m, j)) {
        for (const Tree& a : firsts) {
          Tree c{a.p * b.p, a.uses};
          for (int r = 0; r < rule_count_; ++r) c.uses[r] += b.uses[r];
          out.push_back(c);
        }
      }
    }
    return out;
  }

  const TestModel& t_;
  const std::vector<std::string>& words_;
  const std::vector<std::vector<std::string>>& tags_;
  int rule_count_;
  std::map<std::tuple<int, int, int>, std::vector<Tree>> memo_;
};

struct RandomCase {
  TestModel t{{"A", "B", "C", "S", "T", "U"}};
  std::vector<std::string> words;
  std::vector<std::vector<std::string>> tags;
  int rule_count = 0;

  explicit RandomCase(std::mt19937& rng) {
    std::uniform_real_distribution<double> prob(0.05, 1.0);
    const std::vector<std::string> all = {"A", "B", "C", "S", "T", "U"};
    auto any = [&] { return all[rng() % all.size()]; };
    // Mothers include the tag T; unary rules only point down this list, so there is no cycle.
    const std::vector<std::string> mothers = {"T", "A", "B", "C", "S"};
    for (size_t m = 0; m < mothers.size(); ++m) {
      if (m > 0) add(mothers[m], {mothers[rng() % m]}, prob(rng));
      if (rng() % 2) add(mothers[m], {"U"}, prob(rng));
      add(mothers[m], {any(), any()}, prob(rng));
      if (rng() % 2) add(mothers[m], {any(), any(), any()}, prob(rng));
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
  void add(const std::string& mother, const std::vector<std::string>& daughters, double p) {
    t.b.rule(mother, daughters, p);
    ++rule_count;
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
    TreeEnumerator e(c.t, c.words, c.tags, c.rule_count);
    uint64_t trees = 0;
    double total = 0, best = 0;
    std::vector<double> rule_freq(c.rule_count, 0.0), start_freq(g.symbol_count(), 0.0);
    for (int x = 0; x < g.symbol_count(); ++x) {
      if (g.data[x].start_prob <= 0) continue;
      for (const Tree& tree : e.trees(x, 0, n)) {
        double p = g.data[x].start_prob * tree.p;
        ++trees;
        total += p;
        best = std::max(best, p);
        start_freq[x] += p;
        for (int r = 0; r < c.rule_count; ++r) rule_freq[r] += p * tree.uses[r];
      }
    }
    ASSERT_EQ(count_analyses(chart), trees) << "round " << round;
    if (trees == 0) continue;
    ++parsed;

    ProbModel pm(c.t.model, c.t.config);
    ForestProbs probs;
    compute_inside(chart, pm, Sentence{}, probs);
    EXPECT_LT(relative_error(std::exp(probs.sentence_prob.log), total), 1e-9);
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
      EXPECT_NEAR(g.data[x].start_freq, start_freq[x] / total, 1e-9);
      for (const Rule& r : g.data[x].rules) {
        EXPECT_NEAR(r.freq, rule_freq[r.number] / total, 1e-9) << "round " << round;
      }
    }
    compute_viterbi(chart, pm, probs);
    EXPECT_LT(relative_error(std::exp(probs.viterbi_prob.log), best), 1e-9);
  }
  EXPECT_GT(parsed, 100);
}

}  // namespace
}  // namespace velmo
