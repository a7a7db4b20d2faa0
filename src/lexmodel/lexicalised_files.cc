#include "lexmodel/lexicalised_files.h"

#include <cmath>
#include <memory>
#include <tuple>

#include "base/binary_reader.h"
#include "base/binary_writer.h"
#include "base/diagnostics.h"
#include "base/text_input.h"

namespace velmo {
namespace {

using File = std::unique_ptr<FILE, int (*)(FILE*)>;

File open_binary(const std::string& name) { return File(open_file(name, "rb"), &std::fclose); }

// The ids a file may name in this run.
struct IdLimits {
  int symbols;
  int heads;          // head ids from -1 to below this
  int child_classes;  // class ids below symbols + this
  int parent_classes;

  IdLimits(const Model& model, const PoolingClasses& pooling, const RunConfig& config)
      : symbols(model.grammar.symbol_count()),
        heads(lexical_item_count(model.lexicon, config) +
              (model.lexicon.open_class.loaded ? 1 : 0)),
        child_classes(static_cast<int>(pooling.child_names.size())),
        parent_classes(static_cast<int>(pooling.parent_names.size())) {}
};

// Ids of a list must ascend strictly: the lookups bisect.
class AscendingIds {
 public:
  explicit AscendingIds(BinaryReader& r) : r_(r) {}
  int next(int limit, int low = 0) {
    const int id = r_.id(limit, low);
    if (has_last_ && id <= last_) r_.corrupt();
    last_ = id;
    has_last_ = true;
    return id;
  }

