// The expected frequencies of lexicalised events that training collects: start events
// (category, head), rule events (mother, head, rule) and lexical-choice events (daughter class,
// daughter head, parent class, parent head). Amounts too small to matter never make a record,
// and rare records are dropped whenever a table is about to grow, as the threshold options
// (-min-start-freq, -min-rule-freq, -min-choice-freq) say. The tables are written as the
// binary frequency files .lgram, .lchoice and .lstart (lexicalised_frequency_files.h).
#pragma once

#include <cstdint>
#include <cstdio>
#include <unordered_map>
#include <vector>

#include "base/run_config.h"
#include "lexmodel/pooling.h"
#include "model/frequency_files.h"
#include "model/model.h"
#include "parser/inside_outside.h"

namespace velmo {

// A table of event frequencies whose size follows a chained hash table's: 4096 buckets at
// first, 8 times more when it holds more than 4 records per bucket. Before it grows, records
// below a fifth of the storage threshold are dropped (with `harsh`, also those below the
// threshold once the table holds more than a million records), and it does not grow when the
// survivors fit in fewer records than buckets.
template <class Key>
class EventTable {
 public:
  EventTable(double threshold, bool harsh) : threshold_(threshold), harsh_(harsh) {}

  // Adds to an existing record; a new one is made only for more than a thousandth of the
  // storage threshold.
  void add(const Key& key, double f) {
    auto it = records_.find(key);
    if (it != records_.end()) {
      it->second += f;
      return;
    }
    if (!(f > 0.001 * threshold_)) return;
    records_.emplace(key, f);
    if (records_.size() > 4 * buckets_) grow();
  }
  double threshold() const { return threshold_; }
  const std::unordered_map<Key, double, typename Key::Hash>& records() const { return records_; }

 private:
  void grow() {
    const bool crowded = records_.size() > 1000000;
    for (auto it = records_.begin(); it != records_.end();) {
      if (it->second < 0.2 * threshold_ || (harsh_ && crowded && it->second < threshold_))
        it = records_.erase(it);
      else
        ++it;
    }
    if (buckets_ > records_.size()) return;
    if (records_.size() > 4 * buckets_) buckets_ *= 8;
  }

  double threshold_;
  bool harsh_;
  size_t buckets_ = 4096;
  std::unordered_map<Key, double, typename Key::Hash> records_;
};

struct StartEvent {
  int category;
  int head;
  bool operator==(const StartEvent&) const = default;
  struct Hash {
    size_t operator()(const StartEvent& e) const {
      return std::hash<uint64_t>()(static_cast<uint64_t>(e.category) << 32 ^
                                   static_cast<uint32_t>(e.head));
    }
  };
};

struct RuleEvent {
  int mother;
  int head;
  int rule;
  bool operator==(const RuleEvent&) const = default;
  struct Hash {
    size_t operator()(const RuleEvent& e) const {
      return std::hash<uint64_t>()((static_cast<uint64_t>(e.mother) << 16 ^ e.rule) << 32 ^
                                   static_cast<uint32_t>(e.head));
    }
  };
};

struct ChoiceEvent {
  int daughter_class;
  int parent_class;
  int parent_head;
  int daughter_head;
  bool operator==(const ChoiceEvent&) const = default;
  struct Hash {
    size_t operator()(const ChoiceEvent& e) const {
      uint64_t classes = static_cast<uint64_t>(e.daughter_class) << 32 ^
                         static_cast<uint32_t>(e.parent_class);
      uint64_t heads = static_cast<uint64_t>(e.parent_head) << 32 ^
                       static_cast<uint32_t>(e.daughter_head);
      return std::hash<uint64_t>()(classes * 0x9E3779B97F4A7C15ull ^ heads);
    }
  };
};

// The three tables, filled by training through the LexicalisedCounts interface.
class HeadFrequencies : public LexicalisedCounts {
 public:
  HeadFrequencies(const Grammar& grammar, const RunConfig& config);

  void add_start(int head, int category, double f) override;
  void add_rule(int head, int mother, int rule, double f) override;
  void add_choice(int parent_category, int parent_head, int daughter_category, int daughter_head,
                  double f) override;
  // The same with the classes given (merged files hold class ids already).
  void add_pooled_choice(int parent_class, int parent_head, int daughter_class, int daughter_head,
                         double f);

  const EventTable<StartEvent>& starts() const { return starts_; }
  const EventTable<RuleEvent>& rules() const { return rules_; }
  const EventTable<ChoiceEvent>& choices() const { return choices_; }

 private:
  const Grammar& grammar_;
  EventTable<StartEvent> starts_;
  EventTable<RuleEvent> rules_;
  EventTable<ChoiceEvent> choices_;
};

}  // namespace velmo
