#include "symbols/block_pool.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "base/diagnostics.h"

namespace velmo {

namespace {

constexpr std::size_t kAlignment = 8;
constexpr std::size_t kBlockBytes = 65536;             // a block's slot in its slab
constexpr std::size_t kSlabBytes = 32 * kBlockBytes;   // 2 MB, one huge page

std::size_t round_up(std::size_t size) { return (size + kAlignment - 1) / kAlignment * kAlignment; }

}  // namespace

BlockPool::~BlockPool() {
  for (char* slab : slabs_) std::free(slab);
}

char* BlockPool::new_block() {
  if (!spare_.empty()) {
    char* block = spare_.back();
    spare_.pop_back();
    return block;
  }
  if (slabs_.empty() || slab_used_ == kSlabBytes / kBlockBytes) {
    char* slab = static_cast<char*>(std::aligned_alloc(kSlabBytes, kSlabBytes));
    if (!slab) fatal_error("Not enough memory");
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    madvise(slab, kSlabBytes, MADV_HUGEPAGE);  // a hint; without it the slab has small pages
#endif
    slabs_.push_back(slab);
    slab_used_ = 0;
  }
  return slabs_.back() + kBlockBytes * slab_used_++;
}

void* BlockPool::allocate(std::size_t size) {
  std::size_t rounded = round_up(size);
  if (rounded > kUsableBytes) fatal_error("Not enough memory");
  if (offset_ + rounded > kUsableBytes) {
    blocks_.push_back(new_block());
    offset_ = 0;
  }
  void* result = blocks_.back() + offset_;
  offset_ += rounded;
  return result;
}

void BlockPool::release_all() {
  spare_.insert(spare_.end(), blocks_.begin(), blocks_.end());
  blocks_.clear();
  offset_ = kUsableBytes;
}

}  // namespace velmo
