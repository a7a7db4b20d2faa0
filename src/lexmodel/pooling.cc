#include "lexmodel/pooling.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "base/diagnostics.h"
#include "base/text_input.h"

namespace velmo {
namespace {

constexpr std::size_t kPoolingLineSize = 10000;

struct PoolKind {
  int SymbolData::*pool;
  std::vector<std::string> PoolingClasses::*names;
  const char* listed_twice;
};

constexpr PoolKind kParent = {&SymbolData::parent_pool, &PoolingClasses::parent_names,
                              "category listed in two parent pooling classes:"};
constexpr PoolKind kChild = {&SymbolData::child_pool, &PoolingClasses::child_names,
                             "category listed in two child pooling classes:"};

// The next line that holds a field. Lines are read into a buffer of 10,000 bytes: a line that
// fills 9,999 of them (newline included) may go on and is refused.
bool next_pooling_line(FILE* in, std::string& line) {
  while (read_long_line(in, line)) {
    line.resize(std::min({line.size(), line.find('\0'), kPoolingLineSize - 1}));
    if (line.size() == kPoolingLineSize - 1) fatal_error2("Line too long", line);
    std::string_view probe = line;
    if (!next_token(probe).empty()) return true;
  }
  return false;
}

void read_class(std::string_view cursor, Grammar& grammar, PoolingClasses& pooling,
                const PoolKind& kind, const RunConfig& config) {
  std::vector<std::string>& names = pooling.*kind.names;
  const std::string name(next_token(cursor));
  // The .pool file stores the name; a longer one could not be read back.
  if (name.size() > kMaxStoredName) fatal_error2("Pooling class name too long", name);
  const int id = grammar.symbol_count() + static_cast<int>(names.size());
  names.push_back(name);
  const int same_name = grammar.symbols.lookup(name, LookupMode::kSilent, config);
  bool same_name_member = false, any_member = false;
  for (std::string_view member = next_token(cursor); !member.empty();
       member = next_token(cursor)) {
    any_member = true;
    bool marked = false;
    const int category = grammar.symbols.lookup(member, LookupMode::kWarn, config, &marked);
    if (marked) fatal_error2("Head Marking in pooling specification", member);
    if (category < 0) continue;
    int& pool = grammar.data[category].*kind.pool;
    if (pool != category) fatal_error2(kind.listed_twice, grammar.name(category));
    pool = id;
    if (category == same_name) same_name_member = true;
  }
  if (same_name >= 0 && !same_name_member)
    warning2(config,
             "Name of pooling class is also name of a category not contained in this pooling "
             "class",
             name);
  if (!any_member) warning2(config, "empty class in pooling file", name);
}

void read_pooling(FILE* in, Grammar& grammar, PoolingClasses& pooling, const PoolKind& kind,
                  const RunConfig& config) {
  std::string line;
  while (next_pooling_line(in, line)) {
    read_class(line, grammar, pooling, kind, config);
  }
}

}  // namespace

const std::string& PoolingClasses::parent_class_name(const Grammar& grammar, int id) const {
  return id < grammar.symbol_count() ? grammar.name(id) : parent_names[id - grammar.symbol_count()];
}

const std::string& PoolingClasses::child_class_name(const Grammar& grammar, int id) const {
  return id < grammar.symbol_count() ? grammar.name(id) : child_names[id - grammar.symbol_count()];
}

namespace {

int class_id(std::string_view name, const Grammar& grammar, const std::vector<std::string>& names,
             int SymbolData::*pool, const RunConfig& config) {
  for (size_t c = 0; c < names.size(); ++c)
    if (names[c] == name) return grammar.symbol_count() + static_cast<int>(c);
  if (!name.empty() && name.back() == '\'') fatal_error2("Unexpected head marking", name);
  const int symbol = grammar.symbols.lookup(name, LookupMode::kWarn, config);
  if (symbol >= 0 && grammar.data[symbol].*pool != symbol) {
    warning2(config, "category specified where the pooling name should be used", name);
    return -1;
  }
  return symbol;
}

}  // namespace

int parent_class_id(std::string_view name, const Grammar& grammar, const PoolingClasses& pooling,
                    const RunConfig& config) {
  return class_id(name, grammar, pooling.parent_names, &SymbolData::parent_pool, config);
}

int child_class_id(std::string_view name, const Grammar& grammar, const PoolingClasses& pooling,
                   const RunConfig& config) {
  return class_id(name, grammar, pooling.child_names, &SymbolData::child_pool, config);
}

void read_parent_pooling(FILE* in, Grammar& grammar, PoolingClasses& pooling,
                         const RunConfig& config) {
  read_pooling(in, grammar, pooling, kParent, config);
}

void read_child_pooling(FILE* in, Grammar& grammar, PoolingClasses& pooling,
                        const RunConfig& config) {
  read_pooling(in, grammar, pooling, kChild, config);
  pooling.child_head_counts.assign(pooling.child_names.size(), 0);
}

}  // namespace velmo
