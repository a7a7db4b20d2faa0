#include "driver/diagnostics.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace velmo {
namespace {

std::string fatal_text(const std::function<void()>& action) {
  try {
    action();
  } catch (const FatalError& e) {
    EXPECT_EQ(e.status(), 1);
    return e.text();
  }
  return "";
}

TEST(Diagnostics, FatalFormats) {
  EXPECT_EQ(fatal_text([] { fatal_error("Not enough memory"); }),
            "\nERROR: Not enough memory!\naborted.\n");
  EXPECT_EQ(fatal_text([] { fatal_error2("Can't open file", "a b.gram"); }),
            "\nERROR: Can't open file: a b.gram\naborted.\n");
  EXPECT_EQ(fatal_text([] { fatal_error_num("syntax error at line", 12); }),
            "\nERROR: syntax error at line: 12\naborted.\n");
  EXPECT_EQ(fatal_text([] { fatal_error_num("bad count", -2147483649L); }),
            "\nERROR: bad count: -2147483649\naborted.\n");
}

TEST(Diagnostics, OpenFileFailureNamesTheFile) {
  EXPECT_EQ(fatal_text([] { open_file("/nonexistent/dir/g.gram", "rt"); }),
            "\nERROR: Can't open file: /nonexistent/dir/g.gram\naborted.\n");
}

// Writes every kind of message under `config` and returns what reached standard error.
std::string messages_under(const RunConfig& config) {
  ::testing::internal::CaptureStderr();
  warning(config, "Option -iter has no effect without option -t");
  warning2(config, "unknown word", "Haus");
  message(config, "finished\nreading lexicon...");
  message_fmt(config, "%d sentences\n", 3);
  verbose_message(config, "words: a b\n");
  return ::testing::internal::GetCapturedStderr();
}

TEST(Diagnostics, QuietSilencesWarningsAndMessagesVerboseAddsEchoes) {
  RunConfig plain;
  EXPECT_EQ(messages_under(plain),
            "WARNING: Option -iter has no effect without option -t!\n"
            "WARNING: unknown word: Haus\n"
            "finished\nreading lexicon...3 sentences\n");
  RunConfig quiet;
  quiet.quiet = true;
  EXPECT_EQ(messages_under(quiet), "");
  RunConfig quiet_verbose = quiet;
  quiet_verbose.verbose = true;
  EXPECT_EQ(messages_under(quiet_verbose), "words: a b\n");
  // Fatal errors are never silenced: they are thrown whatever the configuration.
  EXPECT_NE(fatal_text([] { fatal_error("x"); }), "");
}

TEST(Diagnostics, StringPrintfKeepsLongTexts) {
  EXPECT_EQ(string_printf("%s=%.2f", "f", 0.125), "f=0.12");
  EXPECT_EQ(string_printf("%5000d", 7).size(), 5000u);
}

}  // namespace
}  // namespace velmo
