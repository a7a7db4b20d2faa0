#include "base/binary_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "base/test_support.h"

namespace velmo {
namespace {

const std::string kCorrupt = "\nERROR: Corrupt parameter file: f.bin\naborted.\n";
const std::string kShortRead = "\nERROR: while reading from input file!\naborted.\n";

std::string int32s(std::initializer_list<int32_t> values) {
  std::string bytes;
  for (int32_t v : values) bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
  return bytes;
}

// What reading `bytes` with `read` ends in: "(no error)" or the fatal error's text.
std::string outcome(const std::string& bytes, const std::function<void(BinaryReader&)>& read) {
  FILE* f = testing::stream_of(bytes);
  BinaryReader r(f, "f.bin");
  std::string text = testing::fatal_text([&] { read(r); });
  std::fclose(f);
  return text;
}

TEST(BinaryReaderTest, CountsIdsAndEndsAreChecked) {
  // A count is refused when negative or above its limit, and reported as the short read it
  // would become when the rest of the file cannot hold its records.
  EXPECT_EQ(outcome(int32s({-1}), [](BinaryReader& r) { r.count(4); }), kCorrupt);
  EXPECT_EQ(outcome(int32s({5}), [](BinaryReader& r) { r.count(4, 4); }), kCorrupt);
  EXPECT_EQ(outcome(int32s({3, 1, 2}), [](BinaryReader& r) { r.count(4); }), kShortRead);
  EXPECT_EQ(outcome(int32s({2, 1, 2}), [](BinaryReader& r) { r.count(4); }), "(no error)");
  // Ids from `low` to below the limit.
  EXPECT_EQ(outcome(int32s({-1}), [](BinaryReader& r) { r.id(3, -1); }), "(no error)");
  EXPECT_EQ(outcome(int32s({-2}), [](BinaryReader& r) { r.id(3, -1); }), kCorrupt);
  EXPECT_EQ(outcome(int32s({3}), [](BinaryReader& r) { r.id(3); }), kCorrupt);
  EXPECT_EQ(outcome(int32s({2}), [](BinaryReader& r) { r.flag(); }), kCorrupt);
  EXPECT_EQ(outcome(std::string("\x01\x00", 2), [](BinaryReader& r) { r.int32(); }), kShortRead);
  EXPECT_EQ(outcome(int32s({7}) + "x", [](BinaryReader& r) {
              r.int32();
              if (!r.at_end()) r.corrupt();
            }),
            kCorrupt);
}

}  // namespace
}  // namespace velmo
