// Estimation of the unlexicalised model. Between the counting step and the normalisation the
// smoothed counts live in the probability fields; lexical counts and probabilities are kept in
// single precision, everything else in double.
#include "model/estimation.h"

#include <cmath>
#include <vector>

#include "base/diagnostics.h"
#include "model/wordwise_smoothing.h"

namespace velmo {

namespace {

bool is_open(const OpenClassTable& table, int symbol) {
  return table.loaded && table.entries[symbol].open;
}

// The open entries of both tables form one vector: per symbol the general table's count,
// then the capitalised table's.
std::vector<OpenClassEntry*> open_entries(Lexicon& lexicon, int symbol_count) {
  std::vector<OpenClassEntry*> open;
  for (int s = 0; s < symbol_count; ++s) {
    if (is_open(lexicon.open_class, s)) open.push_back(&lexicon.open_class.entries[s]);
    if (is_open(lexicon.cap_open_class, s)) open.push_back(&lexicon.cap_open_class.entries[s]);
  }
  return open;
}

// The tag entries of each tag, in word order.
std::vector<std::vector<TagEntry*>> readings_by_tag(Lexicon& lexicon, int symbol_count) {
  std::vector<std::vector<TagEntry*>> by_tag(symbol_count);
  for (LexEntry& entry : lexicon.entries)
    for (TagEntry& t : entry.tags) by_tag[t.tag].push_back(&t);
  return by_tag;
}

void smooth_open_classes(Model& model) {
  std::vector<OpenClassEntry*> open = open_entries(model.lexicon, model.grammar.symbol_count());
  std::vector<double> counts;
  for (const OpenClassEntry* e : open) counts.push_back(e->freq);
  smooth_frequencies(counts, nullptr, 0.0);
  for (std::size_t i = 0; i < open.size(); ++i) open[i]->prob = counts[i];
}

void smooth_lexicon(Model& model) {
  for (std::vector<TagEntry*>& readings :
       readings_by_tag(model.lexicon, model.grammar.symbol_count())) {
    std::vector<double> counts;
    for (const TagEntry* t : readings) counts.push_back(t->freq);
    smooth_frequencies(counts, nullptr, 0.0);
    for (std::size_t i = 0; i < readings.size(); ++i)
      readings[i]->prob = static_cast<float>(counts[i]);
  }
}

// Robustness rules count with their weight (see Grammar::estimation_freq).
void smooth_rules(Grammar& grammar) {
  for (SymbolData& symbol : grammar.data) {
    if (symbol.rules.empty()) continue;
    std::vector<double> counts;
    for (const Rule& r : symbol.rules) counts.push_back(grammar.estimation_freq(r));
    smooth_frequencies(counts, nullptr, 0.5);
    for (std::size_t i = 0; i < counts.size(); ++i) symbol.rules[i].prob = counts[i];
  }
}

void copy_raw_counts(Model& model) {
  for (OpenClassEntry* e : open_entries(model.lexicon, model.grammar.symbol_count()))
    e->prob = e->freq;
  for (LexEntry& entry : model.lexicon.entries)
    for (TagEntry& t : entry.tags) t.prob = static_cast<float>(t.freq);
  for (SymbolData& symbol : model.grammar.data)
    for (Rule& r : symbol.rules) r.prob = model.grammar.estimation_freq(r);
}

void count_events(Model& model, const RunConfig& config) {
  if (config.no_smoothing) {
    copy_raw_counts(model);
    return;
  }
  smooth_open_classes(model);
  if (config.wordwise_smoothing)
    smooth_wordwise(model.lexicon);
  else
    smooth_lexicon(model);
  smooth_rules(model.grammar);
}

// L(s): the counts of all of s's words, known and unknown.
std::vector<double> lexical_mass(const Lexicon& lexicon, int symbol_count) {
  std::vector<double> mass(symbol_count, 0.0);
  for (const LexEntry& entry : lexicon.entries)
    for (const TagEntry& t : entry.tags) mass[t.tag] += t.prob;
  for (int s = 0; s < symbol_count; ++s) {
    if (is_open(lexicon.open_class, s)) mass[s] += lexicon.open_class.entries[s].prob;
    if (is_open(lexicon.cap_open_class, s)) mass[s] += lexicon.cap_open_class.entries[s].prob;
  }
  return mass;
}

// Counts beyond the range of numbers (a float lexical count above 3.4e38, or a sum above
// 1.8e308) would make every probability of the symbol NaN.
void check_finite(double total, const Grammar& grammar, int symbol) {
  if (!std::isfinite(total)) fatal_error2("Frequencies too large for symbol", grammar.name(symbol));
}

double inverse(double x) { return x > 0.0 ? 1.0 / x : 0.0; }

// Both open-class tables share the tag's mass with its lexicon words.
void normalise_lexical(Lexicon& lexicon, const std::vector<double>& mass) {
  for (LexEntry& entry : lexicon.entries)
    for (TagEntry& t : entry.tags) t.prob = static_cast<float>(inverse(mass[t.tag]) * t.prob);
  for (OpenClassTable* table : {&lexicon.open_class, &lexicon.cap_open_class})
    for (int s = 0; s < static_cast<int>(mass.size()); ++s)
      if (is_open(*table, s)) table->entries[s].prob = inverse(mass[s]) * table->entries[s].prob;
}

// A symbol without rules and without words keeps nothing: its total is 0 and so is its share.
void normalise_rules(Grammar& grammar, const std::vector<double>& mass) {
  for (int s = 0; s < grammar.symbol_count(); ++s) {
    SymbolData& symbol = grammar.data[s];
    double total = mass[s];
    for (const Rule& r : symbol.rules) total += r.prob;
    check_finite(total, grammar, s);
    double inv_total = total != 0.0 ? 1.0 / total : 0.0;
    for (Rule& r : symbol.rules) r.prob = r.prob * inv_total;
    symbol.lex_share = mass[s] * inv_total;
  }
}

void normalise_start(Grammar& grammar) {
  double total = 0.0;
  for (int s = 0; s < grammar.symbol_count(); ++s) total += grammar.estimation_start_freq(s);
  if (total == 0.0) fatal_error("Start probabilities sum up to 0");
  if (!std::isfinite(total)) fatal_error("Start frequencies too large");
  double inv_total = 1.0 / total;
  for (int s = 0; s < grammar.symbol_count(); ++s)
    grammar.data[s].start_prob = grammar.estimation_start_freq(s) * inv_total;
}

void print_word_probabilities(FILE* out, const Model& model, const RunConfig& config) {
  std::fputs("\nWord Probabilities\n\n", out);
  for (const LexEntry& entry : model.lexicon.entries) {
    std::fputs(entry.word.c_str(), out);
    for (const TagEntry& t : entry.tags) {
      std::fprintf(out, "\t%s %g", model.grammar.name(t.tag).c_str(), t.prob);
      if (!config.stems || t.lemmas.empty()) continue;
      const char* separator = " (";
      for (const LemmaEntry& l : t.lemmas) {
        std::fprintf(out, "%s%s", separator, model.lexicon.lemmas.name(l.lemma).c_str());
        separator = " ";
      }
      std::fputs(")", out);
    }
    std::fputs("\n", out);
  }
}

void print_open_class_table(FILE* out, const Grammar& grammar, const OpenClassTable& table,
                            const char* title) {
  std::fputs(title, out);
  for (int s = 0; s < grammar.symbol_count(); ++s)
    if (table.entries[s].open)
      std::fprintf(out, "%g %s\n", table.entries[s].prob, grammar.name(s).c_str());
}

void print_open_class_probabilities(FILE* out, const Model& model) {
  const Lexicon& lexicon = model.lexicon;
  if (!lexicon.open_class.loaded) return;
  print_open_class_table(out, model.grammar, lexicon.open_class,
                         "\nOpen Class Probabilities\n\n");
  if (lexicon.cap_open_class.loaded)
    print_open_class_table(out, model.grammar, lexicon.cap_open_class,
                           "\nOpen Class Probabilities (upper case)\n\n");
}

void print_lexical_probabilities(FILE* out, const Model& model, const RunConfig& config) {
  print_word_probabilities(out, model, config);
  print_open_class_probabilities(out, model);
}

void print_rule_probabilities(FILE* out, const Grammar& grammar) {
  std::fputs("\nRule Probabilities\n\n", out);
  for (int s = 0; s < grammar.symbol_count(); ++s) {
    for (std::size_t r = 0; r < grammar.data[s].rules.size(); ++r) {
      std::fprintf(out, "%g ", grammar.data[s].rules[r].prob);
      print_rule(out, grammar, s, static_cast<int>(r), true);
      std::fputs("\n", out);
    }
  }
}

void print_start_probabilities(FILE* out, const Grammar& grammar) {
  std::fputs("\nStart Probabilities\n\n", out);
  for (int s = 0; s < grammar.symbol_count(); ++s)
    if (grammar.data[s].start_prob > 0.0)
      std::fprintf(out, "%g %s\n", grammar.data[s].start_prob, grammar.name(s).c_str());
  std::fputs("\n", out);
}

}  // namespace

void estimate_probabilities(Model& model, const RunConfig& config, FILE* listing) {
  Grammar& grammar = model.grammar;
  ++model.estimations;
  count_events(model, config);
  std::vector<double> mass = lexical_mass(model.lexicon, grammar.symbol_count());
  for (int s = 0; s < grammar.symbol_count(); ++s) check_finite(mass[s], grammar, s);
  normalise_lexical(model.lexicon, mass);
  if (listing) print_lexical_probabilities(listing, model, config);
  normalise_rules(grammar, mass);
  if (listing) print_rule_probabilities(listing, grammar);
  normalise_start(grammar);
  if (listing) print_start_probabilities(listing, grammar);
}

void print_model(FILE* out, const Model& model, const RunConfig& config) {
  print_lexical_probabilities(out, model, config);
  print_rule_probabilities(out, model.grammar);
  print_start_probabilities(out, model.grammar);
}

}  // namespace velmo
