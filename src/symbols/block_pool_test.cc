#include "symbols/block_pool.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace velmo {
namespace {

TEST(BlockPoolTest, RoundsToEightAndFillsBlocks) {
  BlockPool pool;
  EXPECT_EQ(pool.block_count(), 0u);
  char* a = static_cast<char*>(pool.allocate(1));
  char* b = static_cast<char*>(pool.allocate(9));
  char* c = static_cast<char*>(pool.allocate(8));
  EXPECT_EQ(b - a, 8);
  EXPECT_EQ(c - b, 16);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a) % 8, 0u);
  EXPECT_EQ(pool.block_count(), 1u);
}

TEST(BlockPoolTest, FullBlockThenOneMoreByte) {
  BlockPool pool;
  char* whole = static_cast<char*>(pool.allocate(BlockPool::kUsableBytes));
  whole[BlockPool::kUsableBytes - 1] = 'x';
  EXPECT_EQ(pool.block_count(), 1u);
  pool.allocate(1);
  EXPECT_EQ(pool.block_count(), 2u);
  pool.allocate(BlockPool::kUsableBytes - 8);  // exactly what is left
  EXPECT_EQ(pool.block_count(), 2u);
}

TEST(BlockPoolTest, ReleaseAllStartsAFreshBlock) {
  BlockPool pool;
  for (int i = 0; i < 3; ++i) pool.allocate(40000);
  EXPECT_EQ(pool.block_count(), 3u);
  pool.release_all();
  EXPECT_EQ(pool.block_count(), 0u);
  pool.allocate(8);
  EXPECT_EQ(pool.block_count(), 1u);
  struct Pair {
    int a, b;
  };
  Pair* p = pool.make<Pair>();
  EXPECT_EQ(p->a, 0);
  EXPECT_EQ(p->b, 0);
}

}  // namespace
}  // namespace velmo
