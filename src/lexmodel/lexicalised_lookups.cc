#include "lexmodel/lexicalised_lookups.h"

#include "base/text_input.h"
#include "lexmodel/head_counts.h"

namespace velmo {

double LexicalisedLookups::start(int category, int head) const {
  const LexicalisedStart& s = lex_.starts[category];
  const HeadProbability* e = find_head(s.entries, head);
  return e ? e->prob : s.unseen;
}

double LexicalisedLookups::rule(int mother, int rule, int head) const {
  const double unlexicalised = model_.grammar.rule(mother, rule).prob;
  const LexicalisedHead* h = lex_.head_rules(mother, head);
  if (!h) return unlexicalised;
  const LexicalisedRuleEntry* e = find_record(
      h->rules, rule, [](const LexicalisedRuleEntry& r) { return static_cast<int>(r.rule); });
  if (e && e->prob > 0) return e->prob;
  return unlexicalised * h->backoff;
}

double LexicalisedLookups::lexical(int category, int head) const {
  const LexicalisedHead* h = lex_.head_rules(category, head);
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
  return class_choice(daughter_head, model_.grammar.data[daughter_category].child_pool,
                      model_.grammar.data[parent_category].parent_pool, parent_head);
}

// The most specific distribution that gives the head a probability, times the backoff factors
// of the more specific ones that did not.
double LexicalisedLookups::class_choice(int daughter_head, int d, int p, int parent_head) const {
  if (const FixedChoice* fixed = lex_.fixed_choice(d, p, parent_head))
    return fixed->daughter_head == daughter_head ? 1.0 : 0.0;
  const DaughterClassChoices* dc = lex_.daughter_choices(d);
  if (!dc) {
    const int heads = head_count_of(model_.grammar, pooling_, d);
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
