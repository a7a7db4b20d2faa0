#include "lexmodel/head_frequencies.h"

namespace velmo {

HeadFrequencies::HeadFrequencies(const Grammar& grammar, const RunConfig& config)
    : grammar_(grammar),
      starts_(config.min_start_freq, false),
      rules_(config.min_rule_freq, true),
      choices_(config.min_choice_freq, true) {}

void HeadFrequencies::add_start(int head, int category, double f) {
  starts_.add({category, head}, f);
}

void HeadFrequencies::add_rule(int head, int mother, int rule, double f) {
  rules_.add({mother, head, rule}, f);
}

void HeadFrequencies::add_choice(int parent_category, int parent_head, int daughter_category,
                                 int daughter_head, double f) {
  choices_.add({grammar_.data[daughter_category].child_pool,
                grammar_.data[parent_category].parent_pool, parent_head, daughter_head},
               f);
}

void HeadFrequencies::add_pooled_choice(int parent_class, int parent_head, int daughter_class,
                                        int daughter_head, double f) {
  choices_.add({daughter_class, parent_class, parent_head, daughter_head}, f);
}

}  // namespace velmo
