#include <gtest/gtest.h>

#include "lexicon/lexicon.h"
#include "model/model_test_util.h"

namespace velmo {
namespace {

using testing::fatal_text;
using testing::id;
using testing::make_grammar;
using testing::read_lexicon_text;
using testing::read_open_class_text;

Grammar tags() { return make_grammar({"DT", "NE", "NN", "NNS", "S", "VB", "VBZ"}); }

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(LexiconReaderTest, MergesReadingsAndSortsWords) {
  Grammar g = tags();
  Lexicon lex;
  RunConfig config;
  read_lexicon_text("house\tNN 3 NN 2 VB 1\n\xE4rger\tNN 1\nZoo\tNN' 2\n\n \r\n", g, lex,
                    config);
  ASSERT_EQ(lex.entries.size(), 3u);
  EXPECT_EQ(lex.entries[0].word, "Zoo");
  EXPECT_EQ(lex.entries[1].word, "house");
  EXPECT_EQ(lex.entries[2].word, "\xE4rger");  // bytes from 0x80 sort last
  const LexEntry& house = lex.entries[1];
  ASSERT_EQ(house.tags.size(), 2u);
  EXPECT_EQ(house.tags[0].tag, id(g, "NN"));
  EXPECT_EQ(house.tags[0].freq, 5.0);
  EXPECT_EQ(house.tags[1].tag, id(g, "VB"));
  EXPECT_EQ(house.tags[1].freq, 1.0);
  // One per word carrying the tag, however many readings the word had.
  EXPECT_EQ(g.data[id(g, "NN")].head_count, 3);
  EXPECT_EQ(g.data[id(g, "VB")].head_count, 1);
}

TEST(LexiconReaderTest, UnknownTagsAreDroppedWithWarning) {
  Grammar g = tags();
  Lexicon lex;
  RunConfig config;
  ::testing::internal::CaptureStderr();
  read_lexicon_text("foo\tXYZ 3\nbar\tXYZ 1 NN 2\n", g, lex, config);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "WARNING: word without a (known) tag: foo\n");
  ASSERT_EQ(lex.entries.size(), 1u);
  EXPECT_EQ(lex.entries[0].word, "bar");
  EXPECT_EQ(lex.entries[0].tags.size(), 1u);
}

TEST(LexiconReaderTest, StemsWarnUnknownTagFirst) {
  Grammar g = tags();
  Lexicon lex;
  RunConfig config;
  config.stems = true;
  ::testing::internal::CaptureStderr();
  read_lexicon_text("foo\tXYZ 3 foo\n", g, lex, config);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "WARNING: Unknown grammar symbol: XYZ\n"
            "WARNING: word without a (known) tag: foo\n");
  EXPECT_TRUE(lex.entries.empty());
  EXPECT_EQ(lex.lemmas.size(), 0);  // lemmas of unknown tags are not interned
}

TEST(LexiconReaderTest, StemsGroupLemmasUnderTheirTag) {
  Grammar g = tags();
  Lexicon lex;
  RunConfig config;
  config.stems = true;
  read_lexicon_text("houses\tNNS 40 house\tVBZ 2 house\tNNS 1 hous\tNNS 2 house\n", g, lex,
                    config);
  ASSERT_EQ(lex.lemmas.size(), 2);
  EXPECT_EQ(lex.lemmas.name(0), "hous");
  EXPECT_EQ(lex.lemmas.name(1), "house");
  ASSERT_EQ(lex.entries.size(), 1u);
  const std::vector<TagEntry>& t = lex.entries[0].tags;
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].tag, id(g, "NNS"));
  EXPECT_EQ(t[0].freq, 43.0);
  ASSERT_EQ(t[0].lemmas.size(), 2u);
  EXPECT_EQ(t[0].lemmas[0].lemma, 0);
  EXPECT_EQ(t[0].lemmas[0].freq, 1.0);
  EXPECT_EQ(t[0].lemmas[1].lemma, 1);
  EXPECT_EQ(t[0].lemmas[1].freq, 42.0);
  EXPECT_EQ(t[1].tag, id(g, "VBZ"));
  ASSERT_EQ(t[1].lemmas.size(), 1u);
  EXPECT_EQ(g.data[id(g, "NNS")].head_count, 0);  // heads are lemmas, counted elsewhere
}

TEST(LexiconReaderTest, SymbolicReadingsHaveFrequencyOne) {
  Grammar g = tags();
  Lexicon lex;
  RunConfig config;
  config.symbolic = true;
  read_lexicon_text("house\tNN VB NN\n", g, lex, config);
  ASSERT_EQ(lex.entries[0].tags.size(), 2u);
  EXPECT_EQ(lex.entries[0].tags[0].freq, 2.0);
  EXPECT_EQ(lex.entries[0].tags[1].freq, 1.0);

  Grammar g2 = tags();
  Lexicon stems;
  config.stems = true;
  read_lexicon_text("houses\tNNS house\tVBZ house\n", g2, stems, config);
  ASSERT_EQ(stems.entries[0].tags.size(), 2u);
  EXPECT_EQ(stems.entries[0].tags[1].lemmas[0].freq, 1.0);
}

TEST(LexiconReaderTest, NineHundredNinetyNineReadingsAreAccepted) {
  Grammar g = tags();
  Lexicon lex;
  RunConfig config;
  // Unknown tags do not count towards the limit.
  read_lexicon_text("w\t" + repeat("NN 1 ", 999) + repeat("XYZ 1 ", 5) + "\n", g, lex, config);
  EXPECT_EQ(lex.entries[0].tags[0].freq, 999.0);
}

struct ErrorCase {
  const char* name;
  std::string input;
  bool stems;
  std::string error;
  std::string stderr_text;
};

