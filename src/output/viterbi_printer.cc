// The best parse: selection by Viterbi values and the bracketed tree of -viterbi / -viterbi1.
#include "output/viterbi_printer.h"

#include <algorithm>
#include <memory>

#include "output/quote.h"
#include "parser/forest_walk.h"
#include "parser/inside_outside.h"

namespace velmo {

namespace {

// Each node and item is selected once (stamped), which also stops at cycles.
class BestParseSelector {
 public:
  BestParseSelector(const ProbModel& pm, uint16_t stamp) : pm_(pm), stamp_(stamp) {}

  void select_node(ForestNode* node) {
    if (node->stamp == stamp_) return;
    node->stamp = stamp_;
    if (node->lexical || !first_analysis(node)) return;
    // As in the Viterbi pass, a later analysis wins only when strictly better.
    auto value = [&](const ChartItem* i) { return pm_.rule(i) * i->inside; };
    ChartItem* best = move_best_to_front(node, value);
    select_item(best);
  }

 private:
  void select_item(ChartItem* item) {
    if (item->stamp == stamp_ || !first_link(item)) return;
    item->stamp = stamp_;
    // The values the Viterbi pass maximised, lexical-choice probabilities included.
    DaughterLink* best =
        move_best_to_front(item, [&](const DaughterLink* l) { return pm_.link_value(l, item); });
    select_node(best->daughter);
    if (best->previous) select_item(best->previous);
  }

  const ProbModel& pm_;
  uint16_t stamp_;
};

class ViterbiTreePrinter {
 public:
  ViterbiTreePrinter(FILE* out, const ParsedSentence& ctx)
      : out_(out), ctx_(ctx), open_stamp_(ctx.chart.next_stamp()) {}

  void print_node(ForestNode* node) {
    const RunConfig& config = ctx_.config;
    bool multi_line = config.viterbi == 2;
    if (multi_line && depth_ > 0) std::fprintf(out_, "\n%*s", 2 * depth_, "");
    ++depth_;
    const std::string& category = ctx_.model.grammar.name(node->category);
    std::fprintf(out_, "(%s ",
                 config.tgrep ? category.c_str() : quote_string(category, config).c_str());
    if (config.heads) {
      std::fprintf(out_, "(HEAD_ %s) ",
                   quote_string(head_string(node->head, ctx_.model.lexicon, config), config)
                       .c_str());
    }
    if (config.viterbi_probs) std::fprintf(out_, "(PROB_ %g) ", node->inside.value());
    print_contents(node);
    std::fputc(')', out_);
    --depth_;
  }

 private:
  // A node met again on its own path (a cycle with zero values) is left empty.
  void print_contents(ForestNode* node) {
    if (node->lexical) {
      std::fputs(quote_string(node->word, ctx_.config).c_str(), out_);
      return;
    }
    for_each_best_daughter(node, open_stamp_, [this](ForestNode* d) { print_node(d); });
  }

  FILE* out_;
  const ParsedSentence& ctx_;
  uint16_t open_stamp_;
  int depth_ = 0;
};

}  // namespace

ForestNode* select_best_parse(const ParsedSentence& ctx) {
  BestParseSelector selector(ctx.pm, ctx.chart.next_stamp());
  ForestNode* best = nullptr;
  PROB best_score;
  for (ForestNode* root : ctx.chart.roots()) {
    selector.select_node(root);
    PROB score = ctx.pm.start(root) * root->inside;
    if (!best || score > best_score) {
      best = root;
      best_score = score;
    }
  }
  return best;
}

void first_analysis_daughters(const ForestNode* node, std::vector<ForestNode*>& daughters) {
  daughters.clear();
  if (node->lexical || !first_analysis(node)) return;
  for (const ChartItem* item = first_analysis(node); item && first_link(item);
       item = first_link(item)->previous) {
    daughters.push_back(first_link(item)->daughter);
  }
  std::reverse(daughters.begin(), daughters.end());
}

void print_viterbi_tree(FILE* out, const ParsedSentence& ctx) {
  ForestNode* best = select_best_parse(ctx);
  if (!best) {
    std::fputs("No parse for: ", out);
    print_sentence(out, ctx.sentence);
    std::fputc('\n', out);
  } else {
    ViterbiTreePrinter(out, ctx).print_node(best);
    std::fputs(ctx.config.viterbi == 2 ? "\n\n" : "\n", out);
  }
  std::fflush(out);
}

namespace {

class ViterbiConsumer : public ForestStage {
 public:
  explicit ViterbiConsumer(FILE* out) : out_(out) {}
  void apply(ParsedSentence& parsed) override {
    compute_viterbi(parsed.chart, parsed.pm, parsed.probs);
    if (parsed.config.tagging) {
      print_viterbi_tags(out_, parsed);
    } else {
      print_viterbi_tree(out_, parsed);
    }
    if (parsed.config.timing) {
      std::fprintf(out_, ">>> cpu time used for CFP: %.3f <<<\n\n",
                   seconds_since(parsed.started));
    }
  }

 private:
  FILE* out_;
};

}  // namespace

std::unique_ptr<ForestStage> make_viterbi_printer(FILE* out) {
  return std::make_unique<ViterbiConsumer>(out);
}

}  // namespace velmo
