#include "model/frequency_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "grammar/grammar_reader.h"
#include "model/model_test_util.h"
#include "model/replacement_file.h"

namespace velmo {
namespace {

using testing::captured;
using testing::fatal_text;
using testing::read_from;
using testing::ScratchDir;
using testing::small_model;

// The formats of the files are compared end to end (tests/cases/training/*/files); here what
// those cases cannot show: the stems forms, stray files, and reading the files back.

// Lexicon a/DT 5, dog/N 3, walks/V 1.5; open classes N 4 and V 0.25 in the general table.
Model model_with_lexicon() {
  Model model = small_model();
  Lexicon& lex = model.lexicon;
  auto entry = [](const char* word, int tag, double freq) {
    LexEntry e;
    e.word = word;
    e.tags.push_back(TagEntry{tag, 0.5f, freq, {}});
    return e;
  };
  lex.entries = {entry("a", 0, 5), entry("dog", 1, 3), entry("walks", 4, 1.5)};
  lex.open_class.loaded = true;
  lex.open_class.entries.assign(6, OpenClassEntry{});
  lex.open_class.entries[1] = {true, 4, 0.5};
  lex.open_class.entries[4] = {true, 0.25, 0.5};
  return model;
}

TEST(FrequencyFiles, StemsReadingsShareOrKeepTheirFrequency) {
  Model model = small_model();
  RunConfig config;
  config.stems = true;
  model.lexicon.lemmas.assign({"dog", "dogs"});
  TagEntry tag{1, 0.5f, 3.0, {{0, 0.5, 2.0}, {1, 0.5, 1.0}}};
  model.lexicon.entries = {LexEntry{"dogs", {tag}}};
  struct Row {
    bool lexicalise;
    bool high_precision;
    const char* expected;
  } rows[] = {
      {false, false, "dogs\tN 1.50 dog\tN 1.50 dogs\n"},
      {false, true, "dogs\tN 1.5 dog\tN 1.5 dogs\n"},
      {true, false, "dogs\tN 2.00 dog\tN 1.00 dogs\n"},
      {true, true, "dogs\tN 2 dog\tN 1 dogs\n"},
  };
  for (const Row& row : rows) {
    config.lexicalise = row.lexicalise;
    config.high_precision = row.high_precision;
    EXPECT_EQ(captured([&](FILE* f) { write_lexicon_frequencies(f, model, config); }), row.expected);
  }
}

TEST(FrequencyFiles, WritesTheFiveFilesAndNothingElse) {
  ScratchDir dir;
  Model model = model_with_lexicon();
  write_frequency_files(dir.path().string() + "/out", model, RunConfig{});
  EXPECT_EQ(dir.files(),
            (std::vector<std::string>{"out.OC", "out.gram", "out.lex", "out.oc", "out.start"}));
}

// The files read back into a model write the same bytes again.
TEST(FrequencyFiles, FilesReadBackAndWriteTheSameBytes) {
  ScratchDir dir;
  Model model = model_with_lexicon();
  model.grammar.data[5].start_freq = 0.125;
  model.lexicon.entries.push_back(
      LexEntry{"w\xe4lder", {TagEntry{1, 0.5f, 0.75, {}}, TagEntry{4, 0.5f, 2, {}}}});
  RunConfig config;
  config.high_precision = true;
  const std::string out = (dir / "out").string();
  write_frequency_files(out, model, config);

  Model back;
  back.grammar = read_from(dir.read("out.gram"), [&](FILE* f) { return read_grammar(f, config); });
  read_start_file(out + ".start", back.grammar, config);
  testing::read_lexicon_text(dir.read("out.lex"), back.grammar, back.lexicon, config);
  testing::read_open_class_text(dir.read("out.oc"), back.grammar, back.lexicon.open_class, config);
  write_frequency_files((dir / "again").string(), back, config);
  for (const char* suffix : {".gram", ".lex", ".oc", ".OC", ".start"})
    EXPECT_EQ(dir.read(std::string("again") + suffix), dir.read(std::string("out") + suffix))
        << suffix;
  EXPECT_NE(dir.read("out.lex").find("w\xe4lder\tN 0.75\tV 2\n"), std::string::npos);
  EXPECT_NE(dir.read("out.gram").find("0.004\tVP V NP'\n"), std::string::npos);
}

TEST(ReplacementFile, TargetKeepsItsContentUntilCommit) {
  ScratchDir dir;
  std::string target = dir.path().string() + "/f";
  {
    ReplacementFile first(target, "wt");
    std::fputs("old\n", first.stream());
    first.commit();
  }
  {
    ReplacementFile unfinished(target, "wt");
    std::fputs("new\n", unfinished.stream());
    std::fflush(unfinished.stream());
    EXPECT_EQ(dir.read("f"), "old\n");
  }  // abandoned, as when a fatal error unwinds the writer
  EXPECT_EQ(dir.files(), std::vector<std::string>{"f"});
  EXPECT_EQ(dir.read("f"), "old\n");
  ReplacementFile second(target, "wt");
  std::fputs("new\n", second.stream());
  second.commit();
  EXPECT_EQ(dir.read("f"), "new\n");
  EXPECT_EQ(dir.files(), std::vector<std::string>{"f"});
}

TEST(ReplacementFile, LinkStaysALinkAndModeIsKept) {
  ScratchDir dir;
  std::string real = dir.path().string() + "/real";
  {
    ReplacementFile first(real, "wt");
    std::fputs("old\n", first.stream());
    first.commit();
  }
  ASSERT_EQ(chmod(real.c_str(), 0640), 0);
  ASSERT_EQ(symlink("real", (dir.path().string() + "/link").c_str()), 0);
  ReplacementFile through_link(dir.path().string() + "/link", "wt");
  std::fputs("new\n", through_link.stream());
  through_link.commit();

  struct stat info;
  ASSERT_EQ(lstat((dir.path().string() + "/link").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(dir.read("real"), "new\n");
  ASSERT_EQ(stat(real.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(dir.files(), (std::vector<std::string>{"link", "real"}));
}

TEST(ReplacementFile, UnwritableFolderNamesTheTarget) {
  EXPECT_EQ(fatal_text([] { ReplacementFile f("/nonexistent-folder/x.gram", "wt"); }),
            "\nERROR: Can't open file: /nonexistent-folder/x.gram\naborted.\n");
}

}  // namespace
}  // namespace velmo
