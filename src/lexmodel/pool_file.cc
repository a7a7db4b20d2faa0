#include "lexmodel/pool_file.h"

#include <cstdint>
#include <vector>

#include "base/binary_writer.h"
#include "lexmodel/lexicalised_reading.h"

namespace velmo {
namespace {

void write_classes(BinaryWriter& w, const Grammar& grammar, const std::vector<std::string>& names,
                   int SymbolData::*pool) {
  w.int32(static_cast<int32_t>(names.size()));
  for (const std::string& name : names) w.string(name);
  for (const SymbolData& symbol : grammar.data) w.int32(symbol.*pool);
}

void read_pool_fields(BinaryReader& r, Grammar& grammar, int classes, int SymbolData::*pool) {
  const int symbols = grammar.symbol_count();
  r.expect(4LL * symbols);
  for (int s = 0; s < symbols; ++s) {
    const int id = r.id(symbols + classes);
    if (id < symbols && id != s) r.corrupt();
    grammar.data[s].*pool = id;
  }
}

}  // namespace

void write_pool_file(FILE* out, const Grammar& grammar, const PoolingClasses& pooling) {
  BinaryWriter w(out);
  write_classes(w, grammar, pooling.child_names, &SymbolData::child_pool);
  write_classes(w, grammar, pooling.parent_names, &SymbolData::parent_pool);
}

void read_pool_file(const std::string& name, Model& model, PoolingClasses& pooling) {
  File in(std::fopen(name.c_str(), "rb"), &std::fclose);
  if (in) read_pools(in.get(), name, model, pooling);
}

void read_pools(FILE* in, const std::string& name, Model& model, PoolingClasses& pooling) {
  BinaryReader r(in, name);
  read_class_names(r, pooling.child_names);
  read_pool_fields(r, model.grammar, static_cast<int>(pooling.child_names.size()),
                   &SymbolData::child_pool);
  read_class_names(r, pooling.parent_names);
  read_pool_fields(r, model.grammar, static_cast<int>(pooling.parent_names.size()),
                   &SymbolData::parent_pool);
  pooling.child_head_counts.assign(pooling.child_names.size(), 0);
  finish_reading(r);
}

}  // namespace velmo
