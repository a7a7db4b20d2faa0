#include "symbols/lemma_table.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "symbols/symbol_table.h"

namespace velmo {

namespace {

uint32_t hash_lemma(const void* s) { return string_hash(static_cast<const char*>(s)); }

bool same_lemma(const void* item, const void* key) {
  return std::strcmp(static_cast<const char*>(item), static_cast<const char*>(key)) == 0;
}

}  // namespace

LemmaTable::LemmaTable() = default;
LemmaTable::LemmaTable(LemmaTable&&) noexcept = default;

LemmaTable& LemmaTable::operator=(LemmaTable&& other) noexcept {
  if (this == &other) return *this;
  if (interned_) interned_->free_items();
  interned_ = std::move(other.interned_);
  lemmas_ = std::move(other.lemmas_);
  return *this;
}

LemmaTable::~LemmaTable() {
  if (interned_) interned_->free_items();
}

void LemmaTable::intern(std::string_view lemma, const RunConfig& config) {
  if (!interned_) interned_ = std::make_unique<HashTable>(hash_lemma, same_lemma, nullptr, config);
  std::string key(lemma);
  if (interned_->find(key.c_str())) return;
  interned_->insert(strdup(key.c_str()));
}

void LemmaTable::freeze() {
  if (interned_) {
    lemmas_.reserve(lemmas_.size() + interned_->size());
    interned_->for_each([this](const void* s) { lemmas_.emplace_back(static_cast<const char*>(s)); });
    interned_->free_items();
    interned_.reset();
  }
  std::sort(lemmas_.begin(), lemmas_.end());
}

void LemmaTable::assign(std::vector<std::string> sorted_lemmas) {
  if (interned_) interned_->free_items();
  interned_.reset();
  lemmas_ = std::move(sorted_lemmas);
}

int LemmaTable::index(std::string_view lemma) const { return sorted_index(lemmas_, lemma); }

}  // namespace velmo
