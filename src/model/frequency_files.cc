#include "model/frequency_files.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "base/diagnostics.h"
#include "base/replacement_file.h"

namespace velmo {
namespace {

// The two ways a frequency is printed: two decimals, or -high-precision.
struct FrequencyFormats {
  const char* rule;           // before the rule
  const char* reading;        // tag, frequency
  const char* lemma_reading;  // tag, frequency, lemma
  const char* open_class;
  const char* start;
};

constexpr FrequencyFormats kDefaultFormats = {"%.2f\t", "\t%s %.2f", "\t%s %.2f %s", "%s %.2f\n",
                                              "%s\t%.2f\n"};
constexpr FrequencyFormats kPreciseFormats = {"%.12g\t", "\t%s %.12g", "\t%s %.12g %s",
                                              "%s %.12g\n", "%s\t%.12g\n"};

const FrequencyFormats& formats(const RunConfig& config) {
  return config.high_precision ? kPreciseFormats : kDefaultFormats;
}

// A trailing apostrophe is read as a head mark, so a name that ends in one (read as A'') gets
// one more, which the reader strips again.
std::string symbol_in_file(const std::string& name) {
  return !name.empty() && name.back() == '\'' ? name + '\'' : name;
}

void write_readings(FILE* out, const TagEntry& tag, const Model& model, const RunConfig& config) {
  const FrequencyFormats& f = formats(config);
  const std::string name = symbol_in_file(model.grammar.name(tag.tag));
  const char* tag_name = name.c_str();
  if (!config.stems) {
    std::fprintf(out, f.reading, tag_name, tag.freq);
    return;
  }
  for (const LemmaEntry& lemma : tag.lemmas) {
    // Unlexicalised training counts whole tag entries; their mass is shared out evenly.
    double freq =
        config.lexicalise ? lemma.freq : tag.freq / static_cast<double>(tag.lemmas.size());
    std::fprintf(out, f.lemma_reading, tag_name, freq,
                 model.lexicon.lemmas.name(lemma.lemma).c_str());
  }
}

using FileWriter = void (*)(FILE*, const Model&, const RunConfig&);

// The files' contents, in the one signature that write_file takes.
void gram_file(FILE* out, const Model& m, const RunConfig& c) {
  write_grammar_frequencies(out, m.grammar, c);
}
void oc_file(FILE* out, const Model& m, const RunConfig& c) {
  write_open_class_frequencies(out, m.grammar, m.lexicon.open_class, c);
}
void cap_oc_file(FILE* out, const Model& m, const RunConfig& c) {
  write_open_class_frequencies(out, m.grammar, m.lexicon.cap_open_class, c);
}
void start_file(FILE* out, const Model& m, const RunConfig& c) {
  write_start_frequencies(out, m.grammar, c);
}

}  // namespace

void check_base_name(const std::string& base) {
  if (base.size() > kMaxBaseNameLength) fatal_error2("Filename is too long", base);
}

void write_grammar_frequencies(FILE* out, const Grammar& grammar, const RunConfig& config) {
  for (int s = 0; s < grammar.symbol_count(); ++s) {
    const std::vector<Rule>& rules = grammar.data[s].rules;
    for (int r = 0; r < static_cast<int>(rules.size()); ++r) {
      std::fprintf(out, formats(config).rule, rules[r].freq);
      print_rule(out, grammar, s, r, false);
      std::fputc('\n', out);
    }
  }
}

void write_lexicon_frequencies(FILE* out, const Model& model, const RunConfig& config) {
  for (const LexEntry& entry : model.lexicon.entries) {
    std::fwrite(entry.word.data(), 1, entry.word.size(), out);
    for (const TagEntry& tag : entry.tags) write_readings(out, tag, model, config);
    std::fputc('\n', out);
  }
}

void write_open_class_frequencies(FILE* out, const Grammar& grammar, const OpenClassTable& table,
                                  const RunConfig& config) {
  if (!table.loaded) return;
  for (int s = 0; s < grammar.symbol_count(); ++s) {
    const OpenClassEntry& entry = table.entries[s];
    if (entry.open)
      std::fprintf(out, formats(config).open_class, symbol_in_file(grammar.name(s)).c_str(),
                   entry.freq);
  }
}

void write_start_frequencies(FILE* out, const Grammar& grammar, const RunConfig& config) {
  for (int s = 0; s < grammar.symbol_count(); ++s) {
    double freq = grammar.data[s].start_freq;
    if (freq > 0)
      std::fprintf(out, formats(config).start, symbol_in_file(grammar.name(s)).c_str(), freq);
  }
}

namespace {

bool all_finite(const Grammar& grammar) {
  for (const SymbolData& symbol : grammar.data) {
    if (!std::isfinite(symbol.start_freq)) return false;
    for (const Rule& rule : symbol.rules)
      if (!std::isfinite(rule.freq)) return false;
  }
  return true;
}

bool all_finite(const Lexicon& lexicon) {
  for (const LexEntry& entry : lexicon.entries)
    for (const TagEntry& tag : entry.tags) {
      if (!std::isfinite(tag.freq)) return false;
      for (const LemmaEntry& lemma : tag.lemmas)
        if (!std::isfinite(lemma.freq)) return false;
    }
  for (const OpenClassTable* table : {&lexicon.open_class, &lexicon.cap_open_class})
    for (const OpenClassEntry& entry : table->entries)
      if (!std::isfinite(entry.freq)) return false;
  return true;
}

}  // namespace

void write_frequency_files(const std::string& base, const Model& model, const RunConfig& config,
                           const std::vector<ExtraFrequencyFile>& extra) {
  check_base_name(base);
  // Accumulated counts can outgrow the range of numbers (huge sentence weights); "inf" in a
  // file would make it unreadable, so nothing is written and the previous files stay.
  if (!all_finite(model.grammar) || !all_finite(model.lexicon))
    fatal_error2("Frequencies too large to be written to the files of", base);
  // Every file of the set is complete on disk before the first one replaces its old version.
  const std::pair<const char*, FileWriter> files[] = {
      {".gram", gram_file}, {".lex", write_lexicon_frequencies}, {".oc", oc_file},
      {".OC", cap_oc_file}, {".start", start_file}};
  std::vector<std::unique_ptr<ReplacementFile>> written;
  for (const auto& [suffix, writer] : files) {
    written.push_back(std::make_unique<ReplacementFile>(base + suffix, "wt"));
    writer(written.back()->stream(), model, config);
    written.back()->finish();
  }
  for (const ExtraFrequencyFile& file : extra) {
    written.push_back(std::make_unique<ReplacementFile>(base + file.suffix, file.mode));
    file.write(written.back()->stream());
    written.back()->finish();
  }
  for (const auto& file : written) file->install();
}

void remove_stale_frequency_files(const std::string& base) {
  for (const char* suffix : {".gram", ".lex", ".oc", ".OC", ".start", ".pool", ".lgram",
                             ".lchoice", ".lstart", ".lgram.txt", ".lchoice.txt", ".lstart.txt"})
    remove_stale_temporaries(base + suffix);
}

}  // namespace velmo
