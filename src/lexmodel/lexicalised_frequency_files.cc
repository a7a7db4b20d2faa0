#include "lexmodel/lexicalised_frequency_files.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "base/binary_writer.h"
#include "base/diagnostics.h"
#include "lexmodel/lexicalised_reading.h"
#include "lexmodel/pool_file.h"

namespace velmo {
namespace {

template <class Key>
using Record = std::pair<Key, double>;

// The records above the table's threshold, sorted by `order`.
template <class Key, class Order>
std::vector<Record<Key>> stored_records(const EventTable<Key>& table, Order order) {
  std::vector<Record<Key>> records;
  for (const auto& record : table.records())
    if (record.second > table.threshold()) records.push_back(record);
  std::sort(records.begin(), records.end(),
            [&](const Record<Key>& a, const Record<Key>& b) { return order(a.first) < order(b.first); });
  return records;
}

auto start_order(const StartEvent& e) { return std::tuple(e.category, e.head); }
auto rule_order(const RuleEvent& e) { return std::tuple(e.mother, e.head, e.rule); }
auto choice_order(const ChoiceEvent& e) {
  return std::tuple(e.daughter_class, e.parent_class, e.parent_head, e.daughter_head);
}

// The files hold single precision: a count beyond it (huge sentence weights, merged sums) stops
// the run while the files are still temporaries, so the old ones stay.
void write_count(BinaryWriter& w, double count) {
  if (!(count <= std::numeric_limits<float>::max()))
    fatal_error("Lexicalised frequencies too large for the lexicalised files");
  w.float32(static_cast<float>(count));
}

// The number of distinct values of the level `level` of the sorted records from `begin` on,
// while the levels above stay those of record `begin`.
template <class Key, class Order>
int32_t distinct(const std::vector<Record<Key>>& records, size_t begin, size_t end, Order level) {
  int32_t count = 0;
  for (size_t i = begin; i < end; ++i)
    if (i == begin || level(records[i].first) != level(records[i - 1].first)) ++count;
  return count;
}

// The end of the run of records from `begin` whose key agrees on `level`.
template <class Key, class Level>
size_t run_end(const std::vector<Record<Key>>& records, size_t begin, size_t end, Level level) {
  size_t i = begin;
  while (i < end && level(records[i].first) == level(records[begin].first)) ++i;
  return i;
}

std::string head_name(const Model& model, int head, const RunConfig& config) {
  return std::string(lexical_item_name(model.lexicon, head, config));
}

}  // namespace

// ---------------------------------------------------------------- writing

void write_lexicalised_rules(FILE* out, const HeadFrequencies& f) {
  const auto records = stored_records(f.rules(), rule_order);
  const auto mother = [](const RuleEvent& e) { return e.mother; };
  const auto head = [](const RuleEvent& e) { return std::tuple(e.mother, e.head); };
  BinaryWriter w(out);
  w.int32(distinct(records, 0, records.size(), mother));
  for (size_t m = 0; m < records.size(); m = run_end(records, m, records.size(), mother)) {
    const size_t m_end = run_end(records, m, records.size(), mother);
    w.int32(records[m].first.mother);
    w.int32(distinct(records, m, m_end, head));
    for (size_t h = m; h < m_end; h = run_end(records, h, m_end, head)) {
      const size_t h_end = run_end(records, h, m_end, head);
      w.int32(records[h].first.head);
      w.int32(static_cast<int32_t>(h_end - h));
      for (size_t r = h; r < h_end; ++r) {
        w.int16(static_cast<int16_t>(records[r].first.rule));
        write_count(w, records[r].second);
      }
    }
  }
}

void write_lexical_choices(FILE* out, const HeadFrequencies& f) {
  const auto records = stored_records(f.choices(), choice_order);
  const auto daughter = [](const ChoiceEvent& e) { return e.daughter_class; };
  const auto parent = [](const ChoiceEvent& e) { return std::tuple(e.daughter_class, e.parent_class); };
  const auto parent_head = [](const ChoiceEvent& e) {
    return std::tuple(e.daughter_class, e.parent_class, e.parent_head);
  };
  BinaryWriter w(out);
  const size_t n = records.size();
  w.int32(distinct(records, 0, n, daughter));
  for (size_t d = 0; d < n; d = run_end(records, d, n, daughter)) {
    const size_t d_end = run_end(records, d, n, daughter);
    w.int32(records[d].first.daughter_class);
    w.int32(distinct(records, d, d_end, parent));
    for (size_t p = d; p < d_end; p = run_end(records, p, d_end, parent)) {
      const size_t p_end = run_end(records, p, d_end, parent);
      w.int32(records[p].first.parent_class);
      w.int32(distinct(records, p, p_end, parent_head));
      for (size_t h = p; h < p_end; h = run_end(records, h, p_end, parent_head)) {
        const size_t h_end = run_end(records, h, p_end, parent_head);
        w.int32(records[h].first.parent_head);
        w.int32(static_cast<int32_t>(h_end - h));
        for (size_t c = h; c < h_end; ++c) {
          w.int32(records[c].first.daughter_head);
          write_count(w, records[c].second);
        }
      }
    }
  }
}

void write_lexicalised_starts(FILE* out, const HeadFrequencies& f, const RunConfig& config) {
  const auto records = stored_records(f.starts(), start_order);
  const auto category = [](const StartEvent& e) { return e.category; };
  BinaryWriter w(out);
  w.int32(config.stems ? 1 : 0);
  w.int32(distinct(records, 0, records.size(), category));
  for (size_t c = 0; c < records.size(); c = run_end(records, c, records.size(), category)) {
    const size_t c_end = run_end(records, c, records.size(), category);
    w.int32(records[c].first.category);
    w.int32(static_cast<int32_t>(c_end - c));
    for (size_t h = c; h < c_end; ++h) {
      w.int32(records[h].first.head);
      write_count(w, records[h].second);
    }
  }
}

void write_lexicalised_rules_text(FILE* out, const HeadFrequencies& f, const Model& model,
                                  const RunConfig& config) {
  for (const auto& [e, freq] : stored_records(f.rules(), rule_order)) {
    std::fprintf(out, "%.2f %s ", freq, head_name(model, e.head, config).c_str());
    print_rule(out, model.grammar, e.mother, e.rule, true);
    std::fputc('\n', out);
  }
}

void write_lexical_choices_text(FILE* out, const HeadFrequencies& f, const Model& model,
                                const PoolingClasses& pooling, const RunConfig& config) {
  for (const auto& [e, freq] : stored_records(f.choices(), choice_order)) {
    std::fprintf(out, "%.2f %s %s %s %s\n", freq, head_name(model, e.daughter_head, config).c_str(),
                 pooling.child_class_name(model.grammar, e.daughter_class).c_str(),
                 pooling.parent_class_name(model.grammar, e.parent_class).c_str(),
                 head_name(model, e.parent_head, config).c_str());
  }
}

void write_lexicalised_starts_text(FILE* out, const HeadFrequencies& f, const Model& model,
                                   const RunConfig& config) {
  for (const auto& [e, freq] : stored_records(f.starts(), start_order))
    std::fprintf(out, "%.2f %s %s\n", freq, model.grammar.name(e.category).c_str(),
                 head_name(model, e.head, config).c_str());
}

std::vector<ExtraFrequencyFile> lexicalised_frequency_files(const HeadFrequencies& f,
                                                            const Model& model,
                                                            const PoolingClasses& pooling,
                                                            const RunConfig& config) {
  std::vector<ExtraFrequencyFile> files = {
      {".pool", "wb", [&](FILE* out) { write_pool_file(out, model.grammar, pooling); }},
      {".lgram", "wb", [&](FILE* out) { write_lexicalised_rules(out, f); }},
      {".lchoice", "wb", [&](FILE* out) { write_lexical_choices(out, f); }},
      {".lstart", "wb", [&](FILE* out) { write_lexicalised_starts(out, f, config); }},
  };
  if (!config.textpar) return files;
  files.push_back({".lgram.txt", "wt",
                   [&](FILE* out) { write_lexicalised_rules_text(out, f, model, config); }});
  files.push_back({".lchoice.txt", "wt", [&](FILE* out) {
                     write_lexical_choices_text(out, f, model, pooling, config);
                   }});
  files.push_back({".lstart.txt", "wt",
                   [&](FILE* out) { write_lexicalised_starts_text(out, f, model, config); }});
  return files;
}

// ---------------------------------------------------------------- reading

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
  finish_reading(r);
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
  finish_reading(r);
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
  finish_reading(r);
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

}  // namespace velmo
