#include "symbols/symbol_table.h"

#include <gtest/gtest.h>

#include "driver/test_support.h"

namespace velmo {
namespace {

using testing::fatal_text;

TEST(SymbolTableTest, IdsFollowByteOrderWithoutDuplicates) {
  SymbolTable table;
  table.assign({"np", "NP", "\xC4X", "Np", "NP", "A"});
  ASSERT_EQ(table.size(), 5);
  EXPECT_EQ(table.name(0), "A");
  EXPECT_EQ(table.name(1), "NP");
  EXPECT_EQ(table.name(2), "Np");
  EXPECT_EQ(table.name(3), "np");
  EXPECT_EQ(table.name(4), "\xC4X");  // bytes from 0x80 sort after ASCII
  for (int id = 0; id < table.size(); ++id) EXPECT_EQ(table.find(table.name(id)), id);
  EXPECT_EQ(table.find("B"), -1);
  EXPECT_EQ(table.find(""), -1);
}

TEST(SymbolTableTest, LookupStripsHeadMark) {
  SymbolTable table;
  table.assign({"NP", "", "VP"});
  RunConfig config;
  bool marked = false;
  EXPECT_EQ(table.lookup("NP'", LookupMode::kFatal, config, &marked), 1);
  EXPECT_TRUE(marked);
  EXPECT_EQ(table.lookup("NP", LookupMode::kFatal, config, &marked), 1);
  EXPECT_FALSE(marked);
  EXPECT_EQ(table.lookup("'", LookupMode::kFatal, config, &marked), 0);  // the empty name
  EXPECT_TRUE(marked);
}

TEST(SymbolTableTest, UnknownNameByMode) {
  SymbolTable table;
  table.assign({"NP"});
  RunConfig config;
  EXPECT_EQ(fatal_text([&] { table.lookup("XP'", LookupMode::kFatal, config); }),
            "\nERROR: Unknown grammar symbol: XP\naborted.\n");

  ::testing::internal::CaptureStderr();
  EXPECT_EQ(table.lookup("XP", LookupMode::kWarn, config), -1);
  EXPECT_EQ(table.lookup("YP", LookupMode::kSilent, config), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "WARNING: Unknown grammar symbol: XP\n");

  config.quiet = true;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(table.lookup("XP", LookupMode::kWarn, config), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(SymbolTableTest, ReadSymbolWarnsOnHeadMark) {
  SymbolTable table;
  table.assign({"NP", "VP"});
  RunConfig config;
  char text[] = "VP  NP'\n\tZZ";
  FILE* in = fmemopen(text, sizeof text - 1, "r");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(table.read_symbol(in, LookupMode::kFatal, config), 1);
  EXPECT_EQ(table.read_symbol(in, LookupMode::kFatal, config), 0);
  EXPECT_EQ(table.read_symbol(in, LookupMode::kSilent, config), -1);
  EXPECT_EQ(table.read_symbol(in, LookupMode::kFatal, config), -1);  // end of input
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "WARNING: unexpected head marking: NP\n");
  fclose(in);
}

}  // namespace
}  // namespace velmo
