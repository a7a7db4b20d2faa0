// BlockPool: the bump allocator of the chart. Memory comes in blocks of 65528 usable bytes,
// requests are rounded up to multiples of 8, and everything is released at once.
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

  std::vector<char*> blocks_;
  std::vector<char*> spare_;
  std::size_t offset_ = kUsableBytes;
};

}  // namespace velmo
