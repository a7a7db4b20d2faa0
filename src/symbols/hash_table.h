// HashTable: a chained hash table over opaque item pointers, with golden-ratio multiplicative
// hashing (the top bits of hash * 0x9E3779B9 pick the bucket). It starts with 4096 buckets and
// grows by 8 when it holds more than 4 items per bucket; an optional purge predicate may drop
// items before it grows. The table never owns its items unless destroyed with `free_items`.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "base/run_config.h"

namespace velmo {

class HashTable {
 public:
  using HashFn = uint32_t (*)(const void* item_or_key);
  using EqualFn = bool (*)(const void* item, const void* key);
  using PurgeFn = bool (*)(void* item);  // true: the item may go (the predicate releases it)

  // `config` decides whether the uneven-distribution warning is printed.
  HashTable(HashFn hash, EqualFn equal, PurgeFn purge, const RunConfig& config);
  ~HashTable();
  HashTable(const HashTable&) = delete;
  HashTable& operator=(const HashTable&) = delete;

  void* find(const void* key) const;
  // Inserts unless an equal item is present; returns true if one was (nothing inserted).
  bool insert(void* item);
  // Frees the items with free() (they must come from malloc/strdup).
  void free_items();

  template <class F>
  void for_each(F&& f) const {
    for (Node* head : buckets_)
      for (Node* n = head; n; n = n->next) f(n->item);
  }

  int size() const { return count_; }
  int bucket_count() const { return static_cast<int>(buckets_.size()); }
  int shift() const { return shift_; }

 private:
  struct Node {
    void* item;
    Node* next;
  };
  uint32_t bucket_of(const void* key) const;
  void rehash();
  void purge();
  void warn_long_chain(long length);
  void warn_empty_buckets(long empty, long buckets);

  HashFn hash_;
  EqualFn equal_;
  PurgeFn purge_;
  const RunConfig& config_;
  int shift_ = 20;
  int count_ = 0;
  std::vector<Node*> buckets_;
  bool warned_ = false;
};

// The string hash: XOR of the 4-byte groups of the string, each group packed by shifting left
// by 8 and OR-ing in the next byte sign-extended to 32 bits.
uint32_t string_hash(const char* s);

}  // namespace velmo