 private:
  BinaryReader& r_;
  int last_ = 0;
  bool has_last_ = false;
};

float frequency(BinaryReader& r) {
  const float f = r.float32();
  if (!(f >= 0) || !std::isfinite(f)) r.corrupt();
  return f;
}

double probability(BinaryReader& r) {
  const double p = r.float64();
  if (!(p >= 0 && p <= 1)) r.corrupt();
  return p;
}

double factor(BinaryReader& r) {
  const double f = r.float64();
  if (!(f >= 0) || !std::isfinite(f)) r.corrupt();
  return f;
}

HeadDistribution read_frequencies(BinaryReader& r, int heads) {
  HeadDistribution d(r.count(8));
  AscendingIds ids(r);
  for (HeadProbability& e : d) {
    e.head = ids.next(heads, -1);
    e.freq = frequency(r);
    e.prob = 0.0;
  }
  return d;
}

HeadDistribution read_probabilities(BinaryReader& r, int heads) {
  HeadDistribution d(r.count(12));
  AscendingIds ids(r);
  for (HeadProbability& e : d) {
    e.head = ids.next(heads, -1);
    e.freq = 0;
    e.prob = probability(r);
  }
  return d;
}

void finish(BinaryReader& r) {
  if (!r.at_end()) r.corrupt();
}

// ---------------------------------------------------------------- writing

void write_distribution(BinaryWriter& w, const HeadDistribution& d) {
  w.int32(static_cast<int32_t>(d.size()));
  for (const HeadProbability& e : d) {
    w.int32(e.head);
    w.probability(e.prob);
  }
}

void read_class_names(BinaryReader& r, std::vector<std::string>& names) {
  names.resize(r.count(1));
  for (std::string& name : names) name = r.string();
}

void read_pool_fields(BinaryReader& r, Grammar& grammar, int classes, int SymbolData::*pool) {
  const int symbols = grammar.symbol_count();
  r.expect(4LL * symbols);
  for (int s = 0; s < symbols; ++s) {
    const int id = r.id(symbols + classes);
    if (id < symbols && id != s) r.corrupt();
    grammar.data[s].*pool = id;
  }
}

}  // namespace

void read_pool_file(const std::string& name, Model& model, PoolingClasses& pooling) {
  File in(std::fopen(name.c_str(), "rb"), &std::fclose);
  if (in) read_pools(in.get(), name, model, pooling);
}

void read_pools(FILE* in, const std::string& name, Model& model, PoolingClasses& pooling) {
  BinaryReader r(in, name);
  read_class_names(r, pooling.child_names);
  read_pool_fields(r, model.grammar, static_cast<int>(pooling.child_names.size()),
                   &SymbolData::child_pool);
  read_class_names(r, pooling.parent_names);
  read_pool_fields(r, model.grammar, static_cast<int>(pooling.parent_names.size()),
                   &SymbolData::parent_pool);
  pooling.child_head_counts.assign(pooling.child_names.size(), 0);
  finish(r);
}

void read_lexicalised_starts(FILE* in, const std::string& name, const Model& model, LexModel& lex,
                             const RunConfig& config) {
  BinaryReader r(in, name);
  const bool stems = r.flag();
  if (!stems && config.stems) fatal_error("Stemming not supported by parameter file");
  if (stems && !config.stems) fatal_error("Stemming required by parameter file");
  const IdLimits limits(model, PoolingClasses{}, config);
  const int categories = r.count(8);
  AscendingIds ids(r);
  for (int c = 0; c < categories; ++c) {
    const int category = ids.next(limits.symbols);
    lex.starts[category].entries = read_frequencies(r, limits.heads);
  }
  finish(r);
}

void read_lexical_choices(FILE* in, const std::string& name, const Model& model,
                          const PoolingClasses& pooling, LexModel& lex, const RunConfig& config) {
  BinaryReader r(in, name);
  const IdLimits limits(model, pooling, config);
  lex.choices.assign(r.count(8), DaughterClassChoices{});
  AscendingIds daughters(r);
  for (DaughterClassChoices& d : lex.choices) {
    d.daughter_class = daughters.next(limits.symbols + limits.child_classes);
    d.parents.assign(r.count(8), ParentClassChoices{});
    AscendingIds parents(r);
    for (ParentClassChoices& p : d.parents) {
      p.parent_class = parents.next(limits.symbols + limits.parent_classes);
      p.heads.assign(r.count(8), ParentHeadChoices{});
      AscendingIds heads(r);
      for (ParentHeadChoices& h : p.heads) {
        h.parent_head = heads.next(limits.heads, -1);
        h.entries = read_frequencies(r, limits.heads);
      }
    }
  }
  finish(r);
}

void read_lexicalised_rules(FILE* in, const std::string& name, const Model& model, LexModel& lex,
                            const RunConfig& config) {
  BinaryReader r(in, name);
  const IdLimits limits(model, PoolingClasses{}, config);
  const int mothers = r.count(8);
  AscendingIds mother_ids(r);
  for (int m = 0; m < mothers; ++m) {
    const int mother = mother_ids.next(limits.symbols);
    const int rule_count = static_cast<int>(model.grammar.data[mother].rules.size());
    std::vector<LexicalisedHead>& heads = lex.rules[mother];
    heads.assign(r.count(8), LexicalisedHead{});
    AscendingIds head_ids(r);
    for (LexicalisedHead& h : heads) {
      h.head = head_ids.next(limits.heads, -1);
      h.rules.resize(r.count(6, rule_count));
      int last = -1;
      for (LexicalisedRuleEntry& e : h.rules) {
        e.rule = r.int16();
        if (e.rule <= last || e.rule >= rule_count) r.corrupt();
        last = e.rule;
        e.freq = frequency(r);
        e.prob = 0.0;
      }
    }
  }
  finish(r);
}

void read_lexicalised_start_file(const std::string& name, const Model& model, LexModel& lex,
                                 const RunConfig& config) {
  File in = open_binary(name);
  read_lexicalised_starts(in.get(), name, model, lex, config);
}

void read_lexical_choice_file(const std::string& name, const Model& model,
                              const PoolingClasses& pooling, LexModel& lex,
                              const RunConfig& config) {
  File in = open_binary(name);
  read_lexical_choices(in.get(), name, model, pooling, lex, config);
}

void read_lexicalised_rule_file(const std::string& name, const Model& model, LexModel& lex,
                                const RunConfig& config) {
  File in = open_binary(name);
  read_lexicalised_rules(in.get(), name, model, lex, config);
}

void write_lexicalised_sections(FILE* out, const Model& model, const LexModel& lex,
                                const PoolingClasses& pooling) {
  BinaryWriter w(out);
  w.int32(static_cast<int32_t>(pooling.child_names.size()));
  for (const std::string& name : pooling.child_names) w.string(name);
  for (size_t c = 0; c < pooling.child_names.size(); ++c)
    w.int32(c < pooling.child_head_counts.size() ? pooling.child_head_counts[c] : 0);
  w.int32(static_cast<int32_t>(pooling.parent_names.size()));
  for (const std::string& name : pooling.parent_names) w.string(name);
  w.int32(1);
  for (int s = 0; s < model.grammar.symbol_count(); ++s) {
    w.probability(lex.starts[s].unseen);
    write_distribution(w, lex.starts[s].entries);
  }
  for (int s = 0; s < model.grammar.symbol_count(); ++s) {
    w.int32(static_cast<int32_t>(lex.rules[s].size()));
    for (const LexicalisedHead& h : lex.rules[s]) {
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
  w.int32(static_cast<int32_t>(lex.choices.size()));
  for (const DaughterClassChoices& d : lex.choices) {
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
  w.int32(static_cast<int32_t>(lex.fixed.size()));
  for (const FixedChoice& f : lex.fixed) {
    w.int32(f.daughter_head);
    w.int32(f.daughter_class);
    w.int32(f.parent_class);
    w.int32(f.parent_head);
  }
}

void read_lexicalised_sections(FILE* in, const std::string& name, const Model& model,
                               LexModel& lex, PoolingClasses& pooling, const RunConfig& config) {
  BinaryReader r(in, name);
  const int symbols = model.grammar.symbol_count();
  read_class_names(r, pooling.child_names);
  pooling.child_head_counts.resize(pooling.child_names.size());
  for (int& count : pooling.child_head_counts) {
    count = r.int32();
    if (count < 0) r.corrupt();
  }
  read_class_names(r, pooling.parent_names);
  // The pools of the grammar section must name these classes.
  for (const SymbolData& s : model.grammar.data) {
    if (s.child_pool >= symbols + static_cast<int>(pooling.child_names.size())) r.corrupt();
    if (s.parent_pool >= symbols + static_cast<int>(pooling.parent_names.size())) r.corrupt();
  }
  // The sections follow only when the file says the model is lexicalised, so the flag that
  // repeats it is 1 in every file the program writes.
  if (!r.flag()) r.corrupt();
  const IdLimits limits(model, pooling, config);
  lex.reset(symbols);
  r.expect(12LL * symbols);
  for (LexicalisedStart& s : lex.starts) {
    s.unseen = probability(r);
    s.entries = read_probabilities(r, limits.heads);
  }
  for (int m = 0; m < symbols; ++m) {
    const int rule_count = static_cast<int>(model.grammar.data[m].rules.size());
    lex.rules[m].assign(r.count(24), LexicalisedHead{});
    AscendingIds head_ids(r);
    for (LexicalisedHead& h : lex.rules[m]) {
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
  lex.choices.assign(r.count(20), DaughterClassChoices{});
  AscendingIds daughters(r);
  for (DaughterClassChoices& d : lex.choices) {
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
  lex.fixed.resize(r.count(16));
  for (size_t i = 0; i < lex.fixed.size(); ++i) {
    FixedChoice& f = lex.fixed[i];
    f.daughter_head = r.id(limits.heads, -1);
    f.daughter_class = r.id(limits.symbols + limits.child_classes);
    f.parent_class = r.id(limits.symbols + limits.parent_classes);
    f.parent_head = r.id(limits.heads, -1);
    // One record per context, in context order: the lookup bisects.
    const FixedChoice* last = i > 0 ? &lex.fixed[i - 1] : nullptr;
    if (last && std::tie(last->daughter_class, last->parent_class, last->parent_head) >=
                    std::tie(f.daughter_class, f.parent_class, f.parent_head))
      r.corrupt();
  }
  finish(r);
}

}  // namespace velmo
