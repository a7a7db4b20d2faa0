#include "driver/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "driver/test_support.h"

namespace velmo {
namespace {

using Args = std::vector<const char*>;

// What one parse produced: the result, the messages written to `err`, the warnings written to
// standard error, and the fatal error's text if one was thrown.
struct Outcome {
  CommandLineResult result = CommandLineResult::kRun;
  std::string err;
  std::string warnings;
  std::string fatal;
  RunConfig config;
};

Outcome parse(const Args& args) {
  Outcome outcome;
  FILE* err = std::tmpfile();
  ::testing::internal::CaptureStderr();
  try {
    outcome.result =
        parse_command_line(static_cast<int>(args.size()), args.data(), outcome.config, err);
  } catch (const FatalError& e) {
    outcome.fatal = e.text();
    EXPECT_EQ(e.status(), 1);
  }
  outcome.warnings = ::testing::internal::GetCapturedStderr();
  outcome.err = testing::stream_contents(err);
  std::fclose(err);
  return outcome;
}

std::string describe(const Args& args) {
  std::string text;
  for (const char* a : args) text += std::string(a) + " ";
  return text;
}

// Options that set more than their own flag; the rest are seen end to end.
TEST(CommandLine, OptionsThatImplyOthers) {
  struct Case {
    Args args;
    std::function<bool(const RunConfig&)> holds;
  };
  const Case cases[] = {
      {{"-vpf", "g"}, [](const RunConfig& c) { return c.vpf && c.quote; }},
      {{"-tgrep", "g"}, [](const RunConfig& c) { return c.tgrep && c.quote; }},
      {{"-heads", "g"}, [](const RunConfig& c) { return c.heads && c.lexicalise; }},
      {{"-governors", "g"}, [](const RunConfig& c) { return c.governors && c.lexicalise; }},
      {{"-lexmodel", "-params", "p"}, [](const RunConfig& c) { return c.lexmodel && c.lexicalise; }},
      {{"-chunk-trees", "c", "g"}, [](const RunConfig& c) { return c.chunk_trees && c.chunking; }},
      {{"-opt-chunking", "c", "g"}, [](const RunConfig& c) { return !c.chunking; }},
      {{"-viterbi", "g"}, [](const RunConfig& c) { return c.viterbi == 1; }},
      {{"-viterbi1", "g"}, [](const RunConfig& c) { return c.viterbi == 2; }},
      {{"-viterbi1", "-viterbi", "g"}, [](const RunConfig& c) { return c.viterbi == 1; }},
      {{"g"}, [](const RunConfig& c) { return !c.quote && !c.lexicalise && !c.chunking; }},
  };
  for (const Case& c : cases) {
    Outcome o = parse(c.args);
    EXPECT_EQ(o.result, CommandLineResult::kRun) << describe(c.args) << o.fatal;
    EXPECT_TRUE(c.holds(o.config)) << describe(c.args);
  }
}

using Field = std::function<std::string(const RunConfig&)>;

// Options whose files the end-to-end cases read (-l, -s, -o, -O, -t, -fails, -params ...) are
// left to them.
TEST(CommandLine, OptionArgumentsGoToTheirFields) {
  struct Case {
    Args args;
    Field field;
    std::string value;
  };
  const Case cases[] = {
      {{"-heads", "-pooling", "pp", "g"},
       [](const RunConfig& c) { return c.parent_pooling_file; }, "pp"},
      {{"-heads", "-cpooling", "cp", "g"},
       [](const RunConfig& c) { return c.child_pooling_file; }, "cp"},
      {{"-lexmodel", "-in", "b", "-fixed", "fx"},
       [](const RunConfig& c) { return c.fixed_file; }, "fx"},
      {{"-rob-start", "rs", "g"}, [](const RunConfig& c) { return c.rob_start_file; }, "rs"},
      {{"-rob-rules", "rr", "g"}, [](const RunConfig& c) { return c.rob_rules_file; }, "rr"},
      {{"-chunking", "c1", "g"}, [](const RunConfig& c) { return c.chunk_file; }, "c1"},
      {{"-chunk-trees", "c2", "g"}, [](const RunConfig& c) { return c.chunk_file; }, "c2"},
      {{"-opt-chunking", "c3", "g"}, [](const RunConfig& c) { return c.chunk_file; }, "c3"},
      {{"-isym", "is", "g"}, [](const RunConfig& c) { return c.isym_file; }, "is"},
      {{"-bsmatch", "bs", "g"}, [](const RunConfig& c) { return c.bsmatch_file; }, "bs"},
      // The argument is the next word as it stands, even when it looks like an option.
      {{"-l", "-quiet", "g"}, [](const RunConfig& c) { return c.lexicon_file; }, "-quiet"},
      {{"-l", "a", "-l", "b", "g"}, [](const RunConfig& c) { return c.lexicon_file; }, "b"},
  };
  for (const Case& c : cases) {
    Outcome o = parse(c.args);
    EXPECT_EQ(o.result, CommandLineResult::kRun) << describe(c.args) << o.fatal;
    EXPECT_EQ(c.field(o.config), c.value) << describe(c.args);
  }
}

TEST(CommandLine, NumbersAreConvertedAndNonNumbersAreZero) {
  Outcome o = parse({"-t", "tb", "-l", "x", "-iter", "12", "-old-freq", "0.5", "-gov-threshold",
                     "0.3", "-min-start-freq", "1e-3", "-min-rule-freq", "2", "-min-choice-freq",
                     "abc", "-shave", "-1.5", "g"});
  ASSERT_EQ(o.result, CommandLineResult::kRun) << o.fatal;
  EXPECT_EQ(o.config.iter, 12);
  EXPECT_EQ(o.config.old_freq, 0.5);
  EXPECT_EQ(o.config.gov_threshold, 0.3);
  EXPECT_EQ(o.config.min_start_freq, 1e-3);
  EXPECT_EQ(o.config.min_rule_freq, 2.0);
  EXPECT_EQ(o.config.min_choice_freq, 0.0);
  EXPECT_EQ(o.config.shave, -1.5);

  Outcome defaults = parse({"g"});
  EXPECT_EQ(defaults.config.gov_threshold, 0.1);
  EXPECT_EQ(defaults.config.min_start_freq, 0.1);
  EXPECT_EQ(defaults.config.min_rule_freq, 0.5);
  EXPECT_EQ(defaults.config.min_choice_freq, 0.5);

  Outcome not_a_number = parse({"-t", "tb", "-l", "x", "-iter", "abc", "g"});
  EXPECT_EQ(not_a_number.result, CommandLineResult::kRun);
  EXPECT_EQ(not_a_number.config.iter, 0);
  EXPECT_EQ(not_a_number.warnings, "");
}

// Outcomes decided during the scan: what goes to `err`, and the result. The plainer ones
// (unrecognised_option, lone_dash, invalid_double, version ...) are end-to-end cases.
TEST(CommandLine, ScanStopsAtUnrecognisedOptionsAndRangeErrors) {
  struct Case {
    Args args;
    CommandLineResult result;
    std::string err;
  };
  const std::string banner = "\nThis is Velmo version 3.0\n";
  const Case cases[] = {
      {{"-old-freq", "-1e999", "g"}, CommandLineResult::kUsage, "Invalid argument: -1e999\n"},
      {{"-min-rule-freq", "1e-400", "g"}, CommandLineResult::kUsage, "Invalid argument: 1e-400\n"},
      {{"-iter", "99999999999999999999", "g"}, CommandLineResult::kUsage,
       "Invalid argument: 99999999999999999999\n"},
      {{"-iter", "-2147483649", "g"}, CommandLineResult::kUsage, "Invalid argument: -2147483649\n"},
      {{"-quiet"}, CommandLineResult::kUsage, ""},
      // The scan stops at the first problem, so a later -version is never reached...
      {{"-shave", "1e999", "-version"}, CommandLineResult::kUsage, "Invalid argument: 1e999\n"},
      // ...but -version wins over everything that would only be found later.
      {{"-quiet", "-version", "-foo"}, CommandLineResult::kVersion, banner},
  };
  for (const Case& c : cases) {
    Outcome o = parse(c.args);
    EXPECT_EQ(o.fatal, "") << describe(c.args);
    EXPECT_EQ(o.result, c.result) << describe(c.args);
    if (c.result == CommandLineResult::kVersion) {
      EXPECT_EQ(o.err.substr(0, banner.size()), banner) << describe(c.args);
      EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 5) << o.err;
    } else {
      EXPECT_EQ(o.err, c.err) << describe(c.args);
    }
    EXPECT_EQ(o.warnings, "") << describe(c.args);
  }
}

// The cases under tests/cases/command_line hold one message each; these are the rest.
TEST(CommandLine, FatalConditionsInTheirOrder) {
  struct Case {
    Args args;
    std::string message;  // "!" form unless it holds a ": "
  };
  const Case cases[] = {
      {{"-governors", "-iter", "3", "g"}, "Options -heads or -lexmodel and -iter cannot be combined"},
      {{"-t", "tb", "-l", "x", "-merge", "m", "g", "base"}, "Too many arguments: base"},
  };
  for (const Case& c : cases) {
    Outcome o = parse(c.args);
    std::string expected = c.message.find(": ") != std::string::npos
                               ? "\nERROR: " + c.message + "\naborted.\n"
                               : "\nERROR: " + c.message + "!\naborted.\n";
    EXPECT_EQ(o.fatal, expected) << describe(c.args);
  }
}

// The hundred-and-first is refused end to end (too_many_merge_files).
TEST(CommandLine, AHundredMergeFilesAreKept) {
  std::vector<std::string> names;
  for (int i = 0; i < 100; ++i) names.push_back("m" + std::to_string(i));
  Args args;
  for (int i = 0; i < 100; ++i) {
    args.push_back(i % 2 ? "-m" : "-merge");
    args.push_back(names[i].c_str());
  }
  args.push_back("g");
  args.push_back("base");
  Outcome full = parse(args);
  ASSERT_EQ(full.result, CommandLineResult::kRun) << full.fatal;
  ASSERT_EQ(full.config.merge_files.size(), 100u);
  EXPECT_EQ(full.config.merge_files.front(), "m0");
  EXPECT_EQ(full.config.merge_files.back(), "m99");
  EXPECT_EQ(full.config.output_file, "base");
  EXPECT_EQ(full.config.input_file, "base");
}

// The file names in a fixed order; rows of the table leave trailing ones out when they are none.
struct Files {
  std::string grammar{}, input{}, output{}, lexicon{}, start{}, oc{}, cap_oc{}, lex_rule{},
      lex_choice{}, lex_start{}, pool{};
  bool operator==(const Files&) const = default;
};

Files files_of(const RunConfig& c) {
  return {c.grammar_file,        c.input_file,    c.output_file,     c.lexicon_file,
          c.start_file,          c.open_class_file, c.cap_open_class_file, c.lex_rule_file,
          c.lex_choice_file,     c.lex_start_file, c.pool_file};
}

void PrintTo(const Files& f, std::ostream* os) {
  *os << "{" << f.grammar << "|" << f.input << "|" << f.output << "|" << f.lexicon << "|"
      << f.start << "|" << f.oc << "|" << f.cap_oc << "|" << f.lex_rule << "|" << f.lex_choice
      << "|" << f.lex_start << "|" << f.pool << "}";
}

TEST(CommandLine, PositionalArgumentsAndNamesBuiltFromTheBase) {
  struct Case {
    Args args;
    Files files;
  };
  const Case cases[] = {
      {{"g", "in", "out"}, {"g", "in", "out"}},
      {{"g", "-l", "x", "in"}, {"g", "in", "", "x"}},
      {{"-in", "b"}, {"b.gram", "", "", "b.lex", "b.start", "b.oc", "b.OC"}},
      {{"-o", "x", "-O", "y", "-in", "b", "in.txt"},
       {"b.gram", "in.txt", "", "b.lex", "b.start", "b.oc", "b.OC"}},
      {{"-lexmodel", "-in", "b"},
       {"b.gram", "", "", "b.lex", "b.start", "b.oc", "b.OC", "b.lgram", "b.lchoice", "b.lstart",
        "b.pool"}},
      {{"-in", "b", "-merge", "m", "base"},
       {"b.gram", "base", "base", "b.lex", "b.start", "b.oc", "b.OC", "b.lgram", "b.lchoice",
        "b.lstart", "b.pool"}},
      {{"-params", "p"}, {}},
      {{"-params", "p", "in", "out"}, {"", "in", "out"}},
      {{"-store-params", "-l", "x", "g", "p.bin"}, {"g", "p.bin", "", "x"}},
      {{"", "in"}, {"", "in"}},
  };
  for (const Case& c : cases) {
    Outcome o = parse(c.args);
    EXPECT_EQ(o.result, CommandLineResult::kRun) << describe(c.args) << o.fatal;
    EXPECT_EQ(files_of(o.config), c.files) << describe(c.args);
  }
}

// The wording and order of the warnings are checked end to end (warn_*); here the fields the
// checks clear, and options that fit together.
TEST(CommandLine, WarningsOfTheChecksAndTheFieldsTheyClear) {
  struct Case {
    Args args;
    std::string warnings;
    Field cleared;
  };
  const Field none = [](const RunConfig&) { return std::string(); };
  const Case cases[] = {
      {{"-max-chunks", "-opt-chunking", "c", "g"},
       "WARNING: option -max-chunks is ignored without option -chunking!\n", none},
      {{"-O", "x", "g"}, "WARNING: Option -O ignored if option -o is missing!\n",
       [](const RunConfig& c) { return c.cap_open_class_file; }},
      {{"-pooling", "p", "g"},
       "WARNING: Option -pooling ignored because no lexicalisation training (ultra) is "
       "performed!\n",
       [](const RunConfig& c) { return c.parent_pooling_file; }},
      {{"-lexmodel", "-in", "b", "-cpooling", "p"},
       "WARNING: Option -cpooling ignored because no lexicalisation training (ultra) is "
       "performed!\n",
       [](const RunConfig& c) { return c.child_pooling_file; }},
      {{"-heads", "-fixed", "f", "g"}, "WARNING: Option -fixed without option -lexmodel is ignored!\n",
       [](const RunConfig& c) { return c.fixed_file; }},
      // Options that fit together raise no warning.
      {{"-max-chunks", "-chunking", "c", "-o", "x", "-O", "y", "-t", "tb", "-l", "x", "-iter",
        "4", "-old-freq", "0.5", "g"},
       "", none},
      {{"-lexmodel", "-in", "b", "-fixed", "f", "-print-model"}, "", none},
  };
  for (const Case& c : cases) {
    Outcome o = parse(c.args);
    EXPECT_EQ(o.fatal, "") << describe(c.args);
    EXPECT_EQ(o.warnings, c.warnings) << describe(c.args);
    EXPECT_EQ(c.cleared(o.config), "") << describe(c.args);

    Args quiet = c.args;
    quiet.push_back("-quiet");
    EXPECT_EQ(parse(quiet).warnings, "") << describe(quiet);
  }
}

TEST(CommandLine, OptionsSetFieldsTheChecksLeaveAlone) {
  Outcome o = parse({"-heads", "-pooling", "pp", "-cpooling", "cp", "-o", "x", "-O", "y", "g"});
  EXPECT_EQ(o.config.parent_pooling_file, "pp");
  EXPECT_EQ(o.config.child_pooling_file, "cp");
  EXPECT_EQ(o.config.cap_open_class_file, "y");
  EXPECT_EQ(o.warnings, "");
}

TEST(CommandLine, UsageTextHasItsSeventyParts) {
  std::string text = testing::captured(print_usage);
  EXPECT_EQ(text.rfind("USAGE:  velmo [ -options- ] grammar-file [input-file [ output-file ]]\n\n"
                       "OPTIONS:\n  -l <file>:\tUse <file> as lexicon.\n",
                       0),
            0u);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 72);
  EXPECT_TRUE(text.ends_with("\n  -version:\tPrint program version.\n\n"));
}

}  // namespace
}  // namespace velmo
