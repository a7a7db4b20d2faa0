// The default listing: one line per node, in the order of its number.
#include "output/forest_printer.h"

#include <memory>
#include <vector>

#include "base/diagnostics.h"
#include "output/forest_values.h"
#include "output/quote.h"
#include "output/vpf_printer.h"
#include "parser/forest_walk.h"
#include "parser/inside_outside.h"

namespace velmo {

namespace {

struct Numbering : ForestVisitor<Numbering> {
  int next = 0;
  void node_before(ForestNode* node) { node->number = next++; }
};

class ListingPrinter {
 public:
  ListingPrinter(FILE* out, const ParsedSentence& ctx)
      : out_(out), ctx_(ctx), kind_(listing_value(ctx.config)),
        preorder_(ctx.config.preorder), stamp_(ctx.chart.next_stamp()) {}

  void print_root(ForestNode* root) { print_node(root); }

 private:
  // Without -preorder the printed stamp decides; with it a node waits until its number is
  // next, which happens at its last reference from a printed parent.
  bool due(const ForestNode* node) const {
    if (preorder_) return node->number == next_;
    return node->stamp != stamp_;
  }

  void print_node(ForestNode* node) {
    if (!due(node)) return;
    node->stamp = stamp_;
    ++next_;
    write_line(node);
    for (ChartItem* item : analyses(node)) {
      print_daughters(item);
    }
  }

  // The order of the numbering walk: each link's previous item before its daughter.
  void print_daughters(ChartItem* item) {
    if (!preorder_) {
      if (item->stamp == stamp_) return;
      item->stamp = stamp_;
    }
    for (DaughterLink* link : links(item)) {
      if (link->previous) print_daughters(link->previous);
      print_node(link->daughter);
    }
  }

  void write_line(ForestNode* node) {
    const Grammar& grammar = ctx_.model.grammar;
    std::fprintf(out_, "\n%s %d %d", grammar.name(node->category).c_str(), node->start,
                 node->end);
    if (ctx_.config.heads) {
      std::string head = quote_string(head_string(node->head, ctx_.model.lexicon, ctx_.config),
                                      ctx_.config);
      std::fprintf(out_, " %s", head.c_str());
    }
    if (kind_ != ForestValue::kNone) {
      std::fprintf(out_, " %.5g", node_value(kind_, node, ctx_.probs).value());
    }
    std::fputc('\t', out_);
    if (node->lexical) {
      std::fprintf(out_, " %s %%", quote_string(node->word, ctx_.config).c_str());
    }
    for (ChartItem* item : analyses(node)) {
      write_analyses(node, item);
    }
    std::fputc('%', out_);
  }

  void write_analyses(const ForestNode* node, ChartItem* item) {
    int rule_number = ctx_.model.grammar.rule(item->mother, item->rule).number;
    std::size_t from = path_.size();
    for_each_analysis(item, path_, [&] {
      std::fprintf(out_, " %d", rule_number);
      if (kind_ != ForestValue::kNone) {
        std::fprintf(out_, " %.5g", analysis_value(kind_, node, path_, from, ctx_).value());
      }
      for (std::size_t i = path_.size(); i > from; --i) {
        std::fprintf(out_, " %ld", static_cast<long>(path_[i - 1].link->daughter->number));
      }
      std::fputs(" %", out_);
    });
  }

  FILE* out_;
  const ParsedSentence& ctx_;
  ForestValue kind_;
  bool preorder_;
  uint16_t stamp_;
  int next_ = 0;
  std::vector<AnalysisStep> path_;
};

void number_nodes(const ParsedSentence& ctx) {
  Numbering numbering;
  if (ctx.config.preorder) {
    top_down_walk(ctx.chart, numbering);
  } else {
    walk(ctx.chart, numbering);
  }
}

void print_listing(FILE* out, const ParsedSentence& ctx) {
  number_nodes(ctx);
  if (ctx.chart.roots().empty()) {
    std::fputs("No parse for: ", out);
    print_sentence(out, ctx.sentence);
    std::fputc('\n', out);
    return;
  }
  ListingPrinter printer(out, ctx);
  for (ForestNode* root : ctx.chart.roots()) printer.print_root(root);
  std::fputs("%\n\n", out);
}

}  // namespace

void print_forest(FILE* out, const ParsedSentence& ctx, VpfState& vpf) {
  if (ctx.config.vpf) {
    print_vpf_forest(out, ctx, vpf);
  } else {
    print_listing(out, ctx);
  }
  std::fflush(out);
}

namespace {

class ForestConsumer : public ForestStage {
 public:
  explicit ForestConsumer(FILE* out) : out_(out) {}
  void apply(ParsedSentence& parsed) override {
    const RunConfig& c = parsed.config;
    if (c.outside || c.freq) {
      compute_inside_outside(parsed.chart, parsed.pm, parsed.sentence, parsed.probs);
    } else if (c.inside) {
      compute_inside(parsed.chart, parsed.pm, parsed.sentence, parsed.probs);
    }
    if (c.viterbi_probs) compute_viterbi(parsed.chart, parsed.pm, parsed.probs);
    if (c.custom) throw FatalError("\nERROR: This is not a customised version of Velmo!\n");
    if (c.trees) {
      print_trees(out_, parsed);
    } else {
      print_forest(out_, parsed, vpf_);
    }
    if (c.timing)
      std::fprintf(out_, ">>> cpu time used for CFP: %.3f <<<\n", seconds_since(parsed.started));
  }

 private:
  FILE* out_;
  VpfState vpf_;
};

}  // namespace

std::unique_ptr<ForestStage> make_forest_printer(FILE* out) {
  return std::make_unique<ForestConsumer>(out);
}

}  // namespace velmo
