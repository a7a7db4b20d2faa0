// BlockPool: the bump allocator of the chart. Memory comes in blocks of 65520 usable bytes,
// requests are aligned as their type asks (8 bytes for raw requests), and everything is
// released at once. The blocks are cut from slabs of 2 MB, aligned so that the system can back
// a slab with one huge page: a forest of hundreds of megabytes is walked in no particular
// order, and with 4 KB pages most of its record visits would also miss the address translation
// cache.
//
// Records of the pool refer to each other through PoolRef: 32 bits instead of a 64-bit pointer,
// the slab's number (13 bits) and the offset in 4-byte units within it (19 bits). Each slab
// starts with a header naming its number and the pool's slab table, so a reference held in a
// pool record finds its target from its own address: a PoolRef is valid only inside memory of
// the pool whose records it names, and cannot be copied out of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace velmo {

class BlockPool {
 public:
  static constexpr std::size_t kUsableBytes = 65520;

  BlockPool();
  ~BlockPool();
  BlockPool(const BlockPool&) = delete;
  BlockPool& operator=(const BlockPool&) = delete;

  // At most kUsableBytes per request; `align` is 4 or 8. Fatal "Not enough memory" when malloc
  // fails or the pool has all the slabs its references can name (16 GB).
  void* allocate(std::size_t size, std::size_t align = 8) {
    const std::size_t start = (offset_ + align - 1) & ~(align - 1);
    if (start + size > kUsableBytes) return allocate_in_new_block(size);
    offset_ = start + size;
    return current_ + start;
  }
  // A value-initialised T from the pool; T must be trivially destructible.
  template <class T>
  T* make() {
    static_assert(alignof(T) == 4 || alignof(T) == 8);
    return new (allocate(sizeof(T), alignof(T))) T();
  }
  // Releases every block; the next request opens a new one. Released blocks are kept for
  // reuse, since the chart releases its pool for every sentence.
  void release_all();

  // Blocks holding allocations since the last release.
  std::size_t block_count() const { return blocks_.size(); }

  // The 32-bit reference of a non-null address inside a slab; 0 stands for null.
  static uint32_t reference(const void* target) {
    const auto address = reinterpret_cast<std::uintptr_t>(target);
    return header_of(address).number << kOffsetBits |
           static_cast<uint32_t>((address & (kSlabBytes - 1)) >> 2);
  }
  // The address named by a non-zero reference, for references kept outside the pool.
  void* address(uint32_t reference) const { return in_slab(slabs_.get(), reference); }
  // The address named by a non-zero reference held at `holder`, an address of the same pool.
  static void* address(const void* holder, uint32_t reference) {
    return in_slab(header_of(reinterpret_cast<std::uintptr_t>(holder)).table, reference);
  }

 private:
  static constexpr std::size_t kSlabBytes = std::size_t{1} << 21;
  static constexpr unsigned kOffsetBits = 19;  // 2 MB in 4-byte units
  static constexpr std::size_t kMaxSlabs = std::size_t{1} << (32 - kOffsetBits);

  struct SlabHeader {
    char* const* table;  // the pool's slabs by number
    uint32_t number;
  };
  static const SlabHeader& header_of(std::uintptr_t address) {
    return *reinterpret_cast<const SlabHeader*>(address & ~(kSlabBytes - 1));
  }
  static void* in_slab(char* const* table, uint32_t reference) {
    return table[reference >> kOffsetBits] +
           std::size_t{reference & ((1u << kOffsetBits) - 1)} * 4;
  }
  char* new_block();
  void* allocate_in_new_block(std::size_t size);

  std::unique_ptr<char*[]> slabs_;  // owned, kMaxSlabs entries, slab_count_ of them used
  std::size_t slab_count_ = 0;
  std::size_t slab_used_ = 0;  // blocks of the last slab handed out
  std::vector<char*> blocks_;
  std::vector<char*> spare_;
  char* current_ = nullptr;  // the last of blocks_
  std::size_t offset_ = kUsableBytes;
};

// A reference to a T of the pool, held inside a record of the same pool (see above); it reads
// and assigns like a pointer. Copying one out would separate it from its pool, so only
// assignment between references is allowed.
template <class T>
class PoolRef {
 public:
  PoolRef() = default;
  PoolRef(const PoolRef&) = delete;
  PoolRef& operator=(const PoolRef& other) {
    bits_ = other.bits_;
    return *this;
  }
  PoolRef& operator=(T* target) {
    bits_ = target ? BlockPool::reference(target) : 0;
    return *this;
  }
  PoolRef& operator=(std::nullptr_t) {
    bits_ = 0;
    return *this;
  }
  operator T*() const {
    return bits_ ? static_cast<T*>(BlockPool::address(this, bits_)) : nullptr;
  }
  T* operator->() const { return *this; }
  explicit operator bool() const { return bits_ != 0; }
  // The reference itself, for a copy kept outside the pool (see BlockPool::address).
  uint32_t bits() const { return bits_; }
  void set_bits(uint32_t bits) { bits_ = bits; }

 private:
  uint32_t bits_ = 0;
};

}  // namespace velmo
