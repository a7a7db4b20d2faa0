#include "symbols/hash_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace velmo {
namespace {

// Items are pointers to uint32_t keys owned by the test.
uint32_t hash_value(const void* p) { return *static_cast<const uint32_t*>(p); }
bool same_value(const void* a, const void* b) {
  return *static_cast<const uint32_t*>(a) == *static_cast<const uint32_t*>(b);
}
uint32_t constant_hash(const void*) { return 7; }
bool is_even(void* p) { return *static_cast<uint32_t*>(p) % 2 == 0; }

// The multiplicative inverse of the golden-ratio multiplier modulo 2^32, so that a test can
// choose the bucket an item lands in.
uint32_t inverse_golden() {
  uint32_t a = 0x9E3779B9u, x = a;
  for (int i = 0; i < 5; ++i) x *= 2 - a * x;
  return x;
}

TEST(StringHashTest, GroupsOfFourBytesSignExtended) {
  EXPECT_EQ(string_hash(""), 0u);
  EXPECT_EQ(string_hash("a"), 0x61u);
  EXPECT_EQ(string_hash("abcd"), 0x61626364u);
  EXPECT_EQ(string_hash("abcde"), 0x61626364u ^ 0x65u);
  EXPECT_EQ(string_hash("\xE4"), 0xFFFFFFE4u);
  EXPECT_EQ(string_hash("a\xE4"), (0x61u << 8) | 0xFFFFFFE4u);
  EXPECT_EQ(string_hash("\xE4" "a"), (0xFFFFFFE4u << 8) | 0x61u);
}

TEST(HashTableTest, FindInsertAndDuplicates) {
  RunConfig config;
  HashTable table(hash_value, same_value, nullptr, config);
  std::vector<uint32_t> keys = {1, 2, 3, 4096, 1u << 31};
  for (uint32_t& k : keys) EXPECT_FALSE(table.insert(&k));
  uint32_t again = 3;
  EXPECT_TRUE(table.insert(&again));
  EXPECT_EQ(table.size(), 5);
  for (uint32_t& k : keys) EXPECT_EQ(table.find(&k), &k);
  uint32_t absent = 5;
  EXPECT_EQ(table.find(&absent), nullptr);
}

TEST(HashTableTest, GrowsByEightAfterFourItemsPerBucket) {
  RunConfig config;
  HashTable table(hash_value, same_value, nullptr, config);
  EXPECT_EQ(table.bucket_count(), 4096);
  EXPECT_EQ(table.shift(), 20);
  std::vector<uint32_t> keys(16385);
  for (uint32_t i = 0; i < keys.size(); ++i) keys[i] = i;
  for (int i = 0; i < 16384; ++i) table.insert(&keys[i]);
  EXPECT_EQ(table.bucket_count(), 4096);
  table.insert(&keys[16384]);
  EXPECT_EQ(table.bucket_count(), 32768);
  EXPECT_EQ(table.shift(), 17);
  for (uint32_t& k : keys) ASSERT_EQ(table.find(&k), &k);
  int visited = 0;
  table.for_each([&](void*) { ++visited; });
  EXPECT_EQ(visited, 16385);
}

TEST(HashTableTest, PurgeBeforeGrowth) {
  RunConfig config;
  HashTable table(hash_value, same_value, is_even, config);
  std::vector<uint32_t> keys(16385);
  for (uint32_t i = 0; i < keys.size(); ++i) keys[i] = i;
  for (uint32_t& k : keys) table.insert(&k);
  // The purge removes the 8193 even keys; 8192 left need no growth.
  EXPECT_EQ(table.size(), 8192);
  EXPECT_EQ(table.bucket_count(), 4096);
  EXPECT_EQ(table.find(&keys[2]), nullptr);
  EXPECT_EQ(table.find(&keys[3]), &keys[3]);
}

TEST(HashTableTest, LongChainWarnsOnce) {
  RunConfig config;
  HashTable table(constant_hash, same_value, nullptr, config);
  std::vector<uint32_t> keys(16385);
  for (uint32_t i = 0; i < keys.size(); ++i) keys[i] = i;
  ::testing::internal::CaptureStderr();
  for (uint32_t& k : keys) table.insert(&k);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "WARNING: uneven distribution in hash table (might slow down velmo)!\n"
            "16385 items in 1 bucket\n");
  EXPECT_EQ(table.bucket_count(), 32768);
}

TEST(HashTableTest, EmptyBucketsWarn) {
  RunConfig config;
  HashTable table(hash_value, same_value, nullptr, config);
  // 16 items in each of the first 1024 buckets, plus one.
  const uint32_t inverse = inverse_golden();
  std::vector<uint32_t> keys;
  for (uint32_t bucket = 0; bucket < 1024; ++bucket)
    for (uint32_t j = 0; j < 16; ++j) keys.push_back(((bucket << 20) | j) * inverse);
  keys.push_back(16u * inverse);
  ::testing::internal::CaptureStderr();
  for (uint32_t& k : keys) table.insert(&k);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "WARNING: uneven distribution in hash table (might slow down the program)!\n"
            "3072 of 4096 buckets are empty\n");
}

TEST(HashTableTest, QuietSilencesWarning) {
  RunConfig config;
  config.quiet = true;
  HashTable table(constant_hash, same_value, nullptr, config);
  std::vector<uint32_t> keys(16385);
  for (uint32_t i = 0; i < keys.size(); ++i) keys[i] = i;
  ::testing::internal::CaptureStderr();
  for (uint32_t& k : keys) table.insert(&k);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace velmo
