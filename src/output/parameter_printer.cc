// -print-probs: the model parameters that the forest of a sentence uses, parents first.
#include "output/viterbi_printer.h"
#include "parser/forest_walk.h"

namespace velmo {

namespace {

struct ParameterDump : ForestVisitor<ParameterDump> {
  FILE* out;
  const OutputContext& ctx;

  ParameterDump(FILE* out, const OutputContext& ctx) : out(out), ctx(ctx) {}

  const Grammar& grammar() const { return ctx.model.grammar; }

  void root_before(ForestNode* root) {
    const SymbolData& data = grammar().data[root->category];
    std::fprintf(out, "P_start( %s ) = %g\n", grammar().name(root->category).c_str(),
                 data.start_prob);
  }

  void node_before(ForestNode* node) {
    if (node->lexical) {
      write_lexical(node);
      return;
    }
    for (const ChartItem* item = node->analyses; item; item = item->next_analysis) {
      std::fputs("P_rule( ", out);
      print_rule(out, grammar(), item->mother, item->rule, true);
      std::fprintf(out, " | %s ) = %g\n", grammar().name(item->mother).c_str(),
                   grammar().rule(item->mother, item->rule).prob);
    }
  }

  void write_lexical(const ForestNode* node) {
    const std::string& tag = grammar().name(node->category);
    double p = lexical_probability(grammar(), ctx.model.lexicon, node->word, node->category,
                                   ctx.config);
    std::fprintf(out, "P_lex( %s | %s ) = %g\n", node->word, tag.c_str(), p);
  }
};

}  // namespace

void print_parameters(FILE* out, const OutputContext& ctx) {
  ParameterDump dump(out, ctx);
  walk(ctx.chart, dump);
  std::fputc('\n', out);
  std::fflush(out);
}

}  // namespace velmo