// Two entries, too many tags, missing lemmas and head marks are cases under tests/cases/lexicon.
TEST(LexiconReaderTest, ErrorsNameTheLine) {
  const ErrorCase cases[] = {
      {"no frequency", "house\tNN\n", false,
       "\nERROR: Missing frequency in lexicon file at line (missing option -stems?): 1\n"
       "aborted.\n",
       ""},
      {"bad frequency after empty lines", "\n \t \nhouse\tNN 3 VB x\n", false,
       "\nERROR: Missing frequency in lexicon file at line (missing option -stems?): 3\n"
       "aborted.\n",
       "Error at: x\n"},
      {"partial number", "house\tNN 3e\n", false,
       "\nERROR: Missing frequency in lexicon file at line (missing option -stems?): 1\n"
       "aborted.\n",
       "Error at: 3e\n"},
      {"unknown tag still needs a number", "house\tXYZ x\n", false,
       "\nERROR: Missing frequency in lexicon file at line (missing option -stems?): 1\n"
       "aborted.\n",
       "Error at: x\n"},
  };
  for (const ErrorCase& c : cases) {
    Grammar g = tags();
    Lexicon lex;
    RunConfig config;
    config.stems = c.stems;
    ::testing::internal::CaptureStderr();
    std::string error = fatal_text([&] { read_lexicon_text(c.input, g, lex, config); });
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.stderr_text) << c.name;
    EXPECT_EQ(error, c.error) << c.name;
  }
}

TEST(MwlTrieTest, LexemesAreIndexedFromTheLastWord) {
  Grammar g = tags();
  Lexicon lex;
  RunConfig config;
  read_lexicon_text("de facto\tNN 1\nNew York\tNE 3\nYork\tNE 1\nNew York City\tNE 2\n", g, lex,
                    config);
  // Word ids: New York 0, New York City 1, York 2, de facto 3.
  const MwlNode& root = lex.mwl_root;
  EXPECT_EQ(root.words, (std::vector<std::string>{"City", "York", "facto"}));
  const MwlNode* facto = root.child("facto");
  ASSERT_NE(facto, nullptr);
  EXPECT_EQ(facto->entry, -1);
  ASSERT_NE(facto->child("de"), nullptr);
  EXPECT_EQ(facto->child("de")->entry, 3);
  EXPECT_TRUE(facto->child("de")->words.empty());
  EXPECT_EQ(root.child("de"), nullptr);

  const MwlNode* york = root.child("York");
  ASSERT_NE(york, nullptr);
  EXPECT_EQ(york->entry, -1);  // the one-word York is an ordinary entry
  EXPECT_EQ(york->child("New")->entry, 0);
  const MwlNode* city_york = root.child("City")->child("York");
  ASSERT_NE(city_york, nullptr);
  EXPECT_EQ(city_york->entry, -1);
  EXPECT_EQ(city_york->child("New")->entry, 1);
}

TEST(MwlTrieTest, OverlongLexemeStaysOutOfTheIndex) {
  Grammar g = tags();
  Lexicon lex;
  RunConfig config;
  config.quiet = true;  // the warning is printed all the same
  std::string longest = "a" + repeat(" a", 100);
  std::string too_long = "b" + repeat(" b", 101);
  ::testing::internal::CaptureStderr();
  read_lexicon_text(longest + "\tNN 1\n" + too_long + "\tNN 1\n", g, lex, config);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Warning: MWL \"" + too_long + "\" in lexicon is too long!\n");
  EXPECT_EQ(lex.entries.size(), 2u);
  EXPECT_NE(lex.mwl_root.child("a"), nullptr);
  EXPECT_EQ(lex.mwl_root.child("b"), nullptr);
}

TEST(OpenClassReaderTest, ReadsPairsAcrossLines) {
  Grammar g = tags();
  OpenClassTable table;
  RunConfig config;
  read_open_class_text("NN 3 NE\n2.5\n\nVB' 1 NN 4\n", g, table, config);
  EXPECT_TRUE(table.loaded);
  ASSERT_EQ(table.entries.size(), static_cast<size_t>(g.symbol_count()));
  EXPECT_TRUE(table.entries[id(g, "NN")].open);
  EXPECT_EQ(table.entries[id(g, "NN")].freq, 4.0);  // the last one counts
  EXPECT_EQ(table.entries[id(g, "NE")].freq, 2.5);
  EXPECT_TRUE(table.entries[id(g, "VB")].open);
  EXPECT_FALSE(table.entries[id(g, "DT")].open);
  EXPECT_EQ(g.data[id(g, "NN")].head_count, 2);
  EXPECT_EQ(g.data[id(g, "NE")].head_count, 1);
}

TEST(OpenClassReaderTest, FileWithoutPairsIsNoTable) {
  Grammar g = tags();
  OpenClassTable table;
  RunConfig config;
  read_open_class_text(" \n\n", g, table, config);
  EXPECT_FALSE(table.loaded);
  EXPECT_TRUE(table.entries.empty());
}

TEST(OpenClassReaderTest, Errors) {
  const std::pair<std::string, std::string> cases[] = {
      {"NN 3 VB", "\nERROR: missing frequency in open class file!\naborted.\n"},
      {"NN x", "\nERROR: missing frequency in open class file!\naborted.\n"},
      {"NN 1 XYZ 2", "\nERROR: Unknown grammar symbol: XYZ\naborted.\n"},
  };
  for (const auto& [input, error] : cases) {
    Grammar g = tags();
    OpenClassTable table;
    RunConfig config;
    EXPECT_EQ(fatal_text([&] { read_open_class_text(input, g, table, config); }), error)
        << input;
  }
}

}  // namespace
}  // namespace velmo
