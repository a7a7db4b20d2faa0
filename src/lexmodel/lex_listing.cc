#include "lexmodel/lex_listing.h"

#include <string>

namespace velmo {

namespace {

std::string head_name(const Model& model, int head, const RunConfig& config) {
  return std::string(lexical_item_name(model.lexicon, head, config));
}

}  // namespace

void print_lexicalised_start(FILE* out, const Model& model, const LexModel& lex,
                             const RunConfig& config) {
  std::fputs("\nLexicalised Start Probabilities\n\n", out);
  for (int c = 0; c < model.grammar.symbol_count(); ++c) {
    if (!(model.grammar.data[c].start_prob > 0)) continue;
    const char* name = model.grammar.name(c).c_str();
    for (const HeadProbability& e : lex.starts[c].entries)
      std::fprintf(out, "P(\"%s\" | %s) = %g\n", head_name(model, e.head, config).c_str(), name,
                   e.prob);
    std::fprintf(out, "P(<other> | %s) = %g\n", name, lex.starts[c].unseen);
  }
  std::fputc('\n', out);
}

void print_lexical_choice(FILE* out, const Model& model, const LexModel& lex,
                          const PoolingClasses& pooling, const RunConfig& config) {
  std::fputs("\nLexical Choice Probabilities\n\n", out);
  for (const DaughterClassChoices& d : lex.choices) {
    const std::string& dn = pooling.child_class_name(model.grammar, d.daughter_class);
    std::fprintf(out, "Backoff_Prob(%s) = %g\n", dn.c_str(), d.unseen);
    for (const HeadProbability& e : d.entries)
      std::fprintf(out, "P(\"%s\" | %s) = %g\n", head_name(model, e.head, config).c_str(),
                   dn.c_str(), e.prob);
    for (const ParentClassChoices& p : d.parents) {
      const std::string& pn = pooling.parent_class_name(model.grammar, p.parent_class);
      for (const HeadProbability& e : p.entries)
        std::fprintf(out, "P(\"%s\" | %s %s) = %g\n", head_name(model, e.head, config).c_str(),
                     dn.c_str(), pn.c_str(), e.prob);
      for (const ParentHeadChoices& h : p.heads) {
        const std::string hn = head_name(model, h.parent_head, config);
        for (const HeadProbability& e : h.entries)
          std::fprintf(out, "P(\"%s\" | %s %s \"%s\") = %g\n",
                       head_name(model, e.head, config).c_str(), dn.c_str(), pn.c_str(),
                       hn.c_str(), e.prob);
      }
    }
  }
}

void print_lexicalised_rules(FILE* out, const Model& model, const LexModel& lex,
                             const RunConfig& config) {
  std::fputs("\nLexicalised Rule Probabilities\n\n", out);
  for (int m = 0; m < static_cast<int>(lex.rules.size()); ++m) {
    for (const LexicalisedHead& h : lex.rules[m]) {
      const std::string hn = head_name(model, h.head, config);
      for (const LexicalisedRuleEntry& r : h.rules) {
        std::fputs("P(", out);
        print_rule(out, model.grammar, m, r.rule, true);
        std::fprintf(out, "| \"%s\") = %g\n", hn.c_str(), r.prob);
      }
      std::fprintf(out, "backoff_factor(\"%s\") = %g\n", hn.c_str(), h.backoff);
    }
  }
  if (!config.stems) return;
  // The lemma probabilities go to standard output, whatever the listing's stream.
  std::fputs("\nLexicalised Word Probabilities\n\n", stdout);
  for (const LexEntry& entry : model.lexicon.entries)
    for (const TagEntry& t : entry.tags)
      for (const LemmaEntry& l : t.lemmas)
        std::fprintf(stdout, "P(\"%s\" | %s \"%s\") = %g\n", entry.word.c_str(),
                     model.grammar.name(t.tag).c_str(), model.lexicon.lemmas.name(l.lemma).c_str(),
                     l.prob);
}

void print_lexicalised_model(FILE* out, const Model& model, const LexicalisedModel& lexicalised,
                             const RunConfig& config) {
  const LexModel& lex = lexicalised.lex;
  const PoolingClasses& pooling = lexicalised.pooling;
  print_lexicalised_start(out, model, lex, config);
  print_lexical_choice(out, model, lex, pooling, config);
  print_lexicalised_rules(out, model, lex, config);
}

}  // namespace velmo
