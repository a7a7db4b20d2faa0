#include "model/estimation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "grammar/grammar_reader.h"
#include "model/model_test_util.h"

namespace velmo {
namespace {

using testing::fatal_text;
using testing::GrammarBuilder;
using testing::id;
using testing::make_grammar;
using testing::read_lexicon_text;
using testing::read_open_class_text;

void set_start(Model& m, const std::string& symbol, double freq) {
  m.grammar.data[id(m.grammar, symbol)].start_freq = freq;
}

const TagEntry& reading(const Model& m, const std::string& word, const std::string& tag) {
  for (const TagEntry& t : m.lexicon.find_word(word)->tags)
    if (t.tag == id(m.grammar, tag)) return t;
  std::abort();
}

TEST(EstimationTest, TagSharesItsMassWithTheOpenClass) {
  Model m{make_grammar({"S", "T"}), {}};
  RunConfig config;
  read_lexicon_text("a\tT 3\nb\tT 1\n", m.grammar, m.lexicon, config);
  read_open_class_text("T 4", m.grammar, m.lexicon.open_class, config);
  set_start(m, "S", 1);
  estimate_probabilities(m, config, nullptr);
  EXPECT_FLOAT_EQ(reading(m, "a", "T").prob, 0.375f);
  EXPECT_FLOAT_EQ(reading(m, "b", "T").prob, 0.125f);
  EXPECT_DOUBLE_EQ(m.lexicon.open_class.entries[id(m.grammar, "T")].prob, 0.5);
  EXPECT_DOUBLE_EQ(m.grammar.data[id(m.grammar, "T")].lex_share, 1.0);
}

TEST(EstimationTest, RulesAndWordsShareTheSymbolsMass) {
  Model m;
  RunConfig config;
  GrammarBuilder b(m.grammar, {"A", "X"});
  b.counted_rule("X", {"A"}, 2, 0);
  b.counted_rule("X", {"A", "A"}, 6, 1);
  read_lexicon_text("x\tX 2\n", m.grammar, m.lexicon, config);
  set_start(m, "X", 1);
  estimate_probabilities(m, config, nullptr);
  const SymbolData& x = m.grammar.data[id(m.grammar, "X")];
  EXPECT_DOUBLE_EQ(x.rules[0].prob, 0.2);
  EXPECT_DOUBLE_EQ(x.rules[1].prob, 0.6);
  EXPECT_DOUBLE_EQ(x.lex_share, 0.2);
  // A has neither rules nor words: its share is 0, not the result of 0/0.
  EXPECT_EQ(m.grammar.data[id(m.grammar, "A")].lex_share, 0.0);
}

TEST(EstimationTest, UnseenRuleKeepsZeroOnlyWithoutSmoothing) {
  Model m;
  GrammarBuilder b(m.grammar, {"A", "B", "S"});
  b.counted_rule("S", {"A"}, 0, 0);
  b.counted_rule("S", {"B"}, 3, 0);
  set_start(m, "S", 1);
  RunConfig config;
  config.no_smoothing = true;
  estimate_probabilities(m, config, nullptr);
  EXPECT_EQ(m.grammar.data[id(m.grammar, "S")].rules[0].prob, 0.0);
  config.no_smoothing = false;
  estimate_probabilities(m, config, nullptr);
  EXPECT_DOUBLE_EQ(m.grammar.data[id(m.grammar, "S")].rules[0].prob, 0.5 / 3.5);
}

TEST(EstimationTest, BothOpenClassTablesAreSmoothedAsOneVector) {
  Model m{make_grammar({"A", "B", "C", "D", "E"}), {}};
  RunConfig config;
  read_lexicon_text("a\tA 1\n", m.grammar, m.lexicon, config);
  read_open_class_text("A 0 B 0 C 0 D 0 E 1", m.grammar, m.lexicon.open_class, config);
  read_open_class_text("E 2", m.grammar, m.lexicon.cap_open_class, config);
  set_start(m, "A", 1);
  estimate_probabilities(m, config, nullptr);
  // (0, 0, 0, 0, 1, 2): the discount 1/3 is accepted and each zero gets 1/6. Smoothing the
  // general table alone would have given 0.5.
  EXPECT_NEAR(m.lexicon.open_class.entries[0].prob, 1.0 / 7, 1e-12);
  EXPECT_FLOAT_EQ(reading(m, "a", "A").prob, 6.0f / 7);
  EXPECT_NEAR(m.lexicon.open_class.entries[4].prob, 2.0 / 7, 1e-12);
  EXPECT_NEAR(m.lexicon.cap_open_class.entries[4].prob, 5.0 / 7, 1e-12);
}

TEST(EstimationTest, WordwiseSmoothingWeighsByAmbiguityClass) {
  Model m{make_grammar({"NN", "S", "VB", "VBZ"}), {}};
  RunConfig config;
  read_lexicon_text(
      "a\tNN 3 VB 0 VBZ 0\nb\tNN 1 VB 1 VBZ 3\n"
      "c\tNN 0.5\ne\tNN 0.2\ng\tNN 0.1\nf\tNN 1.5\n",
      m.grammar, m.lexicon, config);
  set_start(m, "S", 1);
  config.wordwise_smoothing = true;
  estimate_probabilities(m, config, nullptr);
  // Words under 1: c, e, g; between 1 and 2: f; so d = 1/3. Word a's zeros share
  // d * 2 / (1/8 + 3/8) = 4/3 in the class's proportion 1 : 3.
  EXPECT_NEAR(reading(m, "a", "VB").prob, 1.0 / 7, 1e-6);
  EXPECT_NEAR(reading(m, "a", "VBZ").prob, 1.0 / 7, 1e-6);
  EXPECT_NEAR(reading(m, "b", "VB").prob, 6.0 / 7, 1e-6);
  EXPECT_NEAR(reading(m, "c", "NN").prob, 1.0 / 3 / 6.5, 1e-6);
  EXPECT_NEAR(reading(m, "a", "NN").prob, 3 / 6.5, 1e-6);
}

TEST(EstimationTest, StartProbabilities) {
  Model m{make_grammar({"NP", "S"}), {}};
  RunConfig config;
  EXPECT_EQ(fatal_text([&] { estimate_probabilities(m, config, nullptr); }),
            "\nERROR: Start probabilities sum up to 0!\naborted.\n");
  set_start(m, "NP", 3);
  set_start(m, "S", 1);
  estimate_probabilities(m, config, nullptr);
  EXPECT_DOUBLE_EQ(m.grammar.data[0].start_prob, 0.75);
  EXPECT_DOUBLE_EQ(m.grammar.data[1].start_prob, 0.25);
}

// A small deterministic generator for the property test.
struct Lcg {
  uint32_t state;
  uint32_t next(uint32_t n) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % n;
  }
};

std::string random_lexicon(Lcg& rng, int tags) {
  std::string text;
  for (int w = 0; w < 300; ++w) {
    text += "w" + std::to_string(w) + "\t";
    int readings = 1 + rng.next(4);
    for (int r = 0; r < readings; ++r) {
      static const char* const kFreqs[] = {"0", "0.3", "1", "1.5", "2", "2.5", "7", "40"};
      text += "T" + std::to_string(rng.next(tags)) + " " + kFreqs[rng.next(8)] + " ";
    }
    text += "\n";
  }
  return text;
}

std::string random_open_classes(Lcg& rng, int tags) {
  std::string text;
  for (int t = 0; t < tags; ++t)
    if (rng.next(2)) text += "T" + std::to_string(t) + " " + std::to_string(rng.next(4)) + "\n";
  return text;
}

// Per tag: lexicon words plus both open-class tables sum to 1; rules plus lexical share too.
void expect_distributions_sum_to_one(const Model& m) {
  std::vector<double> sum(m.grammar.symbol_count(), 0.0);
  for (const LexEntry& e : m.lexicon.entries)
    for (const TagEntry& t : e.tags) sum[t.tag] += t.prob;
  for (const OpenClassTable* table : {&m.lexicon.open_class, &m.lexicon.cap_open_class})
    for (int s = 0; s < m.grammar.symbol_count() && table->loaded; ++s)
      if (table->entries[s].open) sum[s] += table->entries[s].prob;
  for (int s = 0; s < m.grammar.symbol_count(); ++s) {
    const SymbolData& d = m.grammar.data[s];
    if (sum[s] > 0) {
      EXPECT_NEAR(sum[s], 1.0, 1e-5) << m.grammar.name(s);
    }
    double total = d.lex_share;
    for (const Rule& r : d.rules) total += r.prob;
    if (total > 0) {
      EXPECT_NEAR(total, 1.0, 1e-9) << m.grammar.name(s);
    }
  }
}

TEST(EstimationTest, EveryTagsWordsSumToOne) {
  constexpr int kTags = 12;
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    std::vector<std::string> names = {"S"};
    for (int t = 0; t < kTags; ++t) names.push_back("T" + std::to_string(t));
    Model m;
    GrammarBuilder b(m.grammar, names);
    RunConfig config;
    config.wordwise_smoothing = seed % 3 == 1;
    config.no_smoothing = seed % 3 == 2;
    Lcg rng{seed};
    for (int t = 0; t < kTags; t += 2)
      b.counted_rule("T" + std::to_string(t), {"S"}, rng.next(3), 0);
    read_lexicon_text(random_lexicon(rng, kTags), m.grammar, m.lexicon, config);
    read_open_class_text(random_open_classes(rng, kTags), m.grammar, m.lexicon.open_class,
                         config);
    if (seed % 2)
      read_open_class_text(random_open_classes(rng, kTags), m.grammar,
                           m.lexicon.cap_open_class, config);
    set_start(m, "S", 1);
    estimate_probabilities(m, config, nullptr);
    SCOPED_TRACE("seed " + std::to_string(seed));
    expect_distributions_sum_to_one(m);
  }
}

