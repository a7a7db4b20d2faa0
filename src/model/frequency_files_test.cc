#include "model/frequency_files.h"

#include <dirent.h>
#include <sys/stat.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "driver/diagnostics.h"
#include "grammar/grammar_reader.h"
#include "model/model_files_test_util.h"
#include "model/replacement_file.h"

namespace velmo {
namespace {

using files_testing::small_model;
using files_testing::stream_contents;

template <class Writer>
std::string written(Writer writer) {
  FILE* f = std::tmpfile();
  writer(f);
  std::string s = stream_contents(f);
  std::fclose(f);
  return s;
}

std::string fatal_text(const std::function<void()>& f) {
  try {
    f();
  } catch (const FatalError& e) {
    return e.text();
  }
  return "(no error)";
}

// A scratch folder removed with its files at the end of the test.
class ScratchFolder {
 public:
  ScratchFolder() {
    char pattern[] = "/tmp/velmo_files_XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~ScratchFolder() {
    for (const std::string& f : files()) std::remove((path_ + "/" + f).c_str());
    rmdir(path_.c_str());
  }
  const std::string& path() const { return path_; }
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    DIR* dir = opendir(path_.c_str());
    while (dirent* e = readdir(dir))
      if (e->d_name[0] != '.') names.push_back(e->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string read(const std::string& name) const {
    FILE* f = std::fopen((path_ + "/" + name).c_str(), "rb");
    if (!f) return "(missing)";
    std::string s = stream_contents(f);
    std::fclose(f);
    return s;
  }

 private:
  std::string path_;
};

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

TEST(FrequencyFiles, GrammarFileInBothPrecisions) {
  Model model = small_model();
  RunConfig config;
  EXPECT_EQ(written([&](FILE* f) { write_grammar_frequencies(f, model.grammar, config); }),
            "60.00\tNP DT N'\n40.00\tNP N'\n100.00\tS NP VP'\n100.00\tVP V'\n0.00\tVP V NP'\n");
  config.high_precision = true;
  EXPECT_EQ(written([&](FILE* f) { write_grammar_frequencies(f, model.grammar, config); }),
            "60\tNP DT N'\n40\tNP N'\n100\tS NP VP'\n100\tVP V'\n0.004\tVP V NP'\n");
}

TEST(FrequencyFiles, StartFileLeavesOutZeroFrequencies) {
  Model model = small_model();
  model.grammar.data[5].start_freq = 0.125;
  RunConfig config;
  EXPECT_EQ(written([&](FILE* f) { write_start_frequencies(f, model.grammar, config); }),
            "S\t3.00\nVP\t0.12\n");
  config.high_precision = true;
  EXPECT_EQ(written([&](FILE* f) { write_start_frequencies(f, model.grammar, config); }),
            "S\t3\nVP\t0.125\n");
}

TEST(FrequencyFiles, LexiconAndOpenClassFiles) {
  Model model = model_with_lexicon();
  RunConfig config;
  EXPECT_EQ(written([&](FILE* f) { write_lexicon_frequencies(f, model, config); }),
            "a\tDT 5.00\ndog\tN 3.00\nwalks\tV 1.50\n");
  EXPECT_EQ(written([&](FILE* f) {
              write_open_class_frequencies(f, model.grammar, model.lexicon.open_class, config);
            }),
            "N 4.00\nV 0.25\n");
  EXPECT_EQ(written([&](FILE* f) {
              write_open_class_frequencies(f, model.grammar, model.lexicon.cap_open_class, config);
            }),
            "");
  config.high_precision = true;
  EXPECT_EQ(written([&](FILE* f) { write_lexicon_frequencies(f, model, config); }),
            "a\tDT 5\ndog\tN 3\nwalks\tV 1.5\n");
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
    EXPECT_EQ(written([&](FILE* f) { write_lexicon_frequencies(f, model, config); }), row.expected);
  }
}

TEST(FrequencyFiles, BaseNameOfAtMost100Bytes) {
  EXPECT_EQ(fatal_text([] { check_base_name(std::string(100, 'x')); }), "(no error)");
  std::string long_name(101, 'x');
  EXPECT_EQ(fatal_text([&] { check_base_name(long_name); }),
            "\nERROR: Filename is too long: " + long_name + "\naborted.\n");
  Model model = small_model();
  EXPECT_EQ(fatal_text([&] { write_frequency_files(long_name, model, RunConfig{}); }),
            "\nERROR: Filename is too long: " + long_name + "\naborted.\n");
}

TEST(FrequencyFiles, WritesTheFiveFilesAndNothingElse) {
  ScratchFolder dir;
  Model model = model_with_lexicon();
  write_frequency_files(dir.path() + "/out", model, RunConfig{});
  EXPECT_EQ(dir.files(),
            (std::vector<std::string>{"out.OC", "out.gram", "out.lex", "out.oc", "out.start"}));
  EXPECT_EQ(dir.read("out.OC"), "");
  EXPECT_EQ(dir.read("out.oc"), "N 4.00\nV 0.25\n");
  EXPECT_EQ(dir.read("out.start"), "S\t3.00\n");
}

TEST(FrequencyFiles, GrammarAndStartFilesReadBack) {
  ScratchFolder dir;
  Model model = model_with_lexicon();
  model.grammar.data[5].start_freq = 0.125;
  RunConfig config;
  config.high_precision = true;
  write_frequency_files(dir.path() + "/out", model, config);

  FILE* in = open_file(dir.path() + "/out.gram", "rt");
  Grammar back = read_grammar(in, config);
  std::fclose(in);
  read_start_file(dir.path() + "/out.start", back, config);
  const Grammar& g = model.grammar;
  ASSERT_EQ(back.symbol_count(), g.symbol_count());
  for (int s = 0; s < g.symbol_count(); ++s) {
    EXPECT_EQ(back.name(s), g.name(s));
    EXPECT_EQ(back.data[s].start_freq, g.data[s].start_freq) << g.name(s);
    ASSERT_EQ(back.data[s].rules.size(), g.data[s].rules.size());
    for (size_t r = 0; r < g.data[s].rules.size(); ++r) {
      EXPECT_EQ(back.data[s].rules[r].daughters, g.data[s].rules[r].daughters);
      EXPECT_EQ(back.data[s].rules[r].head, g.data[s].rules[r].head);
      EXPECT_EQ(back.data[s].rules[r].freq, g.data[s].rules[r].freq);
    }
  }
}

TEST(FrequencyFiles, LexiconAndOpenClassesReadBack) {
  ScratchFolder dir;
  Model model = model_with_lexicon();
  model.lexicon.entries.push_back(
      LexEntry{"w\xe4lder", {TagEntry{1, 0.5f, 0.75, {}}, TagEntry{4, 0.5f, 2, {}}}});
  RunConfig config;
  config.high_precision = true;
  write_frequency_files(dir.path() + "/out", model, config);

  Model back;
  FILE* in = open_file(dir.path() + "/out.gram", "rt");
  back.grammar = read_grammar(in, config);
  std::fclose(in);
  in = open_file(dir.path() + "/out.lex", "rt");
  read_lexicon(in, back.grammar, back.lexicon, config);
  std::fclose(in);
  in = open_file(dir.path() + "/out.oc", "rt");
  read_open_classes(in, back.grammar, back.lexicon.open_class, config);
  std::fclose(in);

  ASSERT_EQ(back.lexicon.entries.size(), model.lexicon.entries.size());
  for (size_t e = 0; e < model.lexicon.entries.size(); ++e) {
    const LexEntry& want = model.lexicon.entries[e];
    const LexEntry& got = back.lexicon.entries[e];
    EXPECT_EQ(got.word, want.word);
    ASSERT_EQ(got.tags.size(), want.tags.size());
    for (size_t t = 0; t < want.tags.size(); ++t) {
      EXPECT_EQ(got.tags[t].tag, want.tags[t].tag);
      EXPECT_EQ(got.tags[t].freq, want.tags[t].freq);
    }
  }
  ASSERT_TRUE(back.lexicon.open_class.loaded);
  for (int s = 0; s < 6; ++s) {
    EXPECT_EQ(back.lexicon.open_class.entries[s].open, model.lexicon.open_class.entries[s].open);
    EXPECT_EQ(back.lexicon.open_class.entries[s].freq, model.lexicon.open_class.entries[s].freq);
  }
}

TEST(ReplacementFile, TargetKeepsItsContentUntilCommit) {
  ScratchFolder dir;
  std::string target = dir.path() + "/f";
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
  ScratchFolder dir;
  std::string real = dir.path() + "/real";
  {
    ReplacementFile first(real, "wt");
    std::fputs("old\n", first.stream());
    first.commit();
  }
  ASSERT_EQ(chmod(real.c_str(), 0640), 0);
  ASSERT_EQ(symlink("real", (dir.path() + "/link").c_str()), 0);
  ReplacementFile through_link(dir.path() + "/link", "wt");
  std::fputs("new\n", through_link.stream());
  through_link.commit();

  struct stat info;
  ASSERT_EQ(lstat((dir.path() + "/link").c_str(), &info), 0);
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
