#include <gtest/gtest.h>

#include "output/output_test_util.h"
#include "output/viterbi_printer.h"

namespace velmo {
namespace {

using testing::OutputFixture;

std::string viterbi_tags(OutputFixture& f) {
  f.config.viterbi = 1;
  f.config.tagging = true;
  f.viterbi();
  return testing::captured([&](FILE* out) { print_viterbi_tags(out, f.context()); });
}

std::string best_tags(OutputFixture& f) {
  f.config.tagging = true;
  f.inside_outside();
  return testing::captured([&](FILE* out) { print_best_tags(out, f.context()); });
}

// S -> X Y; X -> A (0.3) | B (0.7); Y -> A (0.9) | B (0.1); both words can be A or B.
void ambiguous_tags(OutputFixture& f) {
  f.grammar.rule("S", {"X", "Y"});
  f.grammar.rule("X", {"A"}, 0.3);
  f.grammar.rule("X", {"B"}, 0.7);
  f.grammar.rule("Y", {"A"}, 0.9);
  f.grammar.rule("Y", {"B"}, 0.1);
  f.grammar.start("S");
  f.parse({"u", "v"}, {{"A", "B"}, {"A", "B"}});
}

TEST(BestTagsTest, HighestInsideTimesOutsidePerPosition) {
  OutputFixture f({"A", "B", "S", "X", "Y"});
  ambiguous_tags(f);
  EXPECT_EQ(best_tags(f), "u\tB\nv\tA\n\n");
  EXPECT_EQ(viterbi_tags(f), "u\tB\nv\tA\n\n");
}

// When every value vanishes no position has a best tag; the words are written alone.
TEST(BestTagsTest, PositionWithoutBestTagPrintsTheWord) {
  OutputFixture f({"A", "B", "S", "X", "Y"});
  for (SymbolData& data : f.model.grammar.data) data.lex_share = 0.0;
  ambiguous_tags(f);
  EXPECT_EQ(best_tags(f), "u\nv\n\n");
}

// -stems: the lemmas of the word's reading with the chosen tag.
TEST(TagLineTest, StemsJoinLemmasWithBars) {
  OutputFixture f({"A", "B", "S", "X", "Y"});
  LexEntry u{"u", {TagEntry{f.id("B"), 1.0f, 0.0, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}}}};
  f.model.lexicon.entries.push_back(u);
  f.model.lexicon.lemmas.assign({"x", "y", "z"});
  f.config.stems = true;
  ambiguous_tags(f);
  EXPECT_EQ(best_tags(f), "u\tB\tx|y|z\nv\tA\t<unknown>\n\n");
  EXPECT_EQ(viterbi_tags(f), "u\tB\tx|y|z\nv\tA\t<unknown>\n\n");
  // With -lexmodel the best-parse printer writes the node's head instead.
  f.config.lexmodel = true;
  EXPECT_EQ(viterbi_tags(f), "u\tB\t<unknown>\nv\tA\t<unknown>\n\n");
}

}  // namespace
}  // namespace velmo
