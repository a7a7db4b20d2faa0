// LemmaTable: lemma strings interned while the lexicon is read (with -stems), then frozen into
// an array sorted in byte order; a lemma id is the index in that array.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_config.h"
#include "symbols/hash_table.h"

namespace velmo {

class LemmaTable {
 public:
  LemmaTable();
  ~LemmaTable();
  LemmaTable(LemmaTable&&) noexcept;
  LemmaTable& operator=(LemmaTable&&) noexcept;

  void intern(std::string_view lemma, const RunConfig& config);
  // Builds the sorted array; no interning afterwards.
  void freeze();
  // Replaces the table by a sorted list read from a parameter file.
  void assign(std::vector<std::string> sorted_lemmas);

  int index(std::string_view lemma) const;  // -1 if absent
  const std::string& name(int id) const { return lemmas_[id]; }
  int size() const { return static_cast<int>(lemmas_.size()); }

 private:
  std::unique_ptr<HashTable> interned_;
  std::vector<std::string> lemmas_;
};

}  // namespace velmo
