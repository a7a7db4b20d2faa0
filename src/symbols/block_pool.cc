#include "symbols/block_pool.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "base/diagnostics.h"

namespace velmo {

namespace {

constexpr std::size_t kBlockBytes = 65536;  // a block's slot in its slab
// Every block starts this far into its slot: the slab header takes the start of the first.
constexpr std::size_t kBlockStart = kBlockBytes - BlockPool::kUsableBytes;

}  // namespace

BlockPool::BlockPool() : slabs_(new char*[kMaxSlabs]) {
  static_assert(sizeof(SlabHeader) <= kBlockStart && kSlabBytes % kBlockBytes == 0);
}

BlockPool::~BlockPool() {
  for (std::size_t s = 0; s < slab_count_; ++s) std::free(slabs_[s]);
}

char* BlockPool::new_block() {
  if (!spare_.empty()) {
    char* block = spare_.back();
    spare_.pop_back();
    return block;
  }
  if (slab_count_ == 0 || slab_used_ == kSlabBytes / kBlockBytes) {
    if (slab_count_ == kMaxSlabs) fatal_error("Not enough memory");
    char* slab = static_cast<char*>(std::aligned_alloc(kSlabBytes, kSlabBytes));
    if (!slab) fatal_error("Not enough memory");
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    madvise(slab, kSlabBytes, MADV_HUGEPAGE);  // a hint; without it the slab has small pages
#endif
    new (slab) SlabHeader{slabs_.get(), static_cast<uint32_t>(slab_count_)};
    slabs_[slab_count_++] = slab;
    slab_used_ = 0;
  }
  return slabs_[slab_count_ - 1] + kBlockBytes * slab_used_++ + kBlockStart;
}

void* BlockPool::allocate_in_new_block(std::size_t size) {
  if (size > kUsableBytes) fatal_error("Not enough memory");
  current_ = new_block();
  blocks_.push_back(current_);
  offset_ = size;
  return current_;
}

void BlockPool::release_all() {
  spare_.insert(spare_.end(), blocks_.begin(), blocks_.end());
  blocks_.clear();
  offset_ = kUsableBytes;
}

}  // namespace velmo
