// The run as a whole: output that cannot be written stops it with an error.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "velmo_runner.h"

namespace velmo {
namespace {

using testing::Args;
using testing::Scratch;

void stdout_to_full_disk() {
  int full = open("/dev/full", O_WRONLY);
  if (full >= 0) dup2(full, 1);
}

TEST(RunTest, OutputToAFullDiskIsAnError) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full on this machine";
  const std::string source = VELMO_SOURCE_DIR;
  const Args model = {"-in", source + "/examples/english"};
  const std::string sentence = "the\ndog\nbarks\n";
  for (const Args& mode : std::vector<Args>{{"-quiet"}, {"-quiet", "-viterbi"},
                                            {"-quiet", "-store-params"},
                                            {"-quiet", "-print-model"}}) {
    Scratch scratch;
    testing::Result r =
        scratch.velmo(testing::concat(mode, model), sentence, stdout_to_full_disk);
    EXPECT_EQ(r.status, 1) << mode.back();
    EXPECT_EQ(r.err, "\nERROR: Can't write to output file!\naborted.\n") << mode.back();
  }
}

size_t occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// A sentence of 9998 words whose only parse is 9998 levels deep: the parser and every walk
// recurse once per level, which must not run out of stack.
TEST(RunTest, DeepestTreesParse) {
  const size_t words = 9998;
  std::string left = "f\n", right;
  for (size_t i = 1; i < words; ++i) left += "w\n", right += "w\n";
  right += "f\n";
  const std::vector<std::pair<std::string, std::string>> grammars = {
      {"1 S S W'\n1 S F'\n", left}, {"1 S W' S\n1 S F'\n", right}};
  for (const auto& [rules, sentence] : grammars) {
    // One S node per level, each printed once: as a bracket, or as a line of the listing.
    for (const auto& [mode, s_node] : std::vector<std::pair<std::string, std::string>>{
             {"-viterbi", "(S "}, {"-inside", "\nS "}, {"-preorder", "\nS "}}) {
      Scratch scratch;
      scratch.write("g.gram", rules);
      scratch.write("g.lex", "w\tW 1\nf\tF 1\n");
      testing::Result r = scratch.velmo({"-quiet", mode, "-l", "g.lex", "g.gram"}, sentence);
      ASSERT_EQ(r.status, 0) << rules << mode << r.err.substr(0, 300);
      EXPECT_EQ(occurrences(r.out, s_node), words) << rules << mode;
    }
  }
}

}  // namespace
}  // namespace velmo
