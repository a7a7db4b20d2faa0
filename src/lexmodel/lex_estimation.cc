#include "lexmodel/lex_estimation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "base/diagnostics.h"
#include "lexmodel/head_counts.h"
#include "lexmodel/lex_listing.h"
#include "model/estimation.h"

namespace velmo {

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
  const double weighted = grammar.weighted_freq(grammar.rule(mother, entry.rule), entry.freq);
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

}  // namespace

void estimate_lexicalised_model(Model& model, LexicalisedModel& lexicalised,
                                const RunConfig& config, FILE* listing) {
  LexModel& lex = lexicalised.lex;
  const PoolingClasses& pooling = lexicalised.pooling;
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

}  // namespace velmo
