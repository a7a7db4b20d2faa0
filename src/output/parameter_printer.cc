// -print-probs: the model parameters that the forest of a sentence uses, parents first.
#include <memory>
#include <string>

#include "base/diagnostics.h"
#include "output/viterbi_printer.h"
#include "parser/forest_walk.h"

namespace velmo {

namespace {

// With -lexmodel the values are those of the lexicalised lookups that the probability passes
// use, taken from the same ProbModel.
struct ParameterDump : ForestVisitor<ParameterDump> {
  FILE* out;
  const ParsedSentence& ctx;
  const LexicalisedProbabilities* lexicalised;

  ParameterDump(FILE* out, const ParsedSentence& ctx)
      : out(out), ctx(ctx), lexicalised(ctx.pm.lexicalised()) {}

  const Grammar& grammar() const { return ctx.model.grammar; }
  const char* name(int symbol) const { return grammar().name(symbol).c_str(); }
  std::string head(int id) const {
    return std::string(lexical_item_name(ctx.model.lexicon, id, ctx.config));
  }

  void root_before(ForestNode* root) {
    std::fprintf(out, "P_start( %s ) = %g\n", name(root->category),
                 grammar().data[root->category].start_prob);
    if (lexicalised)
      std::fprintf(out, "P_lstart( %s | %s ) = %g\n", head(root->head).c_str(),
                   name(root->category), lexicalised->start(root->category, root->head));
  }

  void node_before(ForestNode* node) {
    if (node->lexical) {
      write_lexical(node);
      return;
    }
    for (const ChartItem* item : analyses(node)) {
      std::fputs(lexicalised ? "P_lrule( " : "P_rule( ", out);
      print_rule(out, grammar(), item->mother, item->rule, true);
      if (lexicalised)
        std::fprintf(out, " | %s %s ) = %g\n", name(item->mother), head(node->head).c_str(),
                     lexicalised->rule(item->mother, item->rule, item->head));
      else
        std::fprintf(out, " | %s ) = %g\n", name(item->mother),
                     grammar().rule(item->mother, item->rule).prob);
    }
  }

  // The lexical choices of the links that add a non-head daughter.
  void item_before(ChartItem* item) {
    if (!lexicalised || item->dot - 1 == grammar().rule(item->mother, item->rule).head) return;
    for (const DaughterLink* l : links(item)) {
      const ForestNode* d = l->daughter;
      std::fprintf(out, "P_choice( %s | %s %s %s ) = %g\n", head(d->head).c_str(),
                   name(d->category), name(item->mother), head(item->head).c_str(),
                   lexicalised->choice(d->head, d->category, item->mother, item->head));
    }
  }

  void write_lexical(const ForestNode* node) {
    if (lexicalised) {
      std::fprintf(out, "P_lex( %s | %s %s ) = %g\n", node->word, name(node->category),
                   head(node->head).c_str(),
                   lexicalised->word(node->word, node->category, node->head));
      return;
    }
    double p = lexical_probability(grammar(), ctx.model.lexicon, node->word, node->category,
                                   ctx.config);
    std::fprintf(out, "P_lex( %s | %s ) = %g\n", node->word, name(node->category), p);
  }
};

}  // namespace

void print_parameters(FILE* out, const ParsedSentence& ctx) {
  ParameterDump dump(out, ctx);
  walk(ctx.chart, dump);
  std::fputc('\n', out);
  std::fflush(out);
}

namespace {

class ParameterStage : public ForestStage {
 public:
  explicit ParameterStage(const std::string& file)
      : out_(file == "-" ? stdout : open_file(file, "wt")) {}
  ~ParameterStage() override {
    if (out_ != stdout) std::fclose(out_);
  }
  ParameterStage(const ParameterStage&) = delete;
  ParameterStage& operator=(const ParameterStage&) = delete;

  void apply(ParsedSentence& parsed) override { print_parameters(out_, parsed); }
  void finish() override {
    if (std::fflush(out_) != 0 || std::ferror(out_)) fatal_error("Can't write to output file");
  }

 private:
  FILE* out_;
};

}  // namespace

std::unique_ptr<ForestStage> make_parameter_printer(const std::string& file) {
  return std::make_unique<ParameterStage>(file);
}

}  // namespace velmo
