#include "output/vpf_printer.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "output/forest_values.h"
#include "output/quote.h"
#include "parser/forest_walk.h"

namespace velmo {

namespace {

// Sorts every list of the forest and collects copies of the roots, best first. The copies
// (records of the chart's pool) share the analyses of their originals but count references and
// carry labels of their own.
struct Preparation : ForestVisitor<Preparation> {
  const ProbModel& pm;
  BlockPool& pool;
  std::vector<ForestNode*> roots;
  std::vector<PROB> root_scores;  // beside roots
  std::vector<std::pair<PROB, DaughterLink*>> links;
  std::vector<std::pair<PROB, ChartItem*>> analyses;

  Preparation(const ProbModel& pm, BlockPool& pool) : pm(pm), pool(pool) {}

  void item_after(ChartItem* item) {
    sort_by_value(item, [&](const DaughterLink* l) { return pm.link_value(l, item); }, links);
  }
  void node_after(ForestNode* node) {
    if (node->lexical) return;
    sort_by_value(node, [&](const ChartItem* i) { return pm.rule(i) * i->inside; }, analyses);
  }
  void root_after(ForestNode* root) {
    if (!root->lexical && !first_analysis(root)) return;
    ForestNode* copy = pool.make<ForestNode>();
    *copy = *root;
    const PROB score = pm.start(root) * root->inside;
    std::size_t place = 0;
    while (place < roots.size() && root_scores[place] > score) ++place;
    roots.insert(roots.begin() + static_cast<std::ptrdiff_t>(place), copy);
    root_scores.insert(root_scores.begin() + static_cast<std::ptrdiff_t>(place), score);
  }
};

// Counts how often each node will be written: once per root copy and once per link passed
// while expanding a node at its first visit. Previous items are not marked, so a prefix
// shared by several links is passed once per link.
class ReferenceCounter {
 public:
  explicit ReferenceCounter(uint16_t stamp) : stamp_(stamp) {}

  void count_root(ForestNode* root) {
    ++root->ref_count;
    expand(root);
  }

 private:
  void expand(ForestNode* node) {
    if (node->stamp == stamp_) return;
    node->stamp = stamp_;
    node->number = 0;
    for (ChartItem* item : analyses(node)) count_links(item);
  }
  void count_links(ChartItem* item) {
    for (DaughterLink* link : links(item)) {
      ++link->daughter->ref_count;
      expand(link->daughter);
      if (link->previous) count_links(link->previous);
    }
  }

  uint16_t stamp_;
};

bool is_ambiguous(const ForestNode* node) {
  if (first_analysis(node)->next_analysis) return true;
  for (const ChartItem* item = first_analysis(node); item; item = first_link(item)->previous) {
    if (first_link(item)->next) return true;
  }
  return false;
}

class VpfPrinter {
 public:
  VpfPrinter(FILE* out, const ParsedSentence& ctx, VpfState& state)
      : out_(out), ctx_(ctx), state_(state), kind_(vpf_value(ctx.config)) {}

  void print_node(ForestNode* node) {
    if (node->number != 0) {
      std::fprintf(out_, "#%ld ", static_cast<long>(node->number));
      return;
    }
    if (node->ref_count > 1) {
      node->number = static_cast<int32_t>(++state_.label_count);
      std::fprintf(out_, "#%ld=", static_cast<long>(node->number));
    }
    node->ref_count = 0;
    if (node->lexical) {
      print_lexical(node);
    } else if (first_analysis(node)) {
      print_alternatives(node);
    }
  }

 private:
  void print_lexical(const ForestNode* node) {
    std::fprintf(out_, "(%s", quoted(ctx_.model.grammar.name(node->category)).c_str());
    write_annotation(node_value(kind_, node, ctx_.probs), node->head);
    std::fprintf(out_, "%s)", quoted(node->word).c_str());
  }

  void print_alternatives(ForestNode* node) {
    bool ambiguous = is_ambiguous(node);
    bool first = true;
    if (ambiguous) std::fputc('{', out_);
    for (ChartItem* item : analyses(node)) {
      std::size_t from = path_.size();
      for_each_analysis(item, path_, [&] {
        if (!first) std::fputs("#i", out_);
        first = false;
        print_alternative(node, from);
      });
    }
    if (ambiguous) std::fputc('}', out_);
  }

  // The daughters of path_[from..] are last first; nested nodes use path_ above them.
  void print_alternative(ForestNode* node, std::size_t from) {
    std::fprintf(out_, "(%s", quoted(ctx_.model.grammar.name(node->category)).c_str());
    write_annotation(analysis_value(kind_, node, path_, from, ctx_), node->head);
    for (std::size_t i = path_.size(); i > from; --i) {
      print_node(path_[i - 1].link->daughter);
    }
    std::fputc(')', out_);
  }

  void write_annotation(PROB value, int head) {
    const RunConfig& config = ctx_.config;
    if (!config.lexicalise && kind_ == ForestValue::kNone) {
      std::fputc(' ', out_);
      return;
    }
    std::fputs("=#i[", out_);
    if (config.lexicalise) {
      std::fprintf(out_, "Head=%s ",
                   quoted(head_string(head, ctx_.model.lexicon, config)).c_str());
    }
    if (kind_ != ForestValue::kNone) {
      std::fprintf(out_, "%s=%.5g ", value_label(), value.value());
    }
    std::fputc(']', out_);
  }

  const char* value_label() const {
    const RunConfig& config = ctx_.config;
    if (config.freq) return "Freq";
    if (config.inside) return "InsideProb";
    if (config.outside) return "OutsideProb";
    return "ViterbiProb";
  }

  std::string quoted(std::string_view s) const { return quote_string(s, ctx_.config); }

  FILE* out_;
  const ParsedSentence& ctx_;
  VpfState& state_;
  ForestValue kind_;
  std::vector<AnalysisStep> path_;
};

}  // namespace

void print_vpf_forest(FILE* out, const ParsedSentence& ctx, VpfState& vpf) {
  Preparation preparation(ctx.pm, ctx.chart.pool());
  walk(ctx.chart, preparation);
  const std::vector<ForestNode*>& roots = preparation.roots;
  if (roots.empty()) {
    std::fputs("\"No parse for:\"=", out);
    print_sentence(out, ctx.sentence);
    std::fputc('\n', out);
    return;
  }
  ReferenceCounter counter(ctx.chart.next_stamp());
  for (ForestNode* root : roots) counter.count_root(root);
  VpfPrinter printer(out, ctx, vpf);
  if (roots.size() > 1) std::fputc('{', out);
  for (std::size_t i = 0; i < roots.size(); ++i) {
    if (i > 0) std::fputs("#i", out);
    printer.print_node(roots[i]);
  }
  if (roots.size() > 1) std::fputc('}', out);
  std::fputc('\n', out);
}

}  // namespace velmo
