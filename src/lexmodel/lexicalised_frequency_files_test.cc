#include "lexmodel/lexicalised_frequency_files.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <cstdlib>
#include <string>

#include "base/binary_writer.h"
#include "base/test_support.h"
#include "base/text_input.h"
#include "grammar/grammar_test_util.h"

namespace velmo {
namespace {

// The bytes a writer leaves in a stream.
template <class Write>
std::string bytes_of(Write&& write) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&buffer, &size);
  write(out);
  std::fclose(out);
  std::string bytes(buffer, size);
  std::free(buffer);
  return bytes;
}

// S has two rules, NP one; the lexicon has the words "a" and "b" (heads 0 and 1) of V.
class LexicalisedFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::GrammarBuilder b(model_.grammar, {"S", "NP", "V"});
    b.rule("S", {"NP", "V"});
    b.rule("S", {"V"});
    b.rule("NP", {"V"});
    b.finish();
    s_ = b.id("S");
    np_ = b.id("NP");
    v_ = b.id("V");
    model_.lexicon.entries.push_back({"a", {{v_, 1.0f, 1.0, {}}}});
    model_.lexicon.entries.push_back({"b", {{v_, 1.0f, 1.0, {}}}});
    lex_.reset(model_.grammar.symbol_count());
  }

  // A .lgram file of one record: mother S, head -1, the rule index given.
  std::string one_rule_file(int16_t rule) const {
    return bytes_of([&](FILE* out) {
      BinaryWriter w(out);
      w.int32(1);   // mothers
      w.int32(s_);
      w.int32(1);   // heads
      w.int32(-1);  // the unknown head
      w.int32(1);   // rules
      w.int16(rule);
      w.float32(2.0f);
    });
  }
  std::string read_rules(const std::string& bytes) {
    return testing::fatal_text([&] {
      MemoryInput in(bytes);
      read_lexicalised_rules(in.get(), "f.lgram", model_, lex_, config_);
    });
  }

  Model model_;
  int s_ = 0, np_ = 0, v_ = 0;
  LexModel lex_;
  PoolingClasses pooling_;
  RunConfig config_;
};

TEST_F(LexicalisedFilesTest, RuleIndexMustNameOneOfTheMothersRules) {
  EXPECT_EQ(read_rules(one_rule_file(1)), "(no error)");
  ASSERT_EQ(lex_.rules[s_].size(), 1u);
  EXPECT_EQ(lex_.rules[s_][0].rules[0].rule, 1);
  EXPECT_EQ(lex_.rules[s_][0].rules[0].freq, 2.0f);
  const std::string corrupt = "\nERROR: Corrupt parameter file: f.lgram\naborted.\n";
  EXPECT_EQ(read_rules(one_rule_file(2)), corrupt);  // S has rules 0 and 1
  EXPECT_EQ(read_rules(one_rule_file(-1)), corrupt);
}

// What training counted is what the files give back, for every kind of event, with records of
// several mothers, heads and contexts written in grouped form.
TEST_F(LexicalisedFilesTest, WrittenFilesReadBackTheCountedEvents) {
  HeadFrequencies f(model_.grammar, config_);
  f.add_rule(1, s_, 1, 3.0);
  f.add_rule(0, s_, 0, 2.0);
  f.add_rule(-1, s_, 1, 1.5);
  f.add_rule(0, np_, 0, 4.0);
  f.add_rule(0, np_, 0, 0.25);  // added to the record before
  f.add_choice(s_, 1, np_, 0, 2.0);
  f.add_choice(s_, 1, v_, 1, 1.0);
  f.add_choice(s_, -1, v_, 1, 5.0);
  f.add_start(1, s_, 7.0);
  f.add_start(-1, s_, 0.5);
  std::string rules = bytes_of([&](FILE* out) { write_lexicalised_rules(out, f); });
  std::string choices = bytes_of([&](FILE* out) { write_lexical_choices(out, f); });
  std::string starts = bytes_of([&](FILE* out) { write_lexicalised_starts(out, f, config_); });
  ASSERT_EQ(read_rules(rules), "(no error)");
  {
    MemoryInput in(choices);
    read_lexical_choices(in.get(), "f.lchoice", model_, pooling_, lex_, config_);
    MemoryInput starts_in(starts);
    read_lexicalised_starts(starts_in.get(), "f.lstart", model_, lex_, config_);
  }
  // Rules by mother, then ascending head, then ascending rule.
  ASSERT_EQ(lex_.rules[s_].size(), 3u);
  EXPECT_EQ(lex_.rules[s_][0].head, -1);
  EXPECT_EQ(lex_.rules[s_][1].head, 0);
  EXPECT_EQ(lex_.rules[s_][1].rules[0].freq, 2.0f);
  EXPECT_EQ(lex_.rules[s_][2].rules[0].rule, 1);
  EXPECT_EQ(lex_.rules[s_][2].rules[0].freq, 3.0f);
  ASSERT_EQ(lex_.rules[np_].size(), 1u);
  EXPECT_EQ(lex_.rules[np_][0].rules[0].freq, 4.25f);
  // Choices by daughter class, parent class, parent head, daughter head.
  ASSERT_EQ(lex_.choices.size(), 2u);
  const DaughterClassChoices& v = lex_.choices[np_ < v_ ? 1 : 0];
  EXPECT_EQ(v.daughter_class, v_);
  const ParentClassChoices& p = v.parents.at(0);
  EXPECT_EQ(p.parent_class, s_);
  ASSERT_EQ(p.heads.size(), 2u);
  EXPECT_EQ(p.heads[0].parent_head, -1);
  EXPECT_EQ(p.heads[0].entries.at(0).freq, 5.0f);
  EXPECT_EQ(p.heads[1].parent_head, 1);
  // Starts above their threshold (0.1 by default) only.
  ASSERT_EQ(lex_.starts[s_].entries.size(), 2u);
  EXPECT_EQ(lex_.starts[s_].entries[0].head, -1);
  EXPECT_EQ(lex_.starts[s_].entries[1].freq, 7.0f);
}

}  // namespace
}  // namespace velmo
