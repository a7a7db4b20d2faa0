#include "parser/inside_outside.h"

#include <cstdio>

#include "lexicon/lexicon.h"
#include "parser/forest_walk.h"
#include "parser/probability_passes.h"

namespace velmo {

PROB ProbModel::start(const ForestNode* node) const {
  PROB p = PROB::from(model_.grammar.data[node->category].start_prob);
  if (lexicalised_) p *= PROB::from(lexicalised_->start(node->category, node->head));
  return p;
}

PROB ProbModel::lexical(const ForestNode* node) const {
  std::string_view word = node->word ? node->word : "";
  if (lexicalised_) return PROB::from(lexicalised_->word(word, node->category, node->head));
  return PROB::from(
      lexical_probability(model_.grammar, model_.lexicon, word, node->category, config_));
}

void ProbModel::refresh() {
  if (estimations_seen_ == model_.estimations) return;
  estimations_seen_ = model_.estimations;
  const Grammar& g = model_.grammar;
  rule_base_.assign(g.symbol_count(), 0);
  rule_logs_.clear();
  for (int m = 0; m < g.symbol_count(); ++m) {
    rule_base_[m] = static_cast<int>(rule_logs_.size());
    for (const Rule& r : g.data[m].rules) rule_logs_.push_back(PROB::from(r.prob));
  }
}

PROB ProbModel::rule(const ChartItem* item) const {
  if (lexicalised_) return PROB::from(lexicalised_->rule(item->mother, item->rule, item->head));
  return rule_logs_[rule_base_[item->mother] + item->rule];
}

// Only a link that adds a non-head daughter is a lexical choice.
PROB ProbModel::choice(const DaughterLink* link, const ChartItem* item) const {
  if (!lexicalised_ || item->dot - 1 == model_.grammar.rule(item->mother, item->rule).head)
    return PROB::one();
  return PROB::from(lexicalised_->choice(link->daughter->head, link->daughter->category,
                                         item->mother, item->head));
}

namespace {

// "logSP: ..." / "logVP: ..." of -sent-probs.
void print_log_prob(const char* label, PROB p) {
  if (p.is_zero()) {
    std::fprintf(stderr, "%s: 0.0\n", label);
  } else {
    std::fprintf(stderr, "%s: %g\n", label, p.log);
  }
}

// The Viterbi values in one depth-first walk that takes each link's value as soon as its
// previous item and its daughter are done, so that each reference is followed once. The walk
// reaches records in the order of `walk`, and a record still open on a cycle gives the value it
// has, as there. Only a strictly greater value replaces the current one, so ties keep the first
// in list order.
class ViterbiWalk {
 public:
  ViterbiWalk(const ProbModel& pm, uint16_t stamp) : pm_(pm), stamp_(stamp) {}

  PROB node(ForestNode* node) {
    if (node->stamp == stamp_) return node->inside;
    node->stamp = stamp_;
    PROB max;
    for (ChartItem* a : analyses(node)) {
      PROB v = pm_.rule(a) * item(a);
      if (v > max) max = v;
    }
    node->inside = node->lexical ? pm_.lexical(node) : max;
    return node->inside;
  }

 private:
  PROB item(ChartItem* item) {
    if (item->stamp == stamp_) return item->inside;
    item->stamp = stamp_;
    PROB max;
    walk_detail::for_each_link(item, [&](DaughterLink* l) {
      ChartItem* previous = l->previous;
      PROB previous_value = previous ? this->item(previous) : PROB::zero();
      PROB v = pm_.link_value(l, item, node(l->daughter), previous_value, previous != nullptr);
      if (v > max) max = v;
    });
    item->inside = max;
    return max;
  }

  const ProbModel& pm_;
  uint16_t stamp_;
};

// The inside values in one depth-first walk, like ViterbiWalk, summing in list order. With
// `count`, it also counts every record's references from the records above it for the
// top-down walk that follows (see top_down_walk_counted). The outside values of the nodes it
// reaches are set to zero.
class InsideWalk {
 public:
  InsideWalk(Chart& chart, const ProbModel& pm, bool count)
      : chart_(chart), pm_(pm), count_(count), stamp_(chart.next_stamp()) {
    if (count) chart.clear_ref_counts();
  }

  // Adds the root's share to the sentence probability.
  void root(ForestNode* root) {
    if (count_) ++root->ref_count;
    sentence_prob += pm_.start(root) * node(root);
  }
  PROB sentence_prob;

 private:
  PROB node(ForestNode* node) {
    if (node->stamp == stamp_) return node->inside;
    node->stamp = stamp_;
    if (count_)
      for (ChartItem* a : analyses(node)) ++chart_.ref_count(a);
    PROB sum = node->lexical ? pm_.lexical(node) : PROB::zero();
    for (ChartItem* a : analyses(node)) sum += pm_.rule(a) * item(a);
    node->inside = sum;
    node->outside = PROB::zero();
    return sum;
  }

  PROB item(ChartItem* item) {
    if (item->stamp == stamp_) return item->inside;
    item->stamp = stamp_;
    PROB sum;
    walk_detail::for_each_link(item, [&](DaughterLink* l) {
      ChartItem* previous = l->previous;
      ForestNode* daughter = l->daughter;
      if (count_) {
        if (previous) ++chart_.ref_count(previous);
        ++daughter->ref_count;
      }
      PROB previous_value = previous ? this->item(previous) : PROB::zero();
      sum += pm_.link_value(l, item, node(daughter), previous_value, previous != nullptr);
    });
    item->inside = sum;
    return sum;
  }

