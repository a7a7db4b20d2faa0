// LexModel: the parameters of the head-lexicalised model. Lexicalised start probabilities
// P(head | start category), rule probabilities P(rule | mother, head) with the probability that
// the mother with that head is a word, and lexical-choice probabilities P(daughter head |
// daughter class, parent class, parent head) that back off to P(daughter head | daughter
// class, parent class) and P(daughter head | daughter class). Every list is sorted by id and
// searched by bisection; an absent entry means backoff.
//
// The tables are filled with frequencies from the lexicalised frequency files (or with
// probabilities from a parameter file), estimated once (lex_estimation.h), and then only read
// by the lookups of the probability passes (lexicalised_lookups.h).
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "lexmodel/pooling.h"

namespace velmo {

struct HeadProbability {
  int32_t head;
  float freq;
  double prob;
};
using HeadDistribution = std::vector<HeadProbability>;  // ascending head id

struct LexicalisedStart {
  HeadDistribution entries;
  double unseen = 0.0;  // the probability of each head without entry
};

struct LexicalisedRuleEntry {
  int16_t rule;  // index among the mother's rules
  float freq;
  double prob;
};

struct LexicalisedHead {
  int32_t head;
  std::vector<LexicalisedRuleEntry> rules;  // ascending rule index
  double backoff = 0.0;  // multiplies the unlexicalised probability of a rule without entry
  double lexical = 0.0;  // probability that the mother with this head is a word
};

struct ParentHeadChoices {
  int32_t parent_head;
  HeadDistribution entries;
  double backoff = 0.0;
};

struct ParentClassChoices {
  int32_t parent_class;
  HeadDistribution entries;
  double backoff = 0.0;
  std::vector<ParentHeadChoices> heads;  // ascending parent head
};

struct DaughterClassChoices {
  int32_t daughter_class;
  HeadDistribution entries;
  double unseen = 0.0;
  std::vector<ParentClassChoices> parents;  // ascending parent class
};

// A context whose daughter head is fixed by hand (-fixed).
struct FixedChoice {
  int32_t daughter_head, daughter_class, parent_class, parent_head;
};

struct LexModel {
  std::vector<LexicalisedStart> starts;              // per symbol
  std::vector<std::vector<LexicalisedHead>> rules;   // per mother symbol, ascending head
  std::vector<DaughterClassChoices> choices;         // ascending daughter class
  std::vector<FixedChoice> fixed;  // ascending (daughter class, parent class, parent head)

  // Empty start, rule and choice tables for a grammar of `symbol_count` symbols (the fixed
  // choices stay).
  void reset(int symbol_count);

  // The records of a context, found by bisection; null when the tables have none.
  const LexicalisedHead* head_rules(int mother, int head) const;
  const DaughterClassChoices* daughter_choices(int daughter_class) const;
  const ParentHeadChoices* parent_head_choices(int daughter_class, int parent_class,
                                               int parent_head) const;
  const FixedChoice* fixed_choice(int daughter_class, int parent_class, int parent_head) const;
};

// The head-lexicalised model of a run: its pooling classes and its tables, built at start-up
// and then only read.
struct LexicalisedModel {
  PoolingClasses pooling;
  LexModel lex;
};

// The entry of `head` in a distribution, or null.
const HeadProbability* find_head(const HeadDistribution& d, int head);

// Records sorted by id: the one with `id` (as `id_of` tells a record's), or null.
template <class Record, class Id>
const Record* find_record(const std::vector<Record>& records, int id, Id id_of) {
  auto it = std::lower_bound(records.begin(), records.end(), id,
                             [&](const Record& r, int key) { return id_of(r) < key; });
  return it != records.end() && id_of(*it) == id ? &*it : nullptr;
}

// Smoothing of n observed frequencies with `unseen` events never observed: the values become
// probabilities, and the result is the probability of each event that counts as unseen (the
// unobserved ones and those seen less than 0.9 times, which get 0).
double smooth(std::vector<double>& values, int unseen);
// 1 minus the probabilities in `general` of the heads that `specific` lists.
double backoff_sum(const HeadDistribution& specific, const HeadDistribution& general);

}  // namespace velmo
