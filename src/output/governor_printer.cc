#include "output/governor_printer.h"

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "output/forest_values.h"
#include "output/quote.h"
#include "parser/forest_walk.h"
#include "parser/inside_outside.h"

namespace velmo {
namespace {

struct GovernorEntry {
  int mother;    // the governing phrase's category
  int daughter;  // the non-head daughter through which the word is governed
  int head;      // the governing head (the mother's head)
  PROB probability;
  auto key() const { return std::tie(daughter, mother, head); }
};

// Entries are appended as they arrive and settled (sorted by (daughter, mother, head), the
// entries of one key added up in the order they arrived) whenever the list has doubled, and
// before it is used. That gives the sums an entry-by-entry merge into a sorted list gives,
// without its quadratic cost.
struct GovernorList {
  std::vector<GovernorEntry> entries;
  size_t settled = 0;  // size after the last settling
};

// One entry per key, in key order.
void settle(GovernorList& list) {
  std::vector<GovernorEntry>& e = list.entries;
  std::stable_sort(e.begin(), e.end(),
                   [](const GovernorEntry& a, const GovernorEntry& b) { return a.key() < b.key(); });
  size_t kept = 0;
  for (const GovernorEntry& x : e) {
    if (kept > 0 && e[kept - 1].key() == x.key())
      e[kept - 1].probability += x.probability;
    else
      e[kept++] = x;
  }
  e.resize(kept);
  list.settled = kept;
}

// Adds source ⊗ factor to target.
void merge(GovernorList& target, const GovernorList& source, PROB factor) {
  for (const GovernorEntry& e : source.entries)
    target.entries.push_back({e.mother, e.daughter, e.head, e.probability * factor});
  if (target.entries.size() > 2 * target.settled + 64) settle(target);
}

// Numbers the records the walk reaches, so that their lists lie in one array.
struct Numbering : ForestVisitor<Numbering> {
  explicit Numbering(const Chart& chart) : of(chart) {}
  RecordValues<int32_t> of;
  int count = 0;
  void node_after(ForestNode* node) {
    of.enter(node);
    of[node] = count++;
  }
  void item_after(ChartItem* item) {
    of.enter(item);
    of[item] = count++;
  }
};

// Top-down, so that a list is complete before it is passed on. A record whose inside value is
// zero (a part of no analysis with probability above 0) passes nothing on: its posterior is 0.
class GovernorPass : public ForestVisitor<GovernorPass> {
 public:
  GovernorPass(FILE* out, const ParsedSentence& ctx, Numbering& numbering)
      : out_(out),
        ctx_(ctx),
        numbering_(numbering),
        lists_(numbering.count),
        threshold_(PROB::from(ctx.config.gov_threshold)) {}

  // A list is passed on (or printed) once, top-down, and then released.
  void node_before(ForestNode* node) {
    GovernorList list;
    std::swap(list, list_of(node));
    settle(list);
    if (node->lexical) {
      print_word(node, list);
      return;
    }
    if (list.entries.empty() || node->inside.is_zero()) return;
    for (ChartItem* a : analyses(node))
      merge(list_of(a), list, ctx_.pm.rule(a) * a->inside / node->inside);
  }

  void item_before(ChartItem* item) {
    GovernorList list;
    std::swap(list, list_of(item));
    settle(list);
    if (item->inside.is_zero()) return;
    const bool head_step =
        item->dot - 1 == ctx_.model.grammar.rule(item->mother, item->rule).head;
    for (DaughterLink* l : links(item)) {
      const PROB link = ctx_.pm.link_value(l, item);
      const PROB factor = link / item->inside;
      GovernorList& daughter = list_of(l->daughter);
      if (!head_step) {
        const GovernorList governor = {
            {{item->mother, l->daughter->category, item->head, PROB::one()}}, 1};
        merge(daughter, governor, ctx_.chart.outside(item) * link * ctx_.probs.scale);
      } else if (!list.entries.empty()) {
        merge(daughter, list, factor);
      }
      if (l->previous && !list.entries.empty())
        merge(list_of(l->previous), list, factor);
    }
  }

 private:
  void print_word(const ForestNode* node, const GovernorList& governors) {
    const std::vector<GovernorEntry>& list = governors.entries;
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
  const ParsedSentence& ctx_;
  GovernorList& list_of(const ForestNode* node) { return lists_[numbering_.of[node]]; }
  GovernorList& list_of(const ChartItem* item) { return lists_[numbering_.of[item]]; }

  Numbering& numbering_;
  std::vector<GovernorList> lists_;
  PROB threshold_;
};

}  // namespace

void print_governors(FILE* out, const ParsedSentence& ctx) {
  Numbering numbering(ctx.chart);
  walk(ctx.chart, numbering);
  GovernorPass pass(out, ctx, numbering);
  top_down_walk(ctx.chart, pass);
  std::fputc('\n', out);
  std::fflush(out);
}

std::unique_ptr<ForestStage> make_governor_printer(FILE* out) {
  return std::make_unique<PosteriorPrinter>(out, print_governors);
}

}  // namespace velmo
