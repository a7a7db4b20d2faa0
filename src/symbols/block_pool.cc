#include "symbols/block_pool.h"

#include <cstdlib>

#include "driver/diagnostics.h"

namespace velmo {

namespace {

constexpr std::size_t kAlignment = 8;

std::size_t round_up(std::size_t size) { return (size + kAlignment - 1) / kAlignment * kAlignment; }

}  // namespace

BlockPool::~BlockPool() {
  for (char* block : blocks_) std::free(block);
  for (char* block : spare_) std::free(block);
}

char* BlockPool::new_block() {
  if (!spare_.empty()) {
    char* block = spare_.back();
    spare_.pop_back();
    return block;
  }
  char* block = static_cast<char*>(std::malloc(kUsableBytes));
  if (!block) fatal_error("Not enough memory");
  return block;
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
