#include <gtest/gtest.h>

#include "output/output_test_util.h"
#include "output/viterbi_printer.h"

namespace velmo {
namespace {

using testing::OutputFixture;

std::string parameters(OutputFixture& f) {
  return testing::captured([&](FILE* out) { print_parameters(out, f.context()); });
}

TEST(ParameterDumpTest, ParentsBeforeDaughters) {
  OutputFixture f({"DT", "N", "NP", "S", "V", "VP"});
  f.grammar.rule("S", {"NP", "VP"});
  f.grammar.rule("NP", {"DT", "N"}, 0.75);
  f.grammar.rule("VP", {"V"}, 0.5);
  f.model.grammar.data[f.id("NP")].rules[0].head = 1;
  f.grammar.start("S", 0.25);
  f.model.grammar.data[f.id("DT")].lex_share = 0.125;
  f.parse({"the", "dog", "barks"}, {{"DT"}, {"N"}, {"V"}});
  EXPECT_EQ(parameters(f),
            "P_start( S ) = 0.25\n"
            "P_rule( S -> NP VP | S ) = 1\n"
            "P_rule( NP -> DT N' | NP ) = 0.75\n"
            "P_lex( the | DT ) = 0.125\n"
            "P_lex( dog | N ) = 1\n"
            "P_rule( VP -> V | VP ) = 0.5\n"
            "P_lex( barks | V ) = 1\n"
            "\n");
  f.parse({"the", "dog"}, {{"DT"}, {"N"}});
  EXPECT_EQ(parameters(f), "\n");
}

// A node shared by two analyses is reported once.
TEST(ParameterDumpTest, SharedNodesOnce) {
  OutputFixture f({"A", "B", "W"});
  f.grammar.rule("A", {"W"});
  f.grammar.rule("B", {"W"});
  f.grammar.start("A", 0.5);
  f.grammar.start("B", 0.5);
  f.parse({"w"}, {{"W"}});
  EXPECT_EQ(parameters(f),
            "P_start( B ) = 0.5\n"
            "P_rule( B -> W | B ) = 1\n"
            "P_lex( w | W ) = 1\n"
            "P_start( A ) = 0.5\n"
            "P_rule( A -> W | A ) = 1\n"
            "\n");
}

}  // namespace
}  // namespace velmo
