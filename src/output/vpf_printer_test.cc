#include "output/vpf_printer.h"

#include <gtest/gtest.h>

#include "output/output_test_util.h"

namespace velmo {
namespace {

using testing::OutputFixture;

std::string vpf(OutputFixture& f, VpfState& state) {
  f.config.vpf = true;
  return testing::captured([&](FILE* out) { print_forest(out, f.context(), state); });
}

std::string vpf(OutputFixture& f) {
  VpfState state;
  return vpf(f, state);
}

TEST(VpfTest, TheDogBarks) {
  OutputFixture f({"DT", "N", "NP", "S", "V", "VP"});
  testing::the_dog_barks(f);
  EXPECT_EQ(vpf(f), "(\"S\" (\"NP\" (\"DT\" \"the\")(\"N\" \"dog\"))(\"VP\" (\"V\" \"barks\")))\n");
}

// Without probabilities every value is zero, so the sorts reverse the lists: the VP -> V NP
// reading (created first) comes first. The verb, the object NP and the PP are used by both
// readings and get labels; the next sentence continues the numbering.
TEST(VpfTest, SharedNodesAreLabelledAcrossSentences) {
  OutputFixture f(testing::attachment_symbols());
  testing::attachment_grammar(f);
  VpfState state;
  testing::parse_attachment(f);
  EXPECT_EQ(vpf(f, state),
            "(\"S\" (\"NP\" (\"N\" \"I\"))"
            "{(\"VP\" #1=(\"V\" \"saw\")(\"NP\" #2=(\"NP\" (\"N\" \"stars\"))"
            "#3=(\"PP\" (\"P\" \"with\")(\"NP\" (\"N\" \"telescopes\")))))"
            "#i(\"VP\" #1 #2 #3 )})\n");
  testing::parse_attachment(f);
  EXPECT_EQ(vpf(f, state),
            "(\"S\" (\"NP\" (\"N\" \"I\"))"
            "{(\"VP\" #4=(\"V\" \"saw\")(\"NP\" #5=(\"NP\" (\"N\" \"stars\"))"
            "#6=(\"PP\" (\"P\" \"with\")(\"NP\" (\"N\" \"telescopes\")))))"
            "#i(\"VP\" #4 #5 #6 )})\n");
  EXPECT_EQ(state.label_count, 6);
}

// With -freq the readings are sorted by value, best first, and annotated.
TEST(VpfTest, FrequencyAnnotations) {
  OutputFixture f(testing::attachment_symbols());
  testing::attachment_grammar(f);
  testing::parse_attachment(f);
  f.config.freq = true;
  f.inside_outside();
  EXPECT_EQ(vpf(f),
            "(\"S\"=#i[Freq=1 ](\"NP\"=#i[Freq=1 ](\"N\"=#i[Freq=1 ]\"I\"))"
            "{(\"VP\"=#i[Freq=0.68182 ]#1=(\"V\"=#i[Freq=1 ]\"saw\")"
            "#2=(\"NP\"=#i[Freq=1 ](\"N\"=#i[Freq=1 ]\"stars\"))"
            "#3=(\"PP\"=#i[Freq=1 ](\"P\"=#i[Freq=1 ]\"with\")"
            "(\"NP\"=#i[Freq=1 ](\"N\"=#i[Freq=1 ]\"telescopes\"))))"
            "#i(\"VP\"=#i[Freq=0.31818 ]#1 (\"NP\"=#i[Freq=0.31818 ]#2 #3 ))})\n");
}

TEST(VpfTest, AnnotationLabels) {
  const struct {
    void (*set)(RunConfig&);
    const char* expected;
  } cases[] = {
      {[](RunConfig& c) { c.inside = true; }, "(\"W\"=#i[InsideProb=0.5 ]\"w\")\n"},
      {[](RunConfig& c) { c.outside = true; }, "(\"W\"=#i[OutsideProb=0.25 ]\"w\")\n"},
      {[](RunConfig& c) { c.viterbi_probs = true; }, "(\"W\"=#i[ViterbiProb=0.5 ]\"w\")\n"},
      {[](RunConfig& c) { c.freq = c.inside = true; }, "(\"W\"=#i[Freq=1 ]\"w\")\n"},
      {[](RunConfig& c) { c.lexicalise = true; }, "(\"W\"=#i[Head=\"<unknown>\" ]\"w\")\n"},
  };
  for (const auto& c : cases) {
    OutputFixture f({"W"});
    f.grammar.start("W", 0.25);
    f.model.grammar.data[f.id("W")].lex_share = 0.5;
    c.set(f.config);
    f.parse({"w"}, {{"W"}});
    f.inside_outside();
    EXPECT_EQ(vpf(f), c.expected);
  }
}

// One item with two links is ambiguous: both choices of links are alternatives.
TEST(VpfTest, ItemWithSeveralLinks) {
  OutputFixture f({"A", "S", "W", "X"});
  testing::split_grammar(f);
  f.parse({"a", "b", "c"}, {{"W"}, {"W"}, {"W"}});
  EXPECT_EQ(vpf(f),
            "{(\"S\" (\"A\" #1=(\"W\" \"a\"))(\"X\" #2=(\"W\" \"b\")#3=(\"W\" \"c\")))"
            "#i(\"S\" (\"A\" #1 #2 )(\"X\" #3 ))}\n");
}

// Equal root scores: the roots come out in reverse root-list order.
TEST(VpfTest, SeveralRoots) {
  OutputFixture f({"A", "B", "W"});
  f.grammar.rule("A", {"W"});
  f.grammar.rule("B", {"W"});
  f.grammar.start("A", 0.5);
  f.grammar.start("B", 0.5);
  f.parse({"w"}, {{"W"}});
  EXPECT_EQ(vpf(f), "{(\"A\" #1=(\"W\" \"w\"))#i(\"B\" #1 )}\n");
}

TEST(VpfTest, NoParse) {
  OutputFixture f({"DT", "N", "NP", "S", "V", "VP"});
  testing::the_dog_barks(f);
  f.parse({"the", "dog"}, {{"DT"}, {"N"}});
  EXPECT_EQ(vpf(f), "\"No parse for:\"=\"the dog\"\n");
}

TEST(VpfTest, TgrepSubstitutes) {
  OutputFixture f({"W"});
  f.grammar.start("W");
  f.config.tgrep = true;
  f.parse({"a(b) c"}, {{"W"}});
  EXPECT_EQ(vpf(f), "(\"W\" \"a@L@b@R@_c\")\n");
}

}  // namespace
}  // namespace velmo
