#include "lexmodel/merge.h"

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/diagnostics.h"
#include "base/text_input.h"
#include "grammar/grammar_reader.h"
#include "lexicon/lexicon.h"
#include "lexmodel/lex_model.h"
#include "lexmodel/lexicalised_frequency_files.h"

namespace velmo {
namespace {

using File = std::unique_ptr<FILE, int (*)(FILE*)>;

File open_text(const std::string& name) { return File(open_file(name, "rt"), &std::fclose); }

void progress(const RunConfig& config, const char* format, const std::string& name) {
  message_fmt(config, format, name.c_str());
}

// The lexicalised files name rules by their place among their mother's rules and words by their
// place in the lexicon: a set whose .gram or .lex has another order than the -in model's would
// put its counts on other rules and heads, so with lexicalised files it is refused.
constexpr const char* kOtherRuleOrder =
    "Rules in another order than in the grammar of the -in model (the lexicalised counts would "
    "go to other rules) in";
constexpr const char* kOtherWords =
    "Words other than those of the lexicon of the -in model (the lexicalised counts would go to "
    "other heads) in";

void add_rule_frequencies(const std::string& name, Model& model, bool same_order,
                          const RunConfig& config) {
  File in = open_text(name);
  RuleRef rule;
  double freq = 0;
  std::vector<int> next_rule(model.grammar.symbol_count(), 0);
  while (find_rule(in.get(), model.grammar, config, rule, freq)) {
    if (same_order && rule.rule != next_rule[rule.mother]++) fatal_error2(kOtherRuleOrder, name);
    model.grammar.data[rule.mother].rules[rule.rule].freq += freq;
  }
  check_read(in.get(), name);
}

// As the lexicon reader reports it: the field, then the file and the line.
double frequency_field(std::string_view field, const std::string& name, long line) {
  std::string text(field);
  char* end = nullptr;
  const double f = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(f) || f < 0) {
    std::fprintf(stderr, "Error at: %s\n", text.c_str());
    fatal_error2("Missing frequency in lexicon file " + name + " at line", std::to_string(line));
  }
  return f;
}

// Every reading "tag frequency [lemma]" of every line is added to the lexicon (words it does not
// know go to the open-class tables, as in training). A tag the grammar lacks, or a word that
// could go nowhere, stops the merge rather than vanish; with `same_words` the file must list the
// lexicon's words in its order.
void add_lexical_frequencies(const std::string& name, Model& model, bool same_words,
                             const RunConfig& config) {
  File in = open_text(name);
  std::string line;
  long line_number = 0;
  std::size_t words = 0;
  const std::vector<LexEntry>& entries = model.lexicon.entries;
  while (read_long_line(in.get(), line)) {
    ++line_number;
    std::string_view cursor(line);
    cursor = cursor.substr(0, cursor.find('\0'));
    const std::string word(next_field(cursor));
    if (word.empty()) continue;
    if (same_words && (words >= entries.size() || entries[words].word != word))
      fatal_error2(kOtherWords, name);
    ++words;
    if (model.lexicon.find_word(word) == nullptr && !model.lexicon.table_for(word).loaded)
      fatal_error2("Word without an entry or an open-class table in the -in model in " + name,
                   word);
    for (std::string_view tag_name = next_token(cursor); !tag_name.empty();
         tag_name = next_token(cursor)) {
      const double f = frequency_field(next_token(cursor), name, line_number);
      int lemma = -1;
      if (config.stems) lemma = model.lexicon.lemmas.index(next_field(cursor));
      const int tag = model.grammar.symbols.lookup(tag_name, LookupMode::kSilent, config);
      if (tag < 0) fatal_error2("Unknown grammar symbol in " + name, tag_name);
      add_lexical_frequency(model.lexicon, tag, word, lemma, f, config);
    }
  }
  check_read(in.get(), name);
  if (same_words && words != entries.size()) fatal_error2(kOtherWords, name);
}

// A file of "symbol number" pairs; each number is added where `target` says.
template <class Target>
void add_pairs(const std::string& name, Model& model, const char* head_mark_message,
               const RunConfig& config, Target target) {
  File in = open_text(name);
  std::string bytes;
  for (int c; (c = std::getc(in.get())) != EOF;) bytes.push_back(static_cast<char>(c));
  check_read(in.get(), name);
  std::string_view cursor(bytes);
  cursor = cursor.substr(0, cursor.find('\0'));
  for (long pair = 1;; ++pair) {
    const std::string_view symbol_name = next_token(cursor);
    if (symbol_name.empty()) return;
    bool marked = false;
    const int symbol = model.grammar.symbols.lookup(symbol_name, LookupMode::kFatal, config, &marked);
    if (marked) fatal_error_num(head_mark_message, pair);
    const std::string number(next_token(cursor));
    char* end = nullptr;
    const double f = std::strtod(number.c_str(), &end);
    if (number.empty() || *end != '\0' || !std::isfinite(f) || f < 0)
      fatal_error2("after reading", symbol_name);
    target(symbol, f);
  }
}

void add_open_class_pairs(const std::string& name, Model& model, OpenClassTable& table,
                          const RunConfig& config) {
  add_pairs(name, model, "head-quoted category in open class file at line", config,
            [&](int symbol, double f) {
              // Frequencies for a table this model does not have would vanish unseen.
              if (!table.loaded)
                fatal_error2("Open-class frequencies but no open-class table for them in", name);
              table.entries[symbol].freq += f;
            });
}

// A set's lexicalised files, read with every check of a -lexmodel run, added to the tables.
void add_lexicalised_rules(const std::string& name, const Model& model, HeadFrequencies& lex,
                           const RunConfig& config) {
  LexModel read;
  read.reset(model.grammar.symbol_count());
  read_lexicalised_rule_file(name, model, read, config);
  for (int m = 0; m < model.grammar.symbol_count(); ++m)
    for (const LexicalisedHead& h : read.rules[m])
      for (const LexicalisedRuleEntry& e : h.rules) lex.add_rule(h.head, m, e.rule, e.freq);
}

void add_lexical_choices(const std::string& name, const Model& model,
                         const PoolingClasses& pooling, HeadFrequencies& lex,
                         const RunConfig& config) {
  LexModel read;
  read_lexical_choice_file(name, model, pooling, read, config);
  for (const DaughterClassChoices& d : read.choices)
    for (const ParentClassChoices& p : d.parents)
      for (const ParentHeadChoices& h : p.heads)
        for (const HeadProbability& e : h.entries)
          lex.add_pooled_choice(p.parent_class, h.parent_head, d.daughter_class, e.head, e.freq);
}

void add_lexicalised_starts(const std::string& name, const Model& model, HeadFrequencies& lex,
                            const RunConfig& config) {
  LexModel read;
  read.reset(model.grammar.symbol_count());
  read_lexicalised_start_file(name, model, read, config);
  for (int c = 0; c < model.grammar.symbol_count(); ++c)
    for (const HeadProbability& e : read.starts[c].entries) lex.add_start(e.head, c, e.freq);
}

}  // namespace

