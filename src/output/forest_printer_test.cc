#include "output/forest_printer.h"

#include <gtest/gtest.h>

#include "output/output_test_util.h"

namespace velmo {
namespace {

using testing::OutputFixture;

std::string listing(OutputFixture& f) {
  VpfState vpf;
  return testing::captured([&](FILE* out) { print_forest(out, f.context(), vpf); });
}

TEST(ForestListingTest, TheDogBarks) {
  OutputFixture f({"DT", "N", "NP", "S", "V", "VP"});
  testing::the_dog_barks(f);
  EXPECT_EQ(listing(f),
            "\nS 0 3\t 0 1 4 %%"
            "\nNP 0 2\t 1 2 3 %%"
            "\nDT 0 1\t the %%"
            "\nN 1 2\t dog %%"
            "\nVP 2 3\t 2 5 %%"
            "\nV 2 3\t barks %%%\n\n");
}

// The VP has two complete items; the node list is in walk order, and the shared object NP,
// PP and verb are listed once.
TEST(ForestListingTest, AttachmentAmbiguity) {
  OutputFixture f(testing::attachment_symbols());
  testing::attachment_grammar(f);
  testing::parse_attachment(f);
  EXPECT_EQ(listing(f),
            "\nS 0 5\t 0 1 3 %%"
            "\nNP 0 1\t 3 2 %%"
            "\nN 0 1\t I %%"
            "\nVP 1 5\t 2 4 5 7 % 1 4 11 %%"
            "\nV 1 2\t saw %%"
            "\nNP 2 3\t 3 6 %%"
            "\nN 2 3\t stars %%"
            "\nPP 3 5\t 5 8 9 %%"
            "\nP 3 4\t with %%"
            "\nNP 4 5\t 3 10 %%"
            "\nN 4 5\t telescopes %%"
            "\nNP 2 5\t 4 5 7 %%%\n\n");
}

// Every node comes after all nodes that point at it, and numbers still follow the listing.
TEST(ForestListingTest, PreorderListsParentsFirst) {
  OutputFixture f(testing::attachment_symbols());
  testing::attachment_grammar(f);
  testing::parse_attachment(f);
  f.config.preorder = true;
  EXPECT_EQ(listing(f),
            "\nS 0 5\t 0 1 3 %%"
            "\nNP 0 1\t 3 2 %%"
            "\nN 0 1\t I %%"
            "\nVP 1 5\t 2 4 6 8 % 1 4 5 %%"
            "\nV 1 2\t saw %%"
            "\nNP 2 5\t 4 6 8 %%"
            "\nNP 2 3\t 3 7 %%"
            "\nN 2 3\t stars %%"
            "\nPP 3 5\t 5 9 10 %%"
            "\nP 3 4\t with %%"
            "\nNP 4 5\t 3 11 %%"
            "\nN 4 5\t telescopes %%%\n\n");
}

// An item with two links stands for two analyses: both combinations are listed, the last
// daughter's links in the outer loop.
TEST(ForestListingTest, ItemWithSeveralLinksListsEachCombination) {
  OutputFixture f({"A", "S", "W", "X"});
  testing::split_grammar(f);
  f.parse({"a", "b", "c"}, {{"W"}, {"W"}, {"W"}});
  EXPECT_EQ(listing(f),
            "\nS 0 3\t 0 1 4 % 0 6 7 %%"
            "\nA 0 2\t 2 2 3 %%"
            "\nW 0 1\t a %%"
            "\nW 1 2\t b %%"
            "\nX 2 3\t 4 5 %%"
            "\nW 2 3\t c %%"
            "\nA 0 1\t 1 2 %%"
            "\nX 1 3\t 3 3 5 %%%\n\n");
}

TEST(ForestListingTest, SeveralRootsInRootListOrder) {
  OutputFixture f({"A", "B", "W"});
  f.grammar.rule("A", {"W"});  // 0
  f.grammar.rule("B", {"W"});  // 1
  f.grammar.start("A", 0.5);
  f.grammar.start("B", 0.5);
  f.parse({"w"}, {{"W"}});
  EXPECT_EQ(listing(f),
            "\nB 0 1\t 1 1 %%"
            "\nW 0 1\t w %%"
            "\nA 0 1\t 0 1 %%%\n\n");
}

TEST(ForestListingTest, NoParse) {
  OutputFixture f({"DT", "N", "NP", "S", "V", "VP"});
  testing::the_dog_barks(f);
  f.parse({"the", "\"dog\""}, {{"DT"}, {"N"}});
  EXPECT_EQ(listing(f), "No parse for: \"the dog\"\n");
}

TEST(ForestListingTest, QuotedWordsAndHeads) {
  OutputFixture f({"W"});
  f.grammar.start("W");
  f.config.quote = true;
  f.config.heads = true;
  f.parse({"a\"b"}, {{"W"}});
  EXPECT_EQ(listing(f), "\nW 0 1 \"<unknown>\"\t \"a\\\"b\" %%%\n\n");
}

// Rule probabilities 0.7 / 0.3 on the two VP rules, 0.8 / 0.2 on the NP rules: the analysis
// values are 0.3 * 0.8 * 0.8 and 0.7 * (0.2 * 0.8 * 0.8).
TEST(ForestListingTest, InsideProbabilities) {
  OutputFixture f(testing::attachment_symbols());
  testing::attachment_grammar(f);
  testing::parse_attachment(f);
  f.config.inside = true;
  f.inside();
  EXPECT_EQ(listing(f),
            "\nS 0 5 0.22528\t 0 0.22528 1 3 %%"
            "\nNP 0 1 0.8\t 3 0.8 2 %%"
            "\nN 0 1 1\t I %%"
            "\nVP 1 5 0.2816\t 2 0.192 4 5 7 % 1 0.0896 4 11 %%"
            "\nV 1 2 1\t saw %%"
            "\nNP 2 3 0.8\t 3 0.8 6 %%"
            "\nN 2 3 1\t stars %%"
            "\nPP 3 5 0.8\t 5 0.8 8 9 %%"
            "\nP 3 4 1\t with %%"
            "\nNP 4 5 0.8\t 3 0.8 10 %%"
            "\nN 4 5 1\t telescopes %%"
            "\nNP 2 5 0.128\t 4 0.128 5 7 %%%\n\n");
}

// -freq: expected frequencies; the two VP analyses share the one VP occurrence.
TEST(ForestListingTest, ExpectedFrequencies) {
  OutputFixture f(testing::attachment_symbols());
  testing::attachment_grammar(f);
  testing::parse_attachment(f);
  f.config.freq = true;
  f.inside_outside();
  std::string text = listing(f);
  EXPECT_NE(text.find("\nVP 1 5 1\t 2 0.68182 4 5 7 % 1 0.31818 4 11 %%"), std::string::npos)
      << text;
  EXPECT_NE(text.find("\nNP 2 5 0.31818\t 4 0.31818 5 7 %%%"), std::string::npos) << text;
}

// -outside: the node's outside value, and rule * outside for each analysis.
TEST(ForestListingTest, OutsideProbabilities) {
  OutputFixture f(testing::attachment_symbols());
  testing::attachment_grammar(f);
  testing::parse_attachment(f);
  f.config.outside = true;
  f.inside_outside();
  std::string text = listing(f);
  EXPECT_NE(text.find("\nVP 1 5 0.8\t 2 0.24 4 5 7 % 1 0.56 4 11 %%"), std::string::npos)
      << text;
}

TEST(ForestListingTest, ProbabilityBelowExpMinus700IsZero) {
  const struct {
    double share;
    const char* expected;
  } cases[] = {
      {0.5, "\nW 0 1 0.5\t w %%%\n\n"},
      {1e-300, "\nW 0 1 1e-300\t w %%%\n\n"},
      {1e-305, "\nW 0 1 0\t w %%%\n\n"},
  };
  for (const auto& c : cases) {
    OutputFixture f({"W"});
    f.grammar.start("W");
    f.model.grammar.data[f.id("W")].lex_share = c.share;
    f.config.inside = true;
    f.parse({"w"}, {{"W"}});
    f.inside();
    EXPECT_EQ(listing(f), c.expected) << c.share;
  }
}

}  // namespace
}  // namespace velmo
