#include "symbols/hash_table.h"

#include <cstdlib>
#include <new>

#include "base/diagnostics.h"

namespace velmo {

namespace {

constexpr uint32_t kGoldenRatio = 0x9E3779B9u;
constexpr int kInitialShift = 20;
constexpr int kLoadFactor = 4;   // items per bucket before the table grows
constexpr int kGrowthShift = 3;  // the table grows by 2^3
constexpr long kLongChain = 100;

template <class NodePtr>
std::vector<NodePtr> make_buckets(std::size_t count) {
  try {
    return std::vector<NodePtr>(count, nullptr);
  } catch (const std::bad_alloc&) {
    fatal_error("Not enough memory");
  }
}

}  // namespace

HashTable::HashTable(HashFn hash, EqualFn equal, PurgeFn purge, const RunConfig& config)
    : hash_(hash),
      equal_(equal),
      purge_(purge),
      config_(config),
      shift_(kInitialShift),
      buckets_(make_buckets<Node*>(std::size_t{1} << (32 - kInitialShift))) {}

HashTable::~HashTable() {
  for (Node* head : buckets_) {
    while (head) {
      Node* next = head->next;
      delete head;
      head = next;
    }
  }
}

uint32_t HashTable::bucket_of(const void* key) const {
  uint32_t product = hash_(key) * kGoldenRatio;
  return product >> shift_;
}

void* HashTable::find(const void* key) const {
  for (Node* n = buckets_[bucket_of(key)]; n; n = n->next)
    if (equal_(n->item, key)) return n->item;
  return nullptr;
}

bool HashTable::insert(void* item) {
  Node*& head = buckets_[bucket_of(item)];
  for (Node* n = head; n; n = n->next)
    if (equal_(n->item, item)) return true;
  head = new Node{item, head};
  ++count_;
  if (count_ > kLoadFactor * static_cast<long>(buckets_.size())) rehash();
  return false;
}

void HashTable::free_items() {
  for (Node* head : buckets_)
    for (Node* n = head; n; n = n->next) {
      std::free(n->item);
      n->item = nullptr;
    }
}

void HashTable::purge() {
  for (Node*& head : buckets_) {
    Node** link = &head;
    while (*link) {
      Node* n = *link;
      if (purge_(n->item)) {
        *link = n->next;
        delete n;
        --count_;
      } else {
        link = &n->next;
      }
    }
  }
}

void HashTable::rehash() {
  if (purge_) {
    purge();
    if (static_cast<long>(buckets_.size()) > count_) return;
  }
  if (count_ <= kLoadFactor * static_cast<long>(buckets_.size())) return;
  if (shift_ - kGrowthShift < 0) fatal_error("not enough memory");
  shift_ -= kGrowthShift;
  std::vector<Node*> old = std::move(buckets_);
  buckets_ = make_buckets<Node*>(old.size() << kGrowthShift);
  long empty = 0;
  for (Node* n : old) {
    long length = 0;
    while (n) {
      Node* next = n->next;
      Node*& head = buckets_[bucket_of(n->item)];
      n->next = head;
      head = n;
      n = next;
      ++length;
    }
    if (length == 0) ++empty;
    if (length > kLongChain) warn_long_chain(length);
  }
  if (empty > static_cast<long>(old.size()) / 3) warn_empty_buckets(empty, old.size());
}

// One of the two uneven-distribution warnings is printed at most once per table.
void HashTable::warn_long_chain(long length) {
  if (config_.quiet || warned_) return;
  warned_ = true;
  warning(config_, "uneven distribution in hash table (might slow down velmo)");
  std::fprintf(stderr, "%ld items in 1 bucket\n", length);
}

void HashTable::warn_empty_buckets(long empty, long buckets) {
  if (config_.quiet || warned_) return;
  warned_ = true;
  warning(config_, "uneven distribution in hash table (might slow down the program)");
  std::fprintf(stderr, "%ld of %ld buckets are empty\n", empty, buckets);
}

uint32_t string_hash(const char* s) {
  uint32_t hash = 0;
  while (*s) {
    uint32_t group = 0;
    for (int i = 0; i < 4 && *s; ++i, ++s)
      group = (group << 8) | static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*s)));
    hash ^= group;
  }
  return hash;
}

}  // namespace velmo