void merge_frequency_files(Model& model, const PoolingClasses& pooling,
                           HeadFrequencies* lexicalised, const RunConfig& config) {
  const bool lexmodel = config.lexmodel && lexicalised != nullptr;
  if (lexmodel) {
    progress(config, "\n\treading lexicalised rule frequencies from %s...", config.lex_rule_file);
    add_lexicalised_rules(config.lex_rule_file, model, *lexicalised, config);
    progress(config, "finished\n\treading lexical choice frequencies from %s...",
             config.lex_choice_file);
    add_lexical_choices(config.lex_choice_file, model, pooling, *lexicalised, config);
    progress(config, "finished\n\treading lexicalised start frequencies from %s...",
             config.lex_start_file);
    add_lexicalised_starts(config.lex_start_file, model, *lexicalised, config);
  }
  for (const std::string& base : config.merge_files) {
    progress(config, "finished\n\tadding rule frequencies from %s...", base + ".gram");
    add_rule_frequencies(base + ".gram", model, lexmodel, config);
    progress(config, "finished\n\tadding lexical frequencies from %s...", base + ".lex");
    add_lexical_frequencies(base + ".lex", model, lexmodel, config);
    progress(config, "finished\n\tadding start frequencies from %s...", base + ".start");
    add_pairs(base + ".start", model, "head-quoted category in start file at line", config,
              [&](int symbol, double f) { model.grammar.data[symbol].start_freq += f; });
    progress(config, "finished\n\tadding open class frequencies from %s...", base + ".oc");
    add_open_class_pairs(base + ".oc", model, model.lexicon.open_class, config);
    progress(config, "finished\n\tadding upper-case open-class frequencies from %s...",
             base + ".OC");
    add_open_class_pairs(base + ".OC", model, model.lexicon.cap_open_class, config);
    if (!lexmodel) continue;
    progress(config, "finished\n\tadding lexicalised rule frequencies from %s...",
             base + ".lgram");
    add_lexicalised_rules(base + ".lgram", model, *lexicalised, config);
    progress(config, "finished\n\tadding lexical choice frequencies from %s...",
             base + ".lchoice");
    add_lexical_choices(base + ".lchoice", model, pooling, *lexicalised, config);
    progress(config, "finished\n\tadding lexicalised start frequencies from %s...",
             base + ".lstart");
    add_lexicalised_starts(base + ".lstart", model, *lexicalised, config);
    message(config, "finished\nstoring parameters...");
  }
}

}  // namespace velmo
