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

TEST(ForestListingTest, QuotedWordsAndHeads) {
  OutputFixture f({"W"});
  f.grammar.start("W");
  f.config.quote = true;
  f.config.heads = true;
  f.parse({"a\"b"}, {{"W"}});
  EXPECT_EQ(listing(f), "\nW 0 1 \"<unknown>\"\t \"a\\\"b\" %%%\n\n");
}

}  // namespace
}  // namespace velmo
