#include "lexmodel/lex_model.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

#include "base/diagnostics.h"
#include "base/text_input.h"
#include "model/estimation.h"

namespace velmo {

void LexModel::reset(int symbol_count) {
  starts.assign(symbol_count, LexicalisedStart{});
  rules.assign(symbol_count, {});
  choices.clear();
}

// ---------------------------------------------------------------- smoothing

namespace {

// The class of a frequency: 0 below 0.9, 1 below 1.9, 2 below 2.9 (1 - 0.9 in double is
// 0.09999999999999998).
// Kept in double: a frequency may be far beyond the range of int.
double frequency_class(double v) { return std::trunc(v + 0.09999999999999998); }

// What the smoothed values leave of 1 goes to the largest value, when it can take it.
void correct_rounding(std::vector<double>& v, double n0, double p0) {
  double rest = 1.0 - n0 * p0;
  for (double x : v) rest -= x;
  if (rest >= 0 || v.empty()) return;
  size_t largest = 0;
  for (size_t i = 1; i < v.size(); ++i)
    if (v[i] > v[largest]) largest = i;
  if (v[largest] > -rest) v[largest] += rest;
}

// Absolute discounting; false (values untouched) when its unseen share would exceed the
// smallest seen value.
bool discount(std::vector<double>& v, double n0, double n1, double n2, double total, double& p0) {
  const double d = n1 / (n1 + 2 * n2);
  std::vector<double> discounted = v;
  double mass = 0, smallest = 1e300;
  for (double& x : discounted) {
    if (x < 0.9) {
      mass += x;
      x = 0;
    } else {
      mass += d;
      x -= d;
      smallest = std::min(smallest, x);
    }
  }
  if (!(2 * mass / n0 < smallest)) return false;
  for (double& x : discounted) x /= total;
  v = std::move(discounted);
  p0 = mass / (total * n0);
  return true;
}

}  // namespace

double smooth(std::vector<double>& v, int unseen) {
  double n0 = std::max(unseen, 0), n1 = 0, n2 = 0, total = 0;
  for (double x : v) {
    const double k = frequency_class(x);
    if (k == 0) ++n0;
    if (k == 1) ++n1;
    if (k == 2) ++n2;
    total += x;
  }
  double p0 = 0;
  if (n0 > 0 && total > 0 && n1 > 0 && n2 > 0 && discount(v, n0, n1, n2, total, p0)) return p0;
  // Additive fallback: every value below 0.9 counts as unseen and shares 0.001 per event.
  double seen = 0;
  for (double& x : v) {
    if (x < 0.9) x = 0;
    seen += x;
  }
  const double denominator = 0.001 * n0 + seen;
  const double f = denominator > 0 ? 1.0 / denominator : 0.0;
  for (double& x : v) x *= f;
  p0 = n0 > 0 ? 0.001 * f : 0.0;
  correct_rounding(v, n0, p0);
  return p0;
}

namespace {

const HeadProbability* find_head(const HeadDistribution& d, int head) {
  auto it = std::lower_bound(d.begin(), d.end(), head,
                             [](const HeadProbability& e, int h) { return e.head < h; });
  return it != d.end() && it->head == head ? &*it : nullptr;
}

// Sorted records: the one with `id`, or null.
template <class Record, class Id>
const Record* find_record(const std::vector<Record>& records, int id, Id id_of) {
  auto it = std::lower_bound(records.begin(), records.end(), id,
                             [&](const Record& r, int key) { return id_of(r) < key; });
  return it != records.end() && id_of(*it) == id ? &*it : nullptr;
}

}  // namespace

double backoff_sum(const HeadDistribution& specific, const HeadDistribution& general) {
  double sum = 1.0;
  for (const HeadProbability& e : specific)
    if (const HeadProbability* g = find_head(general, e.head)) sum -= g->prob;
  if (sum < 0 && sum > -0.00001) return 0.0;
  if (sum < 0) fatal_error("internal error in function backoff_sum");
  return sum;
}

// ---------------------------------------------------------------- head counting

namespace {

int head_count_of(const Grammar& grammar, const PoolingClasses& pooling, int id) {
  if (id < grammar.symbol_count()) return grammar.data[id].head_count;
  const size_t c = static_cast<size_t>(id - grammar.symbol_count());
  return c < pooling.child_head_counts.size() ? pooling.child_head_counts[c] : 0;
}

}  // namespace

void count_heads(Model& model, PoolingClasses& pooling, const RunConfig& config) {
  message(config, "finished\ncomputing the number of heads...");
  Grammar& grammar = model.grammar;
  const Lexicon& lexicon = model.lexicon;
  const int symbols = grammar.symbol_count();
  // Head ids: the lexical items, and one more for any unknown word when there are open classes
  // or words that head as unknown (-rare-heads); such a word is that one head.
  const bool rare_words = std::find(lexicon.unknown_head.begin(), lexicon.unknown_head.end(),
                                    true) != lexicon.unknown_head.end();
  const int items =
      lexical_item_count(lexicon, config) + (lexicon.open_class.loaded || rare_words ? 1 : 0);
  std::vector<std::vector<bool>> heads(symbols, std::vector<bool>(items, false));
  for (int w = 0; w < static_cast<int>(lexicon.entries.size()); ++w) {
    for (const TagEntry& t : lexicon.entries[w].tags) {
      if (lexicon.heads_as_unknown(w)) {
        heads[t.tag][items - 1] = true;
        continue;
      }
      if (!config.stems) heads[t.tag][w] = true;
      for (const LemmaEntry& l : t.lemmas)
        if (config.stems) heads[t.tag][l.lemma] = true;
    }
  }
  if (lexicon.open_class.loaded) {
    for (int s = 0; s < symbols; ++s) {
      bool open = lexicon.open_class.entries[s].open ||
                  (lexicon.cap_open_class.loaded && lexicon.cap_open_class.entries[s].open);
      if (open) heads[s][items - 1] = true;
    }
  }
  // A mother has every head of its head daughters, to a fixed point.
  std::vector<std::pair<int, int>> pairs;
  for (int m = 0; m < symbols; ++m)
    for (const Rule& r : grammar.data[m].rules)
      if (r.head >= 0) pairs.emplace_back(m, r.daughters[r.head]);
  std::sort(pairs.begin(), pairs.end());
  pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
  for (bool changed = true; changed;) {
    changed = false;
    for (const auto& [m, g] : pairs) {
      if (m == g) continue;
      for (int h = 0; h < items; ++h) {
        if (heads[g][h] && !heads[m][h]) {
          heads[m][h] = true;
          changed = true;
        }
      }
    }
  }
  for (int s = 0; s < symbols; ++s)
    grammar.data[s].head_count = static_cast<int>(std::count(heads[s].begin(), heads[s].end(), true));
  if (pooling.child_names.empty()) return;
  std::vector<std::vector<bool>> class_heads(pooling.child_names.size(),
                                             std::vector<bool>(items, false));
  for (int s = 0; s < symbols; ++s) {
    const int pool = grammar.data[s].child_pool;
    if (pool == s) continue;
    for (int h = 0; h < items; ++h)
      if (heads[s][h]) class_heads[pool - symbols][h] = true;
  }
  pooling.child_head_counts.assign(pooling.child_names.size(), 0);
  for (size_t c = 0; c < class_heads.size(); ++c)
    pooling.child_head_counts[c] =
        static_cast<int>(std::count(class_heads[c].begin(), class_heads[c].end(), true));
}

// ---------------------------------------------------------------- estimation

namespace {

std::vector<double> frequencies_of(const HeadDistribution& d) {
  std::vector<double> v;
  v.reserve(d.size());
  for (const HeadProbability& e : d) v.push_back(e.freq);
  return v;
}

// Smooths a distribution against `events` possible heads; entries that get 0 are removed.
// Returns the probability of each unseen head.
double smooth_distribution(HeadDistribution& d, int events) {
  std::vector<double> v = frequencies_of(d);
  const double p0 = smooth(v, events - static_cast<int>(d.size()));
  for (size_t i = 0; i < d.size(); ++i) d[i].prob = v[i];
  d.erase(std::remove_if(d.begin(), d.end(), [](const HeadProbability& e) { return e.prob == 0; }),
          d.end());
  return p0;
}

// The factor that spreads p0 over the heads this level does not list, in proportion to their
// share one level up; 0 when nothing is left for them.
double backoff_factor(double p0, int events, const HeadDistribution& d,
                      const HeadDistribution& general) {
  if (p0 == 0) return 0.0;
  const double sum = backoff_sum(d, general);
  return sum > 0 ? p0 * (events - static_cast<double>(d.size())) / sum : 0.0;
}

// Entries of several distributions added up per head (single precision), ascending.
HeadDistribution merged(std::vector<HeadProbability> all) {
  std::stable_sort(all.begin(), all.end(),
                   [](const HeadProbability& a, const HeadProbability& b) { return a.head < b.head; });
  HeadDistribution result;
  for (const HeadProbability& e : all) {
    if (!result.empty() && result.back().head == e.head)
      result.back().freq += e.freq;
    else
      result.push_back({e.head, e.freq, 0.0});
  }
  return result;
}

void estimate_lexicalised_start(const Model& model, LexModel& lex, const RunConfig& config) {
  const Grammar& grammar = model.grammar;
  for (int c = 0; c < grammar.symbol_count(); ++c) {
    LexicalisedStart& start = lex.starts[c];
    if (config.no_smoothing) {
      float sum = 0;
      for (const HeadProbability& e : start.entries) sum += e.freq;
      for (HeadProbability& e : start.entries)
        e.prob = sum != 0 ? static_cast<float>(1.0f / sum * e.freq) : 0.0f;
      continue;
    }
    if (!(grammar.data[c].start_prob > 0)) continue;
    const int heads = grammar.data[c].head_count;
    if (start.entries.empty()) {
      start.unseen = heads > 0 ? 1.0 / heads : 0.0;
      continue;
    }
    start.unseen = smooth_distribution(start.entries, heads);
  }
}

void estimate_lexical_choice(LexModel& lex, const Grammar& grammar, const PoolingClasses& pooling) {
  for (DaughterClassChoices& d : lex.choices) {
    std::vector<HeadProbability> all_parents;
    for (ParentClassChoices& p : d.parents) {
      std::vector<HeadProbability> all_heads;
      for (const ParentHeadChoices& h : p.heads)
        all_heads.insert(all_heads.end(), h.entries.begin(), h.entries.end());
      p.entries = merged(std::move(all_heads));
      all_parents.insert(all_parents.end(), p.entries.begin(), p.entries.end());
    }
    d.entries = merged(std::move(all_parents));
    const int events = head_count_of(grammar, pooling, d.daughter_class);
    d.unseen = smooth_distribution(d.entries, events);
    for (ParentClassChoices& p : d.parents) {
      double p0 = smooth_distribution(p.entries, events);
      p.backoff = backoff_factor(p0, events, p.entries, d.entries);
      for (ParentHeadChoices& h : p.heads) {
        p0 = smooth_distribution(h.entries, events);
        h.backoff = backoff_factor(p0, events, h.entries, p.entries);
      }
    }
  }
}

void estimate_lexical_choice_unsmoothed(LexModel& lex) {
  for (DaughterClassChoices& d : lex.choices) {
    d.unseen = 0;
    d.entries.clear();
    for (ParentClassChoices& p : d.parents) {
      p.backoff = 0;
      p.entries.clear();
      for (ParentHeadChoices& h : p.heads) {
        h.backoff = 0;
        double sum = 0;
        for (const HeadProbability& e : h.entries) sum += e.freq;
        for (HeadProbability& e : h.entries) e.prob = sum > 0 ? e.freq / sum : 0.0;
      }
    }
  }
}

// One item of the rule work list: a lexicalised rule event or a word reading.
struct WorkItem {
  int mother, head, kind, index;  // kind 0: rule index; kind 1: word id
  float freq;
  auto key() const { return std::tie(mother, head, kind, index); }
};

// A lexicalised rule event counts as its rule does: a robustness rule's frequency is weighted,
// in the single precision of the tables, which a weighted frequency must not outgrow.
float estimation_freq(const Grammar& grammar, int mother, const LexicalisedRuleEntry& entry) {
  const Rule& rule = grammar.rule(mother, entry.rule);
  if (!rule.robust || grammar.rob_rule_weight == 1.0) return entry.freq;
  const double weighted = entry.freq * grammar.rob_rule_weight;
  if (!(weighted <= std::numeric_limits<float>::max()))
    fatal_error2("Frequencies too large for symbol", grammar.name(mother));
  return static_cast<float>(weighted);
}

std::vector<WorkItem> build_rule_work_list(const Model& model, const LexModel& lex,
                                           const RunConfig& config) {
  std::vector<WorkItem> items;
  for (int m = 0; m < static_cast<int>(lex.rules.size()); ++m)
    for (const LexicalisedHead& h : lex.rules[m])
      for (const LexicalisedRuleEntry& r : h.rules)
        items.push_back({m, h.head, 0, r.rule, estimation_freq(model.grammar, m, r)});
  const std::vector<LexEntry>& entries = model.lexicon.entries;
  for (int w = 0; w < static_cast<int>(entries.size()); ++w) {
    for (const TagEntry& t : entries[w].tags) {
      if (!config.stems) items.push_back({t.tag, w, 1, w, static_cast<float>(t.freq)});
      for (const LemmaEntry& l : t.lemmas)
        if (config.stems) items.push_back({t.tag, l.lemma, 1, w, static_cast<float>(l.freq)});
    }
  }
  std::sort(items.begin(), items.end(),
            [](const WorkItem& a, const WorkItem& b) { return a.key() < b.key(); });
  return items;
}

LexicalisedHead* find_head_record(LexModel& lex, int mother, int head) {
  return const_cast<LexicalisedHead*>(find_record(
      lex.rules[mother], head, [](const LexicalisedHead& h) { return h.head; }));
}

TagEntry* find_reading(Model& model, int word, int tag) {
  for (TagEntry& t : model.lexicon.entries[word].tags)
    if (t.tag == tag) return &t;
  return nullptr;
}

void set_lemma_probability(Model& model, int word, int tag, int lemma, double p) {
  if (TagEntry* t = find_reading(model, word, tag))
    for (LemmaEntry& l : t->lemmas)
      if (l.lemma == lemma) l.prob = p;
}

// The rules of one (mother, head) group, smoothed together with the group's words as one more
// event when the mother is also a tag.
void estimate_rule_group(const Model& model, LexicalisedHead& record,
                         const std::vector<const WorkItem*>& rules, double words) {
  const SymbolData& mother = model.grammar.data[rules.front()->mother];
  const bool tag = mother.lex_share > 0;
  std::vector<double> v;
  for (const WorkItem* r : rules) v.push_back(r->freq);
  if (tag) v.push_back(words);
  const int unseen = static_cast<int>(mother.rules.size()) - static_cast<int>(rules.size());
  const double p0 = smooth(v, unseen);
  double covered = 1.0;
  int unseen_events = std::max(unseen, 0);
  for (size_t i = 0; i < rules.size(); ++i) {
    for (LexicalisedRuleEntry& e : record.rules)
      if (e.rule == rules[i]->index) e.prob = v[i];
    if (v[i] > 0)
      covered -= mother.rules[rules[i]->index].prob;
    else
      ++unseen_events;
  }
  const double word_share = tag ? v.back() : 0.0;
  if (tag && word_share > 0) covered -= mother.lex_share;
  if (tag && word_share == 0) ++unseen_events;
  record.backoff = unseen_events == 0 || covered <= 0 ? 0.0 : p0 * unseen_events / covered;
  record.lexical = word_share > 0 ? word_share : mother.lex_share * record.backoff;
  std::erase_if(record.rules, [](const LexicalisedRuleEntry& e) { return e.prob == 0; });
}

void estimate_word_group(Model& model, const std::vector<const WorkItem*>& words,
                         const RunConfig& config) {
  std::vector<double> v;
  for (const WorkItem* w : words) v.push_back(w->freq);
  const double p0 = smooth(v, 0);
  if (!config.stems) return;
  for (size_t j = 0; j < words.size(); ++j)
    set_lemma_probability(model, words[j]->index, words[j]->mother, words[j]->head,
                          v[j] > 0 ? v[j] : p0);
}

void estimate_unsmoothed_group(Model& model, LexicalisedHead* record,
                               const std::vector<const WorkItem*>& rules,
                               const std::vector<const WorkItem*>& words, double l,
                               const RunConfig& config) {
  if (record && !rules.empty()) {
    double sum = l;
    for (const WorkItem* r : rules) sum += r->freq;
    const double f = sum > 0 ? 1.0 / sum : 0.0;
    const int mother = rules.front()->mother;
    for (LexicalisedRuleEntry& e : record->rules)
      e.prob = f * estimation_freq(model.grammar, mother, e);
    record->lexical = f * l;
    record->backoff = 0;
  }
  for (const WorkItem* w : words) {
    if (config.stems) {
      set_lemma_probability(model, w->index, w->mother, w->head, l > 0 ? w->freq / l : 0.0);
    } else if (TagEntry* t = find_reading(model, w->index, w->mother)) {
      t->prob = l > 0 ? static_cast<float>(1.0f / static_cast<float>(l) * w->freq) : 0.0f;
    }
  }
}

void estimate_lexicalised_rules(Model& model, LexModel& lex, const RunConfig& config) {
  const std::vector<WorkItem> items = build_rule_work_list(model, lex, config);
  for (size_t begin = 0; begin < items.size();) {
    size_t end = begin;
    std::vector<const WorkItem*> rules, words;
    double l = 0;
    while (end < items.size() && items[end].mother == items[begin].mother &&
           items[end].head == items[begin].head) {
      if (items[end].kind == 0) {
        rules.push_back(&items[end]);
      } else {
        words.push_back(&items[end]);
        l += items[end].freq;
      }
      ++end;
    }
    LexicalisedHead* record = find_head_record(lex, items[begin].mother, items[begin].head);
    if (config.no_smoothing) {
      estimate_unsmoothed_group(model, record, rules, words, l, config);
    } else {
      if (record && !rules.empty()) estimate_rule_group(model, *record, rules, l);
      if (!words.empty()) estimate_word_group(model, words, config);
    }
    begin = end;
  }
}

// ---------------------------------------------------------------- printing

std::string head_name(const Model& model, int head, const RunConfig& config) {
  return std::string(lexical_item_name(model.lexicon, head, config));
}

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

}  // namespace

void print_lexicalised_model(FILE* out, const Model& model, const LexModel& lex,
                             const PoolingClasses& pooling, const RunConfig& config) {
  print_lexicalised_start(out, model, lex, config);
  print_lexical_choice(out, model, lex, pooling, config);
  print_lexicalised_rules(out, model, lex, config);
}

void estimate_lexicalised_model(Model& model, LexModel& lex, const PoolingClasses& pooling,
                                const RunConfig& config, FILE* listing) {
  message(config, "\n\testimating unlexicalised model parameters...");
  estimate_probabilities(model, config, listing);
  message(config, "finished\n\testimating lexicalised start probabilities...");
  estimate_lexicalised_start(model, lex, config);
  if (listing) print_lexicalised_start(listing, model, lex, config);
  message(config, "finished\n\testimating lexical choice probabilities...");
  if (config.no_smoothing)
    estimate_lexical_choice_unsmoothed(lex);
  else
    estimate_lexical_choice(lex, model.grammar, pooling);
  if (listing) print_lexical_choice(listing, model, lex, pooling, config);
  message(config, "finished\n\testimating lexicalised rule probabilities...");
  estimate_lexicalised_rules(model, lex, config);
  if (listing) print_lexicalised_rules(listing, model, lex, config);
}

// ---------------------------------------------------------------- lookups

int LexicalisedLookups::head_count(int id) const {
  return head_count_of(model_.grammar, pooling_, id);
}

double LexicalisedLookups::start(int category, int head) const {
  const LexicalisedStart& s = lex_.starts[category];
  const HeadProbability* e = find_head(s.entries, head);
  return e ? e->prob : s.unseen;
}

double LexicalisedLookups::rule(int mother, int rule, int head) const {
  const double unlexicalised = model_.grammar.rule(mother, rule).prob;
  const LexicalisedHead* h =
      find_record(lex_.rules[mother], head, [](const LexicalisedHead& r) { return r.head; });
  if (!h) return unlexicalised;
  const LexicalisedRuleEntry* e = find_record(
      h->rules, rule, [](const LexicalisedRuleEntry& r) { return static_cast<int>(r.rule); });
  if (e && e->prob > 0) return e->prob;
  return unlexicalised * h->backoff;
}

double LexicalisedLookups::lexical(int category, int head) const {
  const LexicalisedHead* h =
      find_record(lex_.rules[category], head, [](const LexicalisedHead& r) { return r.head; });
  return h ? h->lexical : model_.grammar.data[category].lex_share;
}

double LexicalisedLookups::word(std::string_view word, int category, int head) const {
  double p = lexical(category, head);
  if (head == -1 && config_.rare_heads > 0) p *= unknown_shape(word, category);
  if (!config_.stems) return p;
  const LexEntry* entry = model_.lexicon.find_word(word);
  if (!entry) return p;
  for (const TagEntry& t : entry->tags)
    if (t.tag == category)
      for (const LemmaEntry& l : t.lemmas)
        if (l.lemma == head) return p * l.prob;
  return p;
}

// The unknown head stands for every rare word of its category; for a word the lexicon lacks,
// whether it is capitalised is told by the two open-class tables: the share of the category's
// open-class probability that lies in the table for words of its shape (never 0, since the
// word's categories come from that table). A rare word of the lexicon has its own categories.
double LexicalisedLookups::unknown_shape(std::string_view word, int category) const {
  const Lexicon& lexicon = model_.lexicon;
  if (lexicon.find_word(word) != nullptr) return 1.0;
  auto open_prob = [&](const OpenClassTable& t) {
    return t.loaded && t.entries[category].open ? t.entries[category].prob : 0.0;
  };
  const double both = open_prob(lexicon.open_class) + open_prob(lexicon.cap_open_class);
  if (!(both > 0) || !lexicon.cap_open_class.loaded) return 1.0;
  const bool capitalised = !word.empty() && !is_lower(static_cast<unsigned char>(word[0]));
  return open_prob(capitalised ? lexicon.cap_open_class : lexicon.open_class) / both;
}

double LexicalisedLookups::choice(int daughter_head, int daughter_category, int parent_category,
                                  int parent_head) const {
  const int d = model_.grammar.data[daughter_category].child_pool;
  const int p = model_.grammar.data[parent_category].parent_pool;
  const auto context = std::tuple(d, p, parent_head);
  auto fixed = std::lower_bound(lex_.fixed.begin(), lex_.fixed.end(), context,
                                [](const FixedChoice& f, const auto& key) {
                                  return std::tuple(f.daughter_class, f.parent_class,
                                                    f.parent_head) < key;
                                });
  if (fixed != lex_.fixed.end() &&
      std::tuple(fixed->daughter_class, fixed->parent_class, fixed->parent_head) == context)
    return fixed->daughter_head == daughter_head ? 1.0 : 0.0;
  const DaughterClassChoices* dc = find_record(
      lex_.choices, d, [](const DaughterClassChoices& r) { return r.daughter_class; });
  if (!dc) {
    const int heads = head_count(d);
    return heads > 0 ? 1.0 / heads : 0.0;
  }
  double factor = 1.0;
  const ParentClassChoices* pc =
      find_record(dc->parents, p, [](const ParentClassChoices& r) { return r.parent_class; });
  if (pc) {
    const ParentHeadChoices* ph = find_record(
        pc->heads, parent_head, [](const ParentHeadChoices& r) { return r.parent_head; });
    if (ph) {
      const HeadProbability* e = find_head(ph->entries, daughter_head);
      if (e && e->prob > 0) return e->prob;
      factor *= ph->backoff;
    }
    const HeadProbability* e = find_head(pc->entries, daughter_head);
    if (e && e->prob > 0) return e->prob * factor;
    factor *= pc->backoff;
  }
  const HeadProbability* e = find_head(dc->entries, daughter_head);
  return (e && e->prob > 0 ? e->prob : dc->unseen) * factor;
}

}  // namespace velmo
