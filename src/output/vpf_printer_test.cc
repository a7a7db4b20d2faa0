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

TEST(VpfTest, TgrepSubstitutes) {
  OutputFixture f({"W"});
  f.grammar.start("W");
  f.config.tgrep = true;
  f.parse({"a(b) c"}, {{"W"}});
  EXPECT_EQ(vpf(f), "(\"W\" \"a@L@b@R@_c\")\n");
}

}  // namespace
}  // namespace velmo
