#include "output/governor_printer.h"

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "output/quote.h"
#include "parser/forest_walk.h"

namespace velmo {
namespace {

struct GovernorEntry {
  int mother;    // the governing phrase's category
  int daughter;  // the non-head daughter through which the word is governed
  int head;      // the governing head (the mother's head)
  PROB probability;
  auto key() const { return std::tie(daughter, mother, head); }
};

// Sorted by (daughter, mother, head), one entry per key.
using GovernorList = std::vector<GovernorEntry>;

// Adds source ⊗ factor into target, entry by entry.
void merge(GovernorList& target, const GovernorList& source, PROB factor) {
  for (const GovernorEntry& e : source) {
    auto at = std::lower_bound(target.begin(), target.end(), e, [](const auto& a, const auto& b) {
      return a.key() < b.key();
    });
    const PROB value = e.probability * factor;
    if (at != target.end() && at->key() == e.key())
      at->probability += value;
    else
      target.insert(at, {e.mother, e.daughter, e.head, value});
  }
}

struct Numbering : ForestVisitor<Numbering> {
  int count = 0;
  void node_after(ForestNode* node) { node->number = count++; }
  void item_after(ChartItem* item) { item->number = count++; }
};

// Top-down, so that a list is complete before it is passed on. A record whose inside value is
// zero (a part of no analysis with probability above 0) passes nothing on: its posterior is 0.
class GovernorPass : public ForestVisitor<GovernorPass> {
 public:
  GovernorPass(FILE* out, const OutputContext& ctx, int records)
      : out_(out), ctx_(ctx), lists_(records), threshold_(PROB::from(ctx.config.gov_threshold)) {}

  void node_before(ForestNode* node) {
    GovernorList& list = lists_[node->number];
    if (node->lexical) {
      print_word(node, list);
      return;
    }
    if (list.empty() || node->inside.is_zero()) return;
    for (ChartItem* a : analyses(node))
      merge(lists_[a->number], list, ctx_.pm.rule(a) * a->inside / node->inside);
  }

  void item_before(ChartItem* item) {
    if (item->inside.is_zero()) return;
    const GovernorList& list = lists_[item->number];
    const bool head_step =
        item->dot - 1 == ctx_.model.grammar.rule(item->mother, item->rule).head;
    for (DaughterLink* l = item->links; l; l = l->next) {
      const PROB link = ctx_.pm.link_value(l, item);
      const PROB factor = link / item->inside;
      GovernorList& daughter = lists_[l->daughter->number];
      if (!head_step) {
        const GovernorList governor = {
            {item->mother, l->daughter->category, item->head, PROB::one()}};
        merge(daughter, governor, item->outside * link * ctx_.probs.scale);
      } else if (!list.empty()) {
        merge(daughter, list, factor);
      }
      if (l->previous && !list.empty()) merge(lists_[l->previous->number], list, factor);
    }
  }

 private:
  static std::vector<ChartItem*> analyses(ForestNode* node) {
    std::vector<ChartItem*> all;
    for (ChartItem* a = node->analyses; a; a = a->next_analysis) all.push_back(a);
    return all;
  }

  void print_word(const ForestNode* node, const GovernorList& list) {
    const bool any = std::any_of(list.begin(), list.end(), [&](const GovernorEntry& e) {
      return e.probability > threshold_;
    });
    if (!any) return;
    const Grammar& grammar = ctx_.model.grammar;
    std::fprintf(out_, "%s %s %d:\n", node->word, grammar.name(node->category).c_str(),
                 node->start);
    for (const GovernorEntry& e : list) {
      if (e.probability < threshold_) continue;
      const std::string head(lexical_item_name(ctx_.model.lexicon, e.head, ctx_.config));
      std::fprintf(out_, "\t%s %s %s %g\n", grammar.name(e.mother).c_str(), head.c_str(),
                   grammar.name(e.daughter).c_str(), e.probability.value());
    }
  }

  FILE* out_;
  const OutputContext& ctx_;
  std::vector<GovernorList> lists_;
  PROB threshold_;
};

}  // namespace

void print_governors(FILE* out, const OutputContext& ctx) {
  Numbering numbering;
  walk(ctx.chart, numbering);
  GovernorPass pass(out, ctx, numbering.count);
  top_down_walk(ctx.chart, pass);
  std::fputc('\n', out);
  std::fflush(out);
}

}  // namespace velmo
