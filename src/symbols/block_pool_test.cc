#include "symbols/block_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace velmo {
namespace {

// A record like the chart's links: 12 bytes, 4-byte aligned, refs to its own kind.
struct Cell {
  PoolRef<Cell> next;
  int32_t value = 0;
  int32_t spare = 0;
};

struct Wide {
  PoolRef<Cell> cell;
  double weight = 0;
};

// A chain of cells over many slabs, each pointing to the one made before it, walked back from
// the last: every reference crosses from one record to another, often from slab to slab.
std::vector<Cell*> make_chain(BlockPool& pool, int count) {
  std::vector<Cell*> cells;
  for (int i = 0; i < count; ++i) {
    Cell* cell = pool.make<Cell>();
    cell->value = i;
    cell->next = cells.empty() ? nullptr : cells.back();
    cells.push_back(cell);
  }
  return cells;
}

TEST(BlockPool, ReferencesLeadToTheirRecordsAcrossSlabsAndAfterRelease) {
  static_assert(sizeof(Cell) == 12 && alignof(Cell) == 4);
  BlockPool pool;
  for (int round = 0; round < 2; ++round) {  // the second round reuses the released blocks
    const int count = 600000;                // about 7 MB: four slabs
    std::vector<Cell*> cells = make_chain(pool, count);
    // 12-byte records are packed, not rounded up to 8 bytes.
    EXPECT_EQ(reinterpret_cast<char*>(cells[1]) - reinterpret_cast<char*>(cells[0]), 12);
    int expected = count - 1;
    for (Cell* cell = cells.back(); cell; cell = cell->next) {
      ASSERT_EQ(cell, cells[expected]);
      ASSERT_EQ(cell->value, expected);
      --expected;
    }
    EXPECT_EQ(expected, -1);  // the first cell's null reference ends the chain
    pool.release_all();
  }
}

TEST(BlockPool, RecordsKeepTheAlignmentOfTheirType) {
  BlockPool pool;
  Cell* cell = pool.make<Cell>();
  Wide* wide = pool.make<Wide>();  // after a 12-byte record: must skip to a multiple of 8
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(wide) % 8, 0u);
  wide->cell = cell;
  EXPECT_EQ(static_cast<Cell*>(wide->cell), cell);
  EXPECT_FALSE(pool.make<Wide>()->cell);  // a new record's reference is null
}

}  // namespace
}  // namespace velmo
