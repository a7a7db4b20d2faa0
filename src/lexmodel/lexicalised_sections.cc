#include "lexmodel/lexicalised_sections.h"

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "base/binary_writer.h"
#include "lexmodel/lexicalised_reading.h"

namespace velmo {
namespace {

void write_distribution(BinaryWriter& w, const HeadDistribution& d) {
  w.int32(static_cast<int32_t>(d.size()));
  for (const HeadProbability& e : d) {
    w.int32(e.head);
    w.probability(e.prob);
  }
}

void write_pool_section(BinaryWriter& w, const PoolingClasses& pooling) {
  w.int32(static_cast<int32_t>(pooling.child_names.size()));
  for (const std::string& name : pooling.child_names) w.string(name);
  for (size_t c = 0; c < pooling.child_names.size(); ++c)
    w.int32(c < pooling.child_head_counts.size() ? pooling.child_head_counts[c] : 0);
  w.int32(static_cast<int32_t>(pooling.parent_names.size()));
  for (const std::string& name : pooling.parent_names) w.string(name);
}

void write_rules(BinaryWriter& w, const std::vector<LexicalisedHead>& heads) {
  w.int32(static_cast<int32_t>(heads.size()));
  for (const LexicalisedHead& h : heads) {
    w.int32(h.head);
    w.probability(h.lexical);
    w.float64(h.backoff);
    w.int32(static_cast<int32_t>(h.rules.size()));
    for (const LexicalisedRuleEntry& e : h.rules) {
      w.int16(e.rule);
      w.probability(e.prob);
    }
  }
}

void write_choices(BinaryWriter& w, const DaughterClassChoices& d) {
  w.int32(d.daughter_class);
  w.probability(d.unseen);
  write_distribution(w, d.entries);
  w.int32(static_cast<int32_t>(d.parents.size()));
  for (const ParentClassChoices& p : d.parents) {
    w.int32(p.parent_class);
    w.float64(p.backoff);
    write_distribution(w, p.entries);
    w.int32(static_cast<int32_t>(p.heads.size()));
    for (const ParentHeadChoices& h : p.heads) {
      w.int32(h.parent_head);
      w.float64(h.backoff);
      write_distribution(w, h.entries);
    }
  }
}

void read_pool_section(BinaryReader& r, const Grammar& grammar, PoolingClasses& pooling) {
  const int symbols = grammar.symbol_count();
  read_class_names(r, pooling.child_names);
  pooling.child_head_counts.resize(pooling.child_names.size());
  for (int& count : pooling.child_head_counts) {
    count = r.int32();
    if (count < 0) r.corrupt();
  }
  read_class_names(r, pooling.parent_names);
  // The pools of the grammar section must name these classes.
  for (const SymbolData& s : grammar.data) {
    if (s.child_pool >= symbols + static_cast<int>(pooling.child_names.size())) r.corrupt();
    if (s.parent_pool >= symbols + static_cast<int>(pooling.parent_names.size())) r.corrupt();
  }
}

void read_rules(BinaryReader& r, int rule_count, const IdLimits& limits,
                std::vector<LexicalisedHead>& heads) {
  heads.assign(r.count(24), LexicalisedHead{});
  AscendingIds head_ids(r);
  for (LexicalisedHead& h : heads) {
    h.head = head_ids.next(limits.heads, -1);
    h.lexical = probability(r);
    h.backoff = factor(r);
    h.rules.resize(r.count(10, rule_count));
    int last = -1;
    for (LexicalisedRuleEntry& e : h.rules) {
      e.rule = r.int16();
      if (e.rule <= last || e.rule >= rule_count) r.corrupt();
      last = e.rule;
      e.freq = 0;
      e.prob = probability(r);
    }
  }
}

void read_choices(BinaryReader& r, const IdLimits& limits, std::vector<DaughterClassChoices>& all) {
  all.assign(r.count(20), DaughterClassChoices{});
  AscendingIds daughters(r);
  for (DaughterClassChoices& d : all) {
    d.daughter_class = daughters.next(limits.symbols + limits.child_classes);
    d.unseen = probability(r);
    d.entries = read_probabilities(r, limits.heads);
    d.parents.assign(r.count(20), ParentClassChoices{});
    AscendingIds parents(r);
    for (ParentClassChoices& p : d.parents) {
      p.parent_class = parents.next(limits.symbols + limits.parent_classes);
      p.backoff = factor(r);
      p.entries = read_probabilities(r, limits.heads);
      p.heads.assign(r.count(16), ParentHeadChoices{});
      AscendingIds heads(r);
      for (ParentHeadChoices& h : p.heads) {
        h.parent_head = heads.next(limits.heads, -1);
        h.backoff = factor(r);
        h.entries = read_probabilities(r, limits.heads);
      }
    }
  }
}

void read_fixed(BinaryReader& r, const IdLimits& limits, std::vector<FixedChoice>& fixed) {
  fixed.resize(r.count(16));
  for (size_t i = 0; i < fixed.size(); ++i) {
    FixedChoice& f = fixed[i];
    f.daughter_head = r.id(limits.heads, -1);
    f.daughter_class = r.id(limits.symbols + limits.child_classes);
    f.parent_class = r.id(limits.symbols + limits.parent_classes);
    f.parent_head = r.id(limits.heads, -1);
    // One record per context, in context order: the lookup bisects.
    const FixedChoice* last = i > 0 ? &fixed[i - 1] : nullptr;
    if (last && std::tie(last->daughter_class, last->parent_class, last->parent_head) >=
                    std::tie(f.daughter_class, f.parent_class, f.parent_head))
      r.corrupt();
  }
}

}  // namespace

void write_lexicalised_sections(FILE* out, const Model& model,
                                const LexicalisedModel& lexicalised) {
  const LexModel& lex = lexicalised.lex;
  BinaryWriter w(out);
  write_pool_section(w, lexicalised.pooling);
  w.flag(true);
  for (int s = 0; s < model.grammar.symbol_count(); ++s) {
    w.probability(lex.starts[s].unseen);
    write_distribution(w, lex.starts[s].entries);
  }
  for (int s = 0; s < model.grammar.symbol_count(); ++s) write_rules(w, lex.rules[s]);
  w.int32(static_cast<int32_t>(lex.choices.size()));
  for (const DaughterClassChoices& d : lex.choices) write_choices(w, d);
  w.int32(static_cast<int32_t>(lex.fixed.size()));
  for (const FixedChoice& f : lex.fixed) {
    w.int32(f.daughter_head);
    w.int32(f.daughter_class);
    w.int32(f.parent_class);
    w.int32(f.parent_head);
  }
}

void read_lexicalised_sections(FILE* in, const std::string& name, const Model& model,
                               LexicalisedModel& lexicalised, const RunConfig& config) {
  LexModel& lex = lexicalised.lex;
  BinaryReader r(in, name);
  const int symbols = model.grammar.symbol_count();
  read_pool_section(r, model.grammar, lexicalised.pooling);
  // The sections follow only when the file says the model is lexicalised, so the flag that
  // repeats it is 1 in every file the program writes.
  if (!r.flag()) r.corrupt();
  const IdLimits limits(model, lexicalised.pooling, config);
  lex.reset(symbols);
  r.expect(12LL * symbols);
  for (LexicalisedStart& s : lex.starts) {
    s.unseen = probability(r);
    s.entries = read_probabilities(r, limits.heads);
  }
  for (int m = 0; m < symbols; ++m)
    read_rules(r, static_cast<int>(model.grammar.data[m].rules.size()), limits, lex.rules[m]);
  read_choices(r, limits, lex.choices);
  read_fixed(r, limits, lex.fixed);
  finish_reading(r);
}

}  // namespace velmo
