#include "lexmodel/lexicalised_reading.h"

#include <cmath>

#include "base/diagnostics.h"

namespace velmo {

File open_binary(const std::string& name) { return File(open_file(name, "rb"), &std::fclose); }

IdLimits::IdLimits(const Model& model, const PoolingClasses& pooling, const RunConfig& config)
      : symbols(model.grammar.symbol_count()),
        heads(lexical_item_count(model.lexicon, config) +
              (model.lexicon.open_class.loaded ? 1 : 0)),
        child_classes(static_cast<int>(pooling.child_names.size())),
        parent_classes(static_cast<int>(pooling.parent_names.size())) {}

int AscendingIds::next(int limit, int low) {
  const int id = r_.id(limit, low);
  if (has_last_ && id <= last_) r_.corrupt();
  last_ = id;
  has_last_ = true;
  return id;
}

float frequency(BinaryReader& r) {
  const float f = r.float32();
  if (!(f >= 0) || !std::isfinite(f)) r.corrupt();
  return f;
}

double probability(BinaryReader& r) {
  const double p = r.float64();
  if (!(p >= 0 && p <= 1)) r.corrupt();
  return p;
}

double factor(BinaryReader& r) {
  const double f = r.float64();
  if (!(f >= 0) || !std::isfinite(f)) r.corrupt();
  return f;
}

HeadDistribution read_frequencies(BinaryReader& r, int heads) {
  HeadDistribution d(r.count(8));
  AscendingIds ids(r);
  for (HeadProbability& e : d) {
    e.head = ids.next(heads, -1);
    e.freq = frequency(r);
    e.prob = 0.0;
  }
  return d;
}

HeadDistribution read_probabilities(BinaryReader& r, int heads) {
  HeadDistribution d(r.count(12));
  AscendingIds ids(r);
  for (HeadProbability& e : d) {
    e.head = ids.next(heads, -1);
    e.freq = 0;
    e.prob = probability(r);
  }
  return d;
}

void finish_reading(BinaryReader& r) {
  if (!r.at_end()) r.corrupt();
}

void read_class_names(BinaryReader& r, std::vector<std::string>& names) {
  names.resize(r.count(1));
  for (std::string& name : names) name = r.string();
}

}  // namespace velmo