  Chart& chart_;
  const ProbModel& pm_;
  const bool count_;
  const uint16_t stamp_;
};

struct FrequencyPass : ForestVisitor<FrequencyPass> {
  FrequencyPass(const Chart& chart, const ProbModel& pm, PROB scale, Model& model,
                LexicalisedCounts* lexicalised)
      : chart(chart), pm(pm), scale(scale), model(model), lexicalised(lexicalised) {}
  const Chart& chart;
  const ProbModel& pm;
  PROB scale;
  Model& model;
  LexicalisedCounts* lexicalised;

  // The expected count of an event whose outside and inside values are given.
  double expected(PROB outside, PROB inside) const { return (outside * inside * scale).value(); }

  // A root's outside value also holds its uses as a daughter over the whole input (under a
  // unary rule); only the start probability belongs to the start event.
  void root_before(ForestNode* root) {
    const double q = expected(pm.start(root), root->inside);
    model.grammar.data[root->category].start_freq += q;
    if (lexicalised) lexicalised->add_start(root->head, root->category, q);
  }
  void node_before(ForestNode* node) {
    if (!node->lexical) return;
    std::string_view word = node->word ? node->word : "";
    add_lexical_frequency(model.lexicon, node->category, word, node->head,
                          expected(node->outside, node->inside), pm.config());
  }
  void complete_item_before(ChartItem* item) {
    Rule& rule = model.grammar.data[item->mother].rules[item->rule];
    const double q = expected(chart.outside(item), item->inside);
    rule.freq += q;
    if (lexicalised) lexicalised->add_rule(item->head, item->mother, item->rule, q);
    item_before(item);
  }
  // A link that adds a non-head daughter is a lexical choice of that daughter's head.
  void item_before(ChartItem* item) {
    if (!lexicalised || item->dot - 1 == model.grammar.rule(item->mother, item->rule).head) return;
    for (DaughterLink* l : links(item)) {
      const double q = (chart.outside(item) * pm.link_value(l, item) * scale).value();
      lexicalised->add_choice(item->mother, item->head, l->daughter->category, l->daughter->head,
                              q);
    }
  }
};

// A record's count is 0 from the moment the walk enters it, so one still open on a cycle
// counts 0 where it is reached again.
struct AnalysisCounter : ForestVisitor<AnalysisCounter> {
  explicit AnalysisCounter(const Chart& chart) : trees(chart) {}
  RecordValues<uint64_t> trees;
  uint64_t total = 0;

  void node_before(ForestNode* node) { trees.enter(node); }
  void item_before(ChartItem* item) { trees.enter(item); }
  void node_after(ForestNode* node) {
    uint64_t sum = node->lexical ? 1 : 0;
    for (ChartItem* a : analyses(node)) sum += trees[a];
    trees[node] = sum;
  }
  void item_after(ChartItem* item) {
    uint64_t sum = 0;
    for (DaughterLink* l : links(item)) {
      uint64_t daughter = trees[l->daughter];
      sum += l->previous ? trees[l->previous] * daughter : daughter;
    }
    trees[item] = sum;
  }
  void root_after(ForestNode* root) { total += trees[root]; }
};

}  // namespace

namespace {

PROB inside(Chart& chart, const ProbModel& pm, bool count) {
  InsideWalk walk(chart, pm, count);
  for (ForestNode* root : chart.roots()) walk.root(root);
  return walk.sentence_prob;
}

void finish_inside(PROB sentence_prob, const ProbModel& pm, const Sentence& sentence,
                   ForestProbs& probs) {
  probs.sentence_prob = sentence_prob;
  const RunConfig& config = pm.config();
  if (config.sent_probs) print_log_prob("logSP", probs.sentence_prob);
  probs.scale = probs.sentence_prob.is_zero() ? PROB::zero() : PROB::one() / probs.sentence_prob;
  if (config.sent_weights && config.train) probs.scale *= PROB::from(sentence.weight);
}

}  // namespace

void compute_inside(Chart& chart, const ProbModel& pm, const Sentence& sentence,
                    ForestProbs& probs) {
  finish_inside(inside(chart, pm, false), pm, sentence, probs);
}

PROB compute_inside_counting_references(Chart& chart, const ProbModel& pm) {
  return inside(chart, pm, true);
}

// The outside pass's reference counts are taken during the inside walk.
void compute_inside_outside(Chart& chart, const ProbModel& pm, const Sentence& sentence,
                            ForestProbs& probs) {
  finish_inside(inside(chart, pm, true), pm, sentence, probs);
  OutsidePass outside(chart, pm);
  top_down_walk_counted(chart, outside);
}

void compute_viterbi(Chart& chart, const ProbModel& pm, ForestProbs& probs) {
  ViterbiWalk walk(pm, chart.next_stamp());
  PROB best;
  for (ForestNode* root : chart.roots()) {
    PROB v = pm.start(root) * walk.node(root);
    if (v > best) best = v;
  }
  probs.viterbi_prob = best;
  if (pm.config().sent_probs) print_log_prob("logVP", probs.viterbi_prob);
}

void compute_outside(Chart& chart, const ProbModel& pm) {
  OutsidePass pass(chart, pm);
  top_down_walk(chart, pass);
}

void estimate_frequencies(Chart& chart, const ProbModel& pm, const ForestProbs& probs,
                          Model& model, LexicalisedCounts* lexicalised) {
  FrequencyPass pass(chart, pm, probs.scale, model, lexicalised);
  walk(chart, pass);
}

uint64_t count_analyses(Chart& chart) {
  AnalysisCounter counter(chart);
  walk(chart, counter);
  return counter.total;
}

}  // namespace velmo
