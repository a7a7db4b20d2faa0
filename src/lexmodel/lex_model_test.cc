#include <gtest/gtest.h>
#include <vector>

#include "base/test_support.h"
#include "grammar/grammar_test_util.h"
#include "lexmodel/lex_model.h"
#include "lexmodel/lexicalised_lookups.h"

namespace velmo {
namespace {

struct SmoothCase {
  std::vector<double> freqs;
  int unseen;
  std::vector<double> probs;
  double p0;
};

// The worked vectors: the additive fallback, a discount rejected because its unseen share
// would pass the smallest seen value, values all below 0.9, and a discount accepted.
TEST(LexModelTest, SmoothGivesTheWorkedVectors) {
  const double f1 = 1 / (0.01 + 8), f2 = 1 / 4.003;
  const SmoothCase cases[] = {
      {{5, 3}, 10, {5 * f1, 3 * f1}, 0.001 * f1},
      {{1, 1, 2, 0.5}, 2, {f2, f2, 2 * f2, 0}, 0.001 * f2},
      {{0.5, 0.2}, 0, {0, 0}, 0.5},
      {{1, 1, 2, 5}, 10, {0.5 / 9, 0.5 / 9, 1.5 / 9, 4.5 / 9}, 2.0 / 90},
      {{}, 0, {}, 0},
  };
  for (const SmoothCase& c : cases) {
    std::vector<double> v = c.freqs;
    EXPECT_DOUBLE_EQ(smooth(v, c.unseen), c.p0);
    ASSERT_EQ(v.size(), c.probs.size());
    for (size_t i = 0; i < v.size(); ++i) EXPECT_DOUBLE_EQ(v[i], c.probs[i]) << i;
  }
}

TEST(LexModelTest, BackoffSumLeavesWhatTheGeneralLevelGivesOtherHeads) {
  const HeadDistribution general = {{1, 0, 0.3}, {2, 0, 0.2}, {3, 0, 0.5}};
  EXPECT_DOUBLE_EQ(backoff_sum({{1, 0, 0.9}, {2, 0, 0.1}}, general), 0.5);
  EXPECT_EQ(backoff_sum({{1, 0, 1}}, {{1, 0, 1.000001}}), 0.0);  // rounding below 0
  EXPECT_EQ(testing::fatal_text([&] { backoff_sum({{1, 0, 1}}, {{1, 0, 1.1}}); }),
            "\nERROR: internal error in function backoff_sum!\naborted.\n");
}

// Symbols D (daughter), M (mother), X; heads 0..3. Each level of the choice table is tried in
// turn, and every level left multiplies its backoff factor.
class ChoiceLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::GrammarBuilder b(model_.grammar, {"D", "M", "X"});
    b.finish();
    model_.grammar.data[0].head_count = 4;
    model_.grammar.data[2].head_count = 0;
    lex_.reset(3);
    DaughterClassChoices d{0, {{0, 0, 0.5}, {1, 0, 0.25}}, 0.125, {}};
    ParentClassChoices p{1, {{1, 0, 0.6}}, 0.5, {}};
    p.heads.push_back({2, {{2, 0, 0.9}}, 0.25});
    d.parents.push_back(p);
    lex_.choices.push_back(d);
  }
  double choice(int head, int daughter, int parent, int parent_head) const {
    LexicalisedLookups lookups(model_, lexicalised_, config_);
    return lookups.choice(head, daughter, parent, parent_head);
  }
  Model model_;
  LexicalisedModel lexicalised_;
  LexModel& lex_ = lexicalised_.lex;
  RunConfig config_;
};

TEST_F(ChoiceLookupTest, BacksOffLevelByLevel) {
  EXPECT_DOUBLE_EQ(choice(2, 0, 1, 2), 0.9);               // parent head level
  EXPECT_DOUBLE_EQ(choice(1, 0, 1, 2), 0.6 * 0.25);        // parent class level
  EXPECT_DOUBLE_EQ(choice(0, 0, 1, 2), 0.5 * 0.25 * 0.5);  // daughter class level
  EXPECT_DOUBLE_EQ(choice(3, 0, 1, 2), 0.125 * 0.25 * 0.5);  // unseen
  EXPECT_DOUBLE_EQ(choice(1, 0, 1, 3), 0.6);               // unseen parent head: no factor
  EXPECT_DOUBLE_EQ(choice(0, 0, 2, 2), 0.5);               // unseen parent class: no factor
  EXPECT_DOUBLE_EQ(choice(0, 1, 1, 2), 0.0);               // M has no heads: nothing, not 1/0
}

TEST_F(ChoiceLookupTest, FixedChoicesOverrideTheTables) {
  lex_.fixed.push_back({3, 0, 1, 2});
  EXPECT_EQ(choice(3, 0, 1, 2), 1.0);
  EXPECT_EQ(choice(2, 0, 1, 2), 0.0);
  EXPECT_DOUBLE_EQ(choice(2, 0, 1, 3), 0.125 * 0.5);  // another context: the tables
}

// With -rare-heads the unknown head's reading also says whether the word is capitalised: the
// share of the tag's open-class probability in the table for its shape. Symbols N (open in
// both tables: 0.3 and 0.1), V (open in the ordinary table only); no head records, so the
// lexical probability is the lexical share, 1.
TEST(LexModelTest, AnUnknownHeadsReadingCarriesItsShape) {
  Model model;
  testing::GrammarBuilder b(model.grammar, {"N", "V"});
  b.finish();
  for (SymbolData& d : model.grammar.data) d.lex_share = 1.0;
  Lexicon& lexicon = model.lexicon;
  lexicon.open_class = {true, {{true, 3, 0.3}, {true, 1, 0.2}}};
  lexicon.cap_open_class = {true, {{true, 1, 0.1}, {false, 0, 0}}};
  LexicalisedModel lexicalised;
  lexicalised.lex.reset(2);
  RunConfig config;
  LexicalisedLookups lookups(model, lexicalised, config);
  EXPECT_EQ(lookups.word("Zorb", 0, -1), 1.0);  // without the option: as specified
  config.rare_heads = 1;
  EXPECT_DOUBLE_EQ(lookups.word("Zorb", 0, -1), 0.1 / 0.4);
  EXPECT_DOUBLE_EQ(lookups.word("zorb", 0, -1), 0.3 / 0.4);
  EXPECT_DOUBLE_EQ(lookups.word("4zorb", 0, -1), 0.1 / 0.4);  // a digit is not lower case
  EXPECT_EQ(lookups.word("zorb", 1, -1), 1.0);
  lexicon.entries.push_back({"Zorb", {{1, 0.5f, 1.0, {}}}});  // a rare word of the lexicon
  EXPECT_EQ(lookups.word("Zorb", 1, -1), 1.0);
  EXPECT_EQ(lookups.word("Zorb", 0, -1), 1.0);
  EXPECT_EQ(lookups.word("zorb", 0, 7), 1.0);   // a known head: no factor
  lexicon.cap_open_class.loaded = false;        // one table: shape says nothing
  EXPECT_EQ(lookups.word("Zorb", 0, -1), 1.0);
}

}  // namespace
}  // namespace velmo
