// SymbolTable: grammar categories and part-of-speech tags share one table, sorted by name in
// byte order; a symbol's id is its index. A trailing apostrophe on a name in any model file is
// the head mark and never part of the name.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_config.h"

namespace velmo {

// What a lookup does with an unknown name.
enum class LookupMode {
  kFatal = 0,   // fatal "Unknown grammar symbol: <name>"
  kWarn = 1,    // warning with the same text, id -1
  kSilent = 2,  // id -1
};

// The index of `name` in an array sorted in byte order, or -1: a lower bound, then one
// comparison for equality.
int sorted_index(const std::vector<std::string>& sorted, std::string_view name);

// Removes a trailing apostrophe from `name`; true if there was one.
bool strip_head_mark(std::string_view& name);
// True for a name written with two trailing apostrophes: the frequency files write a symbol
// whose own name ends in an apostrophe so, and in the files where a head mark is an error
// (start symbols, lexicon) such a token is that symbol, not a marked one.
bool is_apostrophe_name(std::string_view token);

class SymbolTable {
 public:
  // Takes the names (any order, duplicates allowed); ids then follow byte order.
  void assign(std::vector<std::string> names);

  // The id of a name without head mark, or -1.
  int find(std::string_view name) const;
  // Strips a head mark (reported through `head_marked`), then looks the name up.
  int lookup(std::string_view name, LookupMode mode, const RunConfig& config,
             bool* head_marked = nullptr) const;
  // Reads the next blank-delimited token (at most 999 bytes, trailing blanks consumed) and
  // looks it up; a head mark only warns "unexpected head marking". -1 at end of input.
  int read_symbol(FILE* in, LookupMode mode, const RunConfig& config) const;

  const std::string& name(int id) const { return names_[id]; }
  int size() const { return static_cast<int>(names_.size()); }

 private:
  std::vector<std::string> names_;
};

}  // namespace velmo
