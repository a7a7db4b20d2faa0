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

}  // namespace
}  // namespace velmo
