#include "output/viterbi_printer.h"

#include <gtest/gtest.h>

#include "output/output_test_util.h"

namespace velmo {
namespace {

using testing::OutputFixture;

std::string viterbi_tree(OutputFixture& f, int viterbi = 1) {
  f.config.viterbi = viterbi;
  f.viterbi();
  return testing::captured([&](FILE* out) { print_viterbi_tree(out, f.context()); });
}

const char kHighAttachment[] =
    "(S (NP (N I))(VP (V saw)(NP (N stars))(PP (P with)(NP (N telescopes)))))\n";
const char kLowAttachment[] =
    "(S (NP (N I))(VP (V saw)(NP (NP (N stars))(PP (P with)(NP (N telescopes))))))\n";

// VP -> V NP scores p(VP -> V NP) * p(NP -> NP PP) * 0.64, VP -> V NP PP scores
// p(VP -> V NP PP) * 0.64. On a tie the first analysis in list order (V NP PP, built last)
// wins.
TEST(ViterbiTreeTest, BestAttachment) {
  const struct {
    double vp_np, vp_np_pp, np_pp;
    const char* expected;
  } cases[] = {
      {0.7, 0.3, 0.2, kHighAttachment},
      {0.9, 0.1, 0.2, kLowAttachment},
      {0.5, 0.5, 1.0, kHighAttachment},
      {0.5, 0.4, 1.0, kLowAttachment},
  };
  for (const auto& c : cases) {
    OutputFixture f(testing::attachment_symbols());
    testing::attachment_grammar(f, c.vp_np, c.vp_np_pp, c.np_pp);
    testing::parse_attachment(f);
    EXPECT_EQ(viterbi_tree(f), c.expected) << c.vp_np << " " << c.vp_np_pp;
  }
}

TEST(ViterbiTreeTest, ProbabilitiesAndHeads) {
  OutputFixture f(testing::attachment_symbols());
  testing::attachment_grammar(f);
  testing::parse_attachment(f);
  f.config.viterbi_probs = true;
  EXPECT_EQ(viterbi_tree(f),
            "(S (PROB_ 0.1536) (NP (PROB_ 0.8) (N (PROB_ 1) I))(VP (PROB_ 0.192) "
            "(V (PROB_ 1) saw)(NP (PROB_ 0.8) (N (PROB_ 1) stars))(PP (PROB_ 0.8) "
            "(P (PROB_ 1) with)(NP (PROB_ 0.8) (N (PROB_ 1) telescopes)))))\n");
  f.config.viterbi_probs = false;
  f.config.heads = true;
  f.model.grammar.data[f.id("NP")].start_prob = 1.0;
  f.parse({"I"}, {{"N"}});
  EXPECT_EQ(viterbi_tree(f), "(NP (HEAD_ <unknown>) (N (HEAD_ <unknown>) I))\n");
}

// Roots are scored with their start probability; only a strictly greater score replaces the
// first root (B, the higher category).
TEST(ViterbiTreeTest, RootChoice) {
  const struct {
    double a, b;
    const char* expected;
  } cases[] = {
      {0.5, 0.5, "(B (W w))\n"},
      {0.6, 0.4, "(A (W w))\n"},
      {0.4, 0.6, "(B (W w))\n"},
  };
  for (const auto& c : cases) {
    OutputFixture f({"A", "B", "W"});
    f.grammar.rule("A", {"W"});
    f.grammar.rule("B", {"W"});
    f.grammar.start("A", c.a);
    f.grammar.start("B", c.b);
    f.parse({"w"}, {{"W"}});
    EXPECT_EQ(viterbi_tree(f), c.expected) << c.a << " " << c.b;
  }
}

// A unary cycle whose values all vanish: the first analysis leads back into the cycle, which the
// printer leaves empty at its second occurrence instead of recursing for ever.
TEST(ViterbiTreeTest, ZeroValuedCycleEnds) {
  OutputFixture f({"A", "B", "W"});
  f.grammar.rule("A", {"W"});
  f.grammar.rule("A", {"B"});
  f.grammar.rule("B", {"A"});
  f.grammar.start("A");
  f.model.grammar.data[f.id("W")].lex_share = 0.0;
  f.parse({"w"}, {{"W"}});
  EXPECT_EQ(viterbi_tree(f), "(A (B (A )))\n");
  f.model.grammar.data[f.id("W")].lex_share = 1.0;
  EXPECT_EQ(viterbi_tree(f), "(A (W w))\n");
}

TEST(SelectBestParseTest, MovesTheBestAnalysisToTheFront) {
  OutputFixture f(testing::attachment_symbols());
  testing::attachment_grammar(f, 0.9, 0.1);
  testing::parse_attachment(f);
  f.viterbi();
  ForestNode* vp = f.chart->find_node(f.id("VP"), 1, 5, kNoHead, false);
  ASSERT_NE(vp, nullptr);
  EXPECT_EQ(vp->analyses->rule, 1);  // V NP PP, created last
  ForestNode* root = select_best_parse(f.context());
  EXPECT_EQ(root, f.chart->roots()[0]);
  EXPECT_EQ(vp->analyses->rule, 0);
  EXPECT_EQ(vp->analyses->next_analysis->rule, 1);
}

}  // namespace
}  // namespace velmo
