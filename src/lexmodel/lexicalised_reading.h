// What the readers of the head-lexicalised model's binary files share: every count is checked
// against what the file can still hold, every id against the grammar, the lexical items and the
// pooling classes of this run, and every list must be in ascending order, since the lookups
// bisect. A damaged file, or one trained with another grammar, is "Corrupt parameter file:
// <name>".
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/binary_reader.h"
#include "base/run_config.h"
#include "lexmodel/lex_model.h"
#include "lexmodel/pooling.h"
#include "model/model.h"

namespace velmo {

using File = std::unique_ptr<FILE, int (*)(FILE*)>;

// Fatal "Can't open file: <name>" when it cannot be opened.
File open_binary(const std::string& name);

// The ids a file may name in this run.
struct IdLimits {
  int symbols;
  int heads;          // head ids from -1 to below this
  int child_classes;  // class ids below symbols + this
  int parent_classes;

  IdLimits(const Model& model, const PoolingClasses& pooling, const RunConfig& config);
};

// Ids of a list must ascend strictly.
class AscendingIds {
 public:
  explicit AscendingIds(BinaryReader& r) : r_(r) {}
  int next(int limit, int low = 0);

 private:
  BinaryReader& r_;
  int last_ = 0;
  bool has_last_ = false;
};

// A finite frequency of at least 0, a probability, a finite factor of at least 0.
float frequency(BinaryReader& r);
double probability(BinaryReader& r);
double factor(BinaryReader& r);
// A count, then (head, frequency) or (head, probability) records by ascending head.
HeadDistribution read_frequencies(BinaryReader& r, int heads);
HeadDistribution read_probabilities(BinaryReader& r, int heads);
// A count, then NUL-terminated names.
void read_class_names(BinaryReader& r, std::vector<std::string>& names);
// Nothing may follow the last record.
void finish_reading(BinaryReader& r);

}  // namespace velmo