FILE* open_data_file(const std::string& name) {
  return std::fopen((std::string(VELMO_SOURCE_DIR "/../shared/data/wsj/") + name).c_str(), "r");
}

TEST(EstimationTest, TreebankModelSumsToOne) {
  FILE* gram = open_data_file("wsj.gram");
  if (!gram) GTEST_SKIP() << "no ../shared/data/wsj beside the source tree";
  RunConfig config;
  config.quiet = true;
  Model m{read_grammar(gram, config), {}};
  std::fclose(gram);
  FILE* lex = open_data_file("wsj.lex");
  read_lexicon(lex, m.grammar, m.lexicon, config);
  std::fclose(lex);
  FILE* oc = open_data_file("wsj.oc");
  read_open_classes(oc, m.grammar, m.lexicon.open_class, config);
  std::fclose(oc);
  FILE* cap = open_data_file("wsj.OC");
  read_open_classes(cap, m.grammar, m.lexicon.cap_open_class, config);
  std::fclose(cap);
  FILE* start = open_data_file("wsj.start");
  read_start_symbols(start, m.grammar, config);
  std::fclose(start);
  EXPECT_EQ(m.lexicon.entries.size(), 11505u);
  EXPECT_TRUE(m.lexicon.open_class.loaded);
  EXPECT_TRUE(m.lexicon.cap_open_class.loaded);
  estimate_probabilities(m, config, nullptr);
  expect_distributions_sum_to_one(m);
}

}  // namespace
}  // namespace velmo
