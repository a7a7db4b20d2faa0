#include "symbols/word_forms.h"

#include <gtest/gtest.h>

namespace velmo {
namespace {

TEST(WordFormsTest, LowerCaseVariant) {
  struct Row {
    const char* word;
    const char* variant;  // null: none
  };
  const Row rows[] = {
      {"Foo", "foo"},           {"\xDC" "ber-all", "\xFC" "ber-all"},
      {"USA", nullptr},         {"Foo1", nullptr},
      {"foo", nullptr},         {"", nullptr},
      {"A", "a"},               {"\xDE" "x", nullptr},  // 0xDE is no capital here
      {"\xC0\xFD", "\xE0\xFD"}, {"Ab\xFE", nullptr},
      {"Haus", "haus"},         {"Haus2", nullptr},
  };
  for (const Row& row : rows) {
    std::string variant;
    bool found = lower_case_variant(row.word, variant);
    EXPECT_EQ(found, row.variant != nullptr) << row.word;
    if (found && row.variant) {
      EXPECT_EQ(variant, row.variant) << row.word;
    }
  }
}

TEST(WordFormsTest, VariantKeepsAtMost999Bytes) {
  std::string word = "A" + std::string(1500, 'b');
  std::string variant;
  ASSERT_TRUE(lower_case_variant(word, variant));
  EXPECT_EQ(variant, "a" + std::string(998, 'b'));
}

}  // namespace
}  // namespace velmo
