#include "lexicon/lexicon.h"

#include <gtest/gtest.h>

#include "model/model_test_util.h"

namespace velmo {
namespace {

using testing::id;
using testing::make_grammar;
using testing::read_lexicon_text;
using testing::read_open_class_text;

struct Fixture {
  Grammar grammar = make_grammar({"NE", "NN", "VB"});
  Lexicon lexicon;
  RunConfig config;

  Fixture() { read_lexicon_text("haus\tNN 2\nrun\tVB 3 NN 1\n", grammar, lexicon, config); }
  void load_open_classes() {
    read_open_class_text("NN 1", grammar, lexicon.open_class, config);
    read_open_class_text("NE 1", grammar, lexicon.cap_open_class, config);
  }
};

TEST(LexiconTest, CapitalisedWordFallsBackToLowerCase) {
  Fixture f;
  EXPECT_EQ(f.lexicon.word_index("haus"), 0);
  EXPECT_EQ(f.lexicon.word_index("Haus"), 0);
  EXPECT_EQ(f.lexicon.word_index("HAUS"), -1);
  EXPECT_EQ(f.lexicon.word_index("Haus2"), -1);
  EXPECT_EQ(f.lexicon.find_word("Run"), &f.lexicon.entries[1]);
  EXPECT_EQ(f.lexicon.find_word("runs"), nullptr);
  Lexicon empty;
  EXPECT_EQ(empty.find_word("haus"), nullptr);
}

TEST(LexiconTest, TableSelectionByFirstByte) {
  Fixture f;
  const Lexicon& lex = f.lexicon;
  EXPECT_EQ(&lex.table_for("Xylo"), &lex.open_class);  // no -O table loaded
  f.load_open_classes();
  EXPECT_EQ(&lex.table_for("Xylo"), &lex.cap_open_class);
  EXPECT_EQ(&lex.table_for("1xylo"), &lex.cap_open_class);
  EXPECT_EQ(&lex.table_for("\xC4rger"), &lex.cap_open_class);
  EXPECT_EQ(&lex.table_for("xylo"), &lex.open_class);
  EXPECT_EQ(&lex.table_for("\xE4rger"), &lex.open_class);
  EXPECT_EQ(&lex.table_for("\xDF"), &lex.open_class);
}

TEST(LexiconTest, LexicalProbabilityOfKnownAndUnknownWords) {
  Fixture f;
  int nn = id(f.grammar, "NN"), vb = id(f.grammar, "VB");
  f.grammar.data[nn].lex_share = 0.5;
  f.grammar.data[vb].lex_share = 0.25;
  f.lexicon.entries[1].tags[0].prob = 0.75f;  // run/NN

  ::testing::internal::CaptureStderr();
  EXPECT_DOUBLE_EQ(lexical_probability(f.grammar, f.lexicon, "run", nn, f.config), 0.375);
  EXPECT_DOUBLE_EQ(lexical_probability(f.grammar, f.lexicon, "xylo", nn, f.config), 0.5);
  // A known word without the reading is treated like an unknown one.
  EXPECT_DOUBLE_EQ(lexical_probability(f.grammar, f.lexicon, "haus", vb, f.config), 0.25);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "WARNING: Unknown word: xylo\nWARNING: Unknown word: haus\n");

  f.load_open_classes();
  f.lexicon.open_class.entries[nn].prob = 0.2;
  ::testing::internal::CaptureStderr();
  EXPECT_DOUBLE_EQ(lexical_probability(f.grammar, f.lexicon, "xylo", nn, f.config), 0.1);
  EXPECT_DOUBLE_EQ(lexical_probability(f.grammar, f.lexicon, "xylo", vb, f.config), 0.25e-10);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "WARNING: Unknown word with non-open-class tag: xylo (VB)\n");
}

TEST(LexiconTest, LexicalFrequencyGoesToReadingOrSelectedTable) {
  Fixture f;
  int ne = id(f.grammar, "NE"), nn = id(f.grammar, "NN"), vb = id(f.grammar, "VB");
  add_lexical_frequency(f.lexicon, nn, "Run", -1, 1.5, f.config);
  EXPECT_EQ(f.lexicon.entries[1].tags[0].freq, 2.5);
  add_lexical_frequency(f.lexicon, vb, "xylo", -1, 1.0, f.config);  // no table: dropped

  f.load_open_classes();
  add_lexical_frequency(f.lexicon, vb, "xylo", -1, 1.0, f.config);  // not open there: kept
  add_lexical_frequency(f.lexicon, vb, "haus", -1, 2.0, f.config);
  add_lexical_frequency(f.lexicon, ne, "Xylo", -1, 4.0, f.config);
  EXPECT_EQ(f.lexicon.open_class.entries[vb].freq, 3.0);
  EXPECT_EQ(f.lexicon.cap_open_class.entries[ne].freq, 5.0);
  EXPECT_FALSE(f.lexicon.open_class.entries[vb].open);
}

TEST(LexiconTest, LexicalFrequencyOfLemmasWhenLexicalised) {
  Grammar g = make_grammar({"NNS", "VBZ"});
  Lexicon lex;
  RunConfig config;
  config.stems = true;
  read_lexicon_text("houses\tNNS 4 house\tNNS 1 hous\n", g, lex, config);
  config.lexicalise = true;
  int house = lex.lemmas.index("house");
  add_lexical_frequency(lex, 0, "houses", house, 2.0, config);
  add_lexical_frequency(lex, 0, "houses", 99, 2.0, config);  // no such lemma: nothing
  const TagEntry& t = lex.entries[0].tags[0];
  EXPECT_EQ(t.lemmas[house].freq, 6.0);
  EXPECT_EQ(t.lemmas[1 - house].freq, 1.0);
  EXPECT_EQ(t.freq, 5.0);
}

TEST(LexiconTest, LexicalItemsAreWordsOrLemmas) {
  Grammar g = make_grammar({"NNS"});
  Lexicon lex;
  RunConfig config;
  config.stems = true;
  read_lexicon_text("mice\tNNS 1 mouse\nhouses\tNNS 4 house\n", g, lex, config);
  EXPECT_EQ(lexical_item_count(lex, config), 2);
  EXPECT_EQ(lexical_item_index(lex, "mouse", config), 1);
  EXPECT_EQ(lexical_item_index(lex, "mice", config), -1);
  EXPECT_EQ(lexical_item_name(lex, 0, config), "house");
  EXPECT_EQ(lexical_item_name(lex, -1, config), "<unknown>");
  config.stems = false;
  EXPECT_EQ(lexical_item_index(lex, "Mice", config), 1);
  EXPECT_EQ(lexical_item_name(lex, 0, config), "houses");
}

}  // namespace
}  // namespace velmo
