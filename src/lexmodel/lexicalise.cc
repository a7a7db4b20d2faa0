#include "lexmodel/lexicalise.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

#include "base/diagnostics.h"
#include "parser/forest_walk.h"

namespace velmo {
namespace {

class Lexicaliser : public ForestVisitor<Lexicaliser> {
 public:
  Lexicaliser(Chart& chart, const Model& model, const RunConfig& config)
      : chart_(chart), model_(model), config_(config) {}

  // A record's variants are rebuilt by every walk.
  void node_before(ForestNode* node) { node->next_variant = nullptr; }
  void item_before(ChartItem* item) { chart_.next_variant(item) = nullptr; }

  void node_after(ForestNode* node) {
    if (node->lexical) lexicalise_word(node);
    for (ChartItem* analysis : analyses(node)) {
      for (ChartItem* v : variants(chart_, analysis)) {
        ForestNode* variant = node_variant(node, v->head);
        push_front(variant, v);
      }
    }
  }

  void item_after(ChartItem* item) {
    const Rule& rule = model_.grammar.rule(item->mother, item->rule);
    const int head = rule.head;
    // A rule without head daughter (possible only in a parameter file) gives its constituent
    // the unknown head: every daughter is a non-head one, and the complete item imposes -1 on
    // the items before it.
    if (head < 0) {
      if (item->dot == static_cast<int>(rule.daughters.size())) variant_with_head(item, -1);
      return;
    }
    // An item before its head daughter gets its variants on demand, from the item that
    // continues it.
    if (item->dot < head + 1) return;
    if (item->dot == head + 1) {
      for (DaughterLink* link : links(item))
        for (ForestNode* d : variants(link->daughter))
          make_variant(item, link->previous, d, d->head);
      return;
    }
    for (DaughterLink* link : links(item)) {
      if (link->daughter->next_variant == nullptr) {
        warning(config_, "Cyclic parse tree: cycles eliminated during lexicalization");
        continue;
      }
      for (ForestNode* d : variants(link->daughter))
        for (ChartItem* p : variants(chart_, link->previous))
          add_variant(item, p, d, p->head);
    }
  }

 private:
  // One variant of a word reading per head: its lemmas with -stems, else its word; -1 when the
  // lexicon does not list the reading, or with -rare-heads for a rare word.
  void lexicalise_word(ForestNode* node) {
    const Lexicon& lexicon = model_.lexicon;
    const std::string_view word = node->word ? node->word : "";
    const int index = lexicon.word_index(word);
    const TagEntry* reading = nullptr;
    if (index >= 0)
      for (const TagEntry& t : lexicon.entries[index].tags)
        if (t.tag == node->category) reading = &t;
    if (reading == nullptr || lexicon.heads_as_unknown(index)) {
      add_word_variant(node, -1);
    } else if (config_.stems) {
      for (const LemmaEntry& lemma : reading->lemmas) add_word_variant(node, lemma.lemma);
    } else {
      add_word_variant(node, index);
    }
  }

  void add_word_variant(ForestNode* node, int head) { node_variant(node, head); }

  // A record's variants are found through its own chain, not the chart's tables: records that
  // only treebank matching tells apart (copies of one node for different brackets) must keep
  // variants of their own.
  ForestNode* node_variant(ForestNode* node, int head) {
    if (ForestNode* v = variant_of(node, head)) return v;
    ForestNode* variant = chart_.make_untabled_node(*node, head);
    push_variant(node, variant);
    return variant;
  }

  // The record's copy with `head`, or null.
  static ForestNode* variant_of(const ForestNode* node, int head) {
    for (ForestNode* v : variants(node))
      if (v->head == head) return v;
    return nullptr;
  }
  ChartItem* variant_of(const ChartItem* item, int head) {
    for (ChartItem* v : variants(chart_, item))
      if (v->head == head) return v;
    return nullptr;
  }

  static void push_variant(ForestNode* node, ForestNode* variant) {
    variant->next_variant = node->next_variant;
    node->next_variant = variant;
  }
  // The chart's array may grow on the first access for the new copy.
  void push_variant(ChartItem* item, ChartItem* variant) {
    ChartItem* first = chart_.next_variant(item);
    chart_.next_variant(variant) = first;
    chart_.next_variant(item) = variant;
  }

  // The variant of `item` with head `head` whose last link is (previous variant of the
  // original previous item, daughter variant `daughter`).
  ChartItem* make_variant(ChartItem* item, ChartItem* previous, ForestNode* daughter, int head) {
    ChartItem* previous_variant = nullptr;
    if (previous) {
      previous_variant = variant_with_head(previous, head);
      if (previous_variant == nullptr) return nullptr;
    }
    return add_variant(item, previous_variant, daughter, head);
  }

  ChartItem* add_variant(ChartItem* item, ChartItem* previous, ForestNode* daughter, int head) {
    ChartItem* variant = variant_of(item, head);
    if (variant == nullptr) {
      variant = chart_.make_untabled_item(*item, head);
      push_variant(item, variant);
    }
    chart_.add_link(variant, previous, daughter);
    return variant;
  }

  // The variant of an item before its head daughter with the head imposed by the item that
  // continues it; none when no daughter of the item has a variant (a cycle).
  ChartItem* variant_with_head(ChartItem* item, int head) {
    if (ChartItem* v = variant_of(item, head)) return v;
    ChartItem* made = nullptr;
    for (DaughterLink* link : links(item))
      for (ForestNode* d : variants(link->daughter))
        if (ChartItem* v = make_variant(item, link->previous, d, head)) made = v;
    return made;
  }

  Chart& chart_;
  const Model& model_;
  const RunConfig& config_;
};

}  // namespace

void lexicalise_forest(Chart& chart, const Model& model, const RunConfig& config) {
  if (chart.roots().empty()) return;
  Lexicaliser lexicaliser(chart, model, config);
  walk(chart, lexicaliser);
  // The new list grows at the front, like the one it replaces.
  std::vector<ForestNode*> roots;
  for (ForestNode* root : chart.roots())
    for (ForestNode* v : variants(root)) roots.push_back(v);
  std::reverse(roots.begin(), roots.end());
  chart.roots() = std::move(roots);
}

namespace {

class LexicalisingStage : public ForestStage {
 public:
  LexicalisingStage(const Model& model, const RunConfig& config)
      : model_(model), config_(config) {}
  void apply(ParsedSentence& parsed) override {
    lexicalise_forest(parsed.chart, model_, config_);
  }

 private:
  const Model& model_;
  const RunConfig& config_;
};

}  // namespace

std::unique_ptr<ForestStage> make_lexicaliser(const Model& model, const RunConfig& config) {
  return std::make_unique<LexicalisingStage>(model, config);
}

}  // namespace velmo
