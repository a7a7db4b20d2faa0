#include "grammar/grammar_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/model_test_util.h"

namespace velmo {
namespace {

using testing::fatal_text;
using testing::grammar_from;
using testing::stream_of;

std::string printed(const Grammar& grammar, int mother, int rule, bool arrow) {
  FILE* out = std::tmpfile();
  print_rule(out, grammar, mother, rule, arrow);
  std::string text(std::ftell(out), '\0');
  std::rewind(out);
  size_t n = std::fread(text.data(), 1, text.size(), out);
  text.resize(n);
  std::fclose(out);
  return text;
}

std::vector<std::string> names(const Grammar& grammar) {
  std::vector<std::string> result;
  for (int s = 0; s < grammar.symbol_count(); ++s) result.push_back(grammar.name(s));
  return result;
}

// The whole grammar as "freq mother daughters" lines in symbol order.
std::string listing(const Grammar& grammar) {
  std::string text;
  for (int m = 0; m < grammar.symbol_count(); ++m)
    for (int r = 0; r < static_cast<int>(grammar.data[m].rules.size()); ++r)
      text += string_printf("%.17g ", grammar.rule(m, r).freq) + printed(grammar, m, r, false) + "\n";
  return text;
}

TEST(GrammarReaderTest, ReadsSymbolsRulesAndHeads) {
  RunConfig config;
  Grammar g = grammar_from("100 S NP VP'\n\n60 NP DT N'\n \t\n40\tNP N'\n1e2 VP V'\n", config);
  EXPECT_EQ(names(g), (std::vector<std::string>{"DT", "N", "NP", "S", "V", "VP"}));
  const int kDT = 0, kN = 1, kNP = 2, kS = 3, kV = 4, kVP = 5;
  ASSERT_EQ(g.data[kNP].rules.size(), 2u);
  const Rule& first = g.rule(kNP, 0);
  EXPECT_EQ(first.daughters, (std::vector<int>{kDT, kN}));
  EXPECT_EQ(first.head, 1);
  EXPECT_EQ(first.freq, 60.0);
  EXPECT_EQ(first.number, 1);
  EXPECT_EQ(g.rule(kNP, 1).number, 2);
  EXPECT_EQ(g.rule(kS, 0).number, 0);
  EXPECT_EQ(g.rule(kVP, 0).freq, 100.0);
  EXPECT_TRUE(g.data[kDT].rules.empty());
  for (int s = 0; s < g.symbol_count(); ++s) {
    EXPECT_EQ(g.data[s].parent_pool, s);
    EXPECT_EQ(g.data[s].child_pool, s);
  }
  EXPECT_EQ(printed(g, kS, 0, true), "S -> NP VP'");
  EXPECT_EQ(printed(g, kNP, 0, false), "NP DT N'");
  EXPECT_EQ(g.data[kV].first_daughter.size(), 1u);
}

TEST(GrammarReaderTest, FirstDaughterListsDescend) {
  RunConfig config;
  Grammar g = grammar_from("1 B A C\n1 A A\n1 C A B\n1 B A\n1 A B\n", config);
  const int kA = 0, kB = 1, kC = 2;
  std::vector<std::pair<int, int>> list;
  for (RuleRef ref : g.data[kA].first_daughter) list.emplace_back(ref.mother, ref.rule);
  EXPECT_EQ(list, (std::vector<std::pair<int, int>>{{kC, 0}, {kB, 1}, {kB, 0}, {kA, 0}}));
  EXPECT_EQ(g.data[kB].first_daughter.size(), 1u);
  EXPECT_TRUE(g.data[kC].first_daughter.empty());
}

TEST(GrammarReaderTest, RepeatedRulesAndNegativeFrequencies) {
  RunConfig config;
  Grammar g = grammar_from("5 A B'\n-1 A C\n3 A B'\n", config);
  EXPECT_EQ(names(g), (std::vector<std::string>{"A", "B"}));  // C only in a dropped rule
  ASSERT_EQ(g.data[0].rules.size(), 2u);
  EXPECT_EQ(g.rule(0, 0).number, 0);
  EXPECT_EQ(g.rule(0, 1).number, 1);
  EXPECT_EQ(g.rule(0, 1).freq, 3.0);
}

TEST(GrammarReaderTest, ShaveDropsRulesBeforeTheirSymbolsAreLookedUp) {
  RunConfig config;
  config.shave = 2;
  Grammar g = grammar_from("1.5 S X Y'\n2 S NP\n1.9 Z' W W' W'\n", config);
  EXPECT_EQ(names(g), (std::vector<std::string>{"NP", "S"}));
  ASSERT_EQ(g.data[1].rules.size(), 1u);
  EXPECT_EQ(g.rule(1, 0).number, 0);
}

TEST(GrammarReaderTest, SymbolicRules) {
  RunConfig config;
  config.symbolic = true;
  config.shave = 5;  // no frequencies to shave
  Grammar g = grammar_from("S NP VP'\n12 NP\n", config);
  EXPECT_EQ(names(g), (std::vector<std::string>{"12", "NP", "S", "VP"}));
  EXPECT_EQ(g.rule(2, 0).freq, 1.0);
  EXPECT_EQ(g.rule(0, 0).daughters, (std::vector<int>{1}));
}

TEST(GrammarReaderTest, LineOfSeveralThousandBytes) {
  RunConfig config;
  std::string line = "7";
  std::vector<std::string> daughters;
  for (int i = 0; i < 99; ++i) {
    daughters.push_back("D" + std::string(60, 'a' + i % 26) + std::to_string(i));
    line += std::string(i % 7 + 1, i % 2 ? ' ' : '\t');
    if (i == 0) line += "M ";
    line += daughters.back() + (i == 98 ? "'" : "");
  }
  ASSERT_GT(line.size(), 6000u);
  Grammar g = grammar_from("1 X Y\n" + line + "\n", config);
  int mother = g.symbols.find("M");
  ASSERT_GE(mother, 0);
  const Rule& rule = g.rule(mother, 0);
  ASSERT_EQ(rule.daughters.size(), 99u);
  for (int i = 0; i < 99; ++i) EXPECT_EQ(g.name(rule.daughters[i]), daughters[i]);
  EXPECT_EQ(rule.head, 98);
  EXPECT_EQ(rule.freq, 7.0);
}

TEST(GrammarReaderTest, PrintedRulesReadBackAlike) {
  RunConfig config;
  Grammar g = grammar_from("0.25 S NP VP'\n3 NP \xC4rger'\n1 S S' S\n2 VP V' NP PP\n1 PP P' NP\n",
                           config);
  std::string text = listing(g);
  Grammar again = grammar_from(text, config);
  EXPECT_EQ(names(again), names(g));
  EXPECT_EQ(listing(again), text);
}

std::string daughters_line(int count) {
  std::string line = "1 S";
  for (int i = 0; i < count; ++i) line += " X";
  return line + "\n";
}

TEST(GrammarReaderTest, DaughterLimit) {
  RunConfig config;
  Grammar g = grammar_from(daughters_line(99), config);
  EXPECT_EQ(g.rule(0, 0).daughters.size(), 99u);
  EXPECT_EQ(fatal_text([&] { grammar_from(daughters_line(100), config); }),
            "\nERROR: Grammar rule with too many daughter nodes: 1\naborted.\n");
}

// Messages the cases under tests/cases/grammar do not show.
TEST(GrammarReaderTest, Errors) {
  struct Row {
    const char* text;
    bool lexicalise;
    bool symbolic;
    const char* error;
  };
  const Row rows[] = {
      {"\n  \n\t\xA0\n", false, false, "Grammar is empty!"},
      {"-3 S NP\n", false, false, "Grammar is empty!"},
      {"1 S A\n2.5 S\n", false, false, "Rules are not allowed to generate the empty string!: 2.5"},
      {"1 S A\n4\n", false, false, "Rules are not allowed to generate the empty string!: 4"},
      {"1 NP DT N'\n1 NP DT N\n", true, false, "Missing head in grammar rule: 1"},
  };
  for (const Row& row : rows) {
    RunConfig config;
    config.lexicalise = row.lexicalise;
    config.symbolic = row.symbolic;
    EXPECT_EQ(fatal_text([&] { grammar_from(row.text, config); }),
              std::string("\nERROR: ") + row.error + "\naborted.\n")
        << row.text;
  }
}

TEST(GrammarReaderTest, HeadlessRuleKeptWithoutLexicalisation) {
  RunConfig config;
  Grammar g = grammar_from("1 NP DT N\n", config);
  EXPECT_EQ(g.rule(2, 0).head, -1);
}

TEST(GrammarReaderTest, SymbolLimits) {
  RunConfig config;
  std::string text;
  for (int i = 0; i < 32766; ++i) text += "1 S X" + std::to_string(i) + "\n";
  Grammar g = grammar_from(text, config);  // 32767 symbols, 32766 rules of S
  EXPECT_EQ(g.symbol_count(), 32767);
  EXPECT_EQ(fatal_text([&] { grammar_from(text + "1 S Y\n", config); }),
            "\nERROR: Grammar has more than 32767 symbols!\naborted.\n");
  std::string same;
  for (int i = 0; i < 32768; ++i) same += "1 S X\n";
  EXPECT_EQ(fatal_text([&] { grammar_from(same, config); }),
            "\nERROR: Too many rules for one mother: S\naborted.\n");
}

TEST(RuleLineTest, ReadAndFind) {
  RunConfig config;
  Grammar g = grammar_from("100 S NP VP'\n60 NP DT N'\n40 NP N'\n7 NP N\n100 VP V'\n", config);
  FILE* in = stream_of("\n3.5 NP N'\n  \n2 NP N\n1 S NP VP'\n");
  RuleRef ref{-1, -1};
  double freq = 0;
  ASSERT_TRUE(find_rule(in, g, config, ref, freq));
  EXPECT_EQ(ref.mother, 2);
  EXPECT_EQ(ref.rule, 1);
  EXPECT_EQ(freq, 3.5);
  ASSERT_TRUE(find_rule(in, g, config, ref, freq));
  EXPECT_EQ(ref.rule, 2);
  RuleLine line;
  ASSERT_TRUE(read_rule_line(in, g, config, line));
  EXPECT_EQ(line.mother, 3);
  EXPECT_EQ(line.daughters, (std::vector<int>{2, 5}));
  EXPECT_EQ(line.head_position, 2);
  EXPECT_FALSE(find_rule(in, g, config, ref, freq));
  std::fclose(in);

  for (const char* text : {"1 NP DT N\n", "1 NP N' DT\n", "1 VP N'\n"}) {
    FILE* other = stream_of(text);
    EXPECT_EQ(fatal_text([&] { find_rule(other, g, config, ref, freq); }),
              "\nERROR: unknown grammar rule in file!\naborted.\n");
    std::fclose(other);
  }
  FILE* unknown = stream_of("1 NP ZZ'\n");
  EXPECT_EQ(fatal_text([&] { read_rule_line(unknown, g, config, line); }),
            "\nERROR: Unknown grammar symbol: ZZ\naborted.\n");
  std::fclose(unknown);
}

}  // namespace
}  // namespace velmo
