#include "output/quote.h"

#include <gtest/gtest.h>

#include "output/output_test_util.h"

namespace velmo {
namespace {

struct QuoteCase {
  const char* option;
  std::string input;
  std::string expected;
};

RunConfig config_for(const std::string& option) {
  RunConfig config;
  if (option == "quote") config.quote = true;
  if (option == "vpf") config.vpf = true;
  if (option == "tgrep") config.tgrep = true;
  return config;
}

TEST(QuoteStringTest, QuotesEscapesAndSubstitutes) {
  const QuoteCase cases[] = {
      {"none", "a\"b\\c (d)", "a\"b\\c (d)"},
      {"quote", "dog", "\"dog\""},
      {"quote", "a\"b", "\"a\\\"b\""},
      {"quote", "c\\d", "\"c\\\\d\""},
      {"quote", "", "\"\""},
      {"vpf", "(x y)", "\"(x y)\""},
      {"tgrep", "a(b)", "\"a@L@b@R@\""},
      {"tgrep", "New York", "\"New_York\""},
      {"tgrep", "{\"}\\", "\"@l@''@r@\\\""},
  };
  for (const QuoteCase& c : cases) {
    EXPECT_EQ(quote_string(c.input, config_for(c.option)), c.expected)
        << c.option << " " << c.input;
  }
}

TEST(QuoteStringTest, LongResultsAreKeptWhole) {
  RunConfig config = config_for("tgrep");
  std::string parentheses(20000, '(');
  std::string quoted = quote_string(parentheses, config);
  ASSERT_EQ(quoted.size(), 60002u);
  EXPECT_EQ(quoted.substr(0, 7), "\"@L@@L@");
  EXPECT_EQ(quoted.back(), '"');
}

std::string printed(std::vector<std::string> words) {
  Sentence sentence;
  sentence.words = std::move(words);
  testing::OutputFixture f({"X"});
  return testing::captured([&](FILE* out) { print_sentence(out, sentence); });
}

TEST(PrintSentenceTest, UnquotesThenEscapesEachWord) {
  EXPECT_EQ(printed({"a", "\"b\"", "c\\d"}), "\"a b c\\\\d\"");
  // Inside quotes a backslash makes the next byte literal.
  EXPECT_EQ(printed({"\"x\\\"y\""}), "\"x\\\"y\"");
  // Without a closing quote the word stays as it is.
  EXPECT_EQ(printed({"\"open"}), "\"\\\"open\"");
  EXPECT_EQ(printed({"\""}), "\"\\\"\"");
  EXPECT_EQ(printed({}), "\"\"");
}

TEST(PrintSentenceTest, LongSentenceIsWrittenWhole) {
  std::vector<std::string> words(3000, "\\\\\\");
  std::string line = printed(words);
  EXPECT_EQ(line.size(), 2 + 3000 * 6 + 2999u);
}

}  // namespace
}  // namespace velmo
