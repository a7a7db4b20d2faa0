#include "symbols/lemma_table.h"

#include <gtest/gtest.h>

namespace velmo {
namespace {

TEST(LemmaTableTest, InternFreezeAndIndex) {
  RunConfig config;
  LemmaTable lemmas;
  for (const char* s : {"haus", "Haus", "\xE4rger", "haus", "", "baum"}) lemmas.intern(s, config);
  lemmas.freeze();
  ASSERT_EQ(lemmas.size(), 5);
  EXPECT_EQ(lemmas.name(0), "");
  EXPECT_EQ(lemmas.name(1), "Haus");
  EXPECT_EQ(lemmas.name(2), "baum");
  EXPECT_EQ(lemmas.name(3), "haus");
  EXPECT_EQ(lemmas.name(4), "\xE4rger");
  for (int id = 0; id < lemmas.size(); ++id) EXPECT_EQ(lemmas.index(lemmas.name(id)), id);
  EXPECT_EQ(lemmas.index("hau"), -1);
  EXPECT_EQ(lemmas.index("zzz"), -1);
}

TEST(LemmaTableTest, ManyLemmasSurviveGrowth) {
  RunConfig config;
  LemmaTable lemmas;
  for (int i = 0; i < 20000; ++i) lemmas.intern("l" + std::to_string(i % 17000), config);
  lemmas.freeze();
  EXPECT_EQ(lemmas.size(), 17000);
  EXPECT_EQ(lemmas.index("l16999"), lemmas.index("l16999"));
  EXPECT_GE(lemmas.index("l16999"), 0);
  LemmaTable moved = std::move(lemmas);
  EXPECT_EQ(moved.name(moved.index("l0")), "l0");
}

TEST(LemmaTableTest, AssignReplaces) {
  LemmaTable lemmas;
  lemmas.assign({"a", "b"});
  EXPECT_EQ(lemmas.index("b"), 1);
  EXPECT_EQ(lemmas.size(), 2);
}

}  // namespace
}  // namespace velmo
