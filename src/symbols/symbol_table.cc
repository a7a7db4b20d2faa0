#include "symbols/symbol_table.h"

#include <algorithm>

#include "base/diagnostics.h"

namespace velmo {

bool strip_head_mark(std::string_view& name) {
  if (name.empty() || name.back() != '\'') return false;
  name.remove_suffix(1);
  return true;
}

bool is_apostrophe_name(std::string_view token) {
  return token.size() >= 2 && token.substr(token.size() - 2) == "''";
}

// Sorting once and dropping duplicates gives the same ids as inserting every new name at its
// place, without shifting the array for each one.
void SymbolTable::assign(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  names_ = std::move(names);
}

int sorted_index(const std::vector<std::string>& sorted, std::string_view name) {
  auto it = std::lower_bound(sorted.begin(), sorted.end(), name,
                             [](const std::string& a, std::string_view b) { return a < b; });
  if (it == sorted.end() || *it != name) return -1;
  return static_cast<int>(it - sorted.begin());
}

int SymbolTable::find(std::string_view name) const { return sorted_index(names_, name); }

int SymbolTable::lookup(std::string_view name, LookupMode mode, const RunConfig& config,
                        bool* head_marked) const {
  bool marked = strip_head_mark(name);
  if (head_marked) *head_marked = marked;
  int id = find(name);
  if (id >= 0) return id;
  if (mode == LookupMode::kFatal) fatal_error2("Unknown grammar symbol", name);
  if (mode == LookupMode::kWarn) warning2(config, "Unknown grammar symbol", name);
  return -1;
}

int SymbolTable::read_symbol(FILE* in, LookupMode mode, const RunConfig& config) const {
  char token[1000];
  if (std::fscanf(in, "%999s ", token) != 1) return -1;
  std::string_view name(token);
  bool marked = false;
  int id = lookup(name, mode, config, &marked);
  if (marked) {
    strip_head_mark(name);
    warning2(config, "unexpected head marking", name);
  }
  return id;
}

}  // namespace velmo
