// BlockPool: the bump allocator of the chart. Memory comes in blocks of 65528 usable bytes,
// requests are rounded up to multiples of 8, and everything is released at once. The blocks
// are cut from slabs of 2 MB, aligned so that the system can back a slab with one huge page:
// a forest of hundreds of megabytes is walked in no particular order, and with 4 KB pages
// most of its record visits would also miss the address translation cache.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

namespace velmo {

class BlockPool {
 public:
  static constexpr std::size_t kUsableBytes = 65528;

  BlockPool() = default;
  ~BlockPool();
  BlockPool(const BlockPool&) = delete;
  BlockPool& operator=(const BlockPool&) = delete;

  // At most kUsableBytes per request. Fatal "Not enough memory" when malloc fails.
  void* allocate(std::size_t size);
  // A value-initialised T from the pool; T must be trivially destructible.
  template <class T>
  T* make() {
    return new (allocate(sizeof(T))) T();
  }
  // Releases every block; the next request opens a new one. Released blocks are kept for
  // reuse, since the chart releases its pool for every sentence.
  void release_all();

  // Blocks holding allocations since the last release.
  std::size_t block_count() const { return blocks_.size(); }

 private:
  char* new_block();

  std::vector<char*> slabs_;   // owned, 2 MB each
  std::size_t slab_used_ = 0;  // blocks of the last slab handed out
  std::vector<char*> blocks_;
  std::vector<char*> spare_;
  std::size_t offset_ = kUsableBytes;
};

}  // namespace velmo
