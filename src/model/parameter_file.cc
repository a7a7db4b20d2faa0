#include "model/parameter_file.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/binary_reader.h"
#include "base/binary_writer.h"
#include "base/diagnostics.h"
#include "base/replacement_file.h"
#include "base/text_input.h"
#include "model/parameter_check.h"

namespace velmo {
namespace {

static_assert(sizeof(int) == 4 && sizeof(float) == 4 && sizeof(double) == 8,
              "the parameter file holds 32-bit integers and IEEE floats");

constexpr std::string_view kVersion = "3.0";
constexpr size_t kMaxStringBytes = 1000;  // with the terminating NUL
// A multi-word lexeme has at most 101 components (more blanks keep it out of the trie).
constexpr int kMaxMwlDepth = 101;

// Smallest sizes of the records on file, against which counts are checked.
constexpr long long kMinSymbolBytes = 1 + 4 + 8 + 8 + 4 + 4 + 4 + 4;
constexpr long long kMinRuleBytes = 4 + 8 + 4 + 4 + 4;
constexpr long long kMinEntryBytes = 1 + 4;
constexpr long long kMinMwlChildBytes = 1 + 4 + 4;

// ---------------------------------------------------------------- storing

void store_rule(BinaryWriter& w, const Rule& rule) {
  w.int32(rule.head);
  w.probability(rule.prob);
  w.int32(rule.number);
  w.int32(static_cast<int32_t>(rule.daughters.size()));
  w.int32_array(rule.daughters);
}

void store_grammar(BinaryWriter& w, const Grammar& grammar) {
  w.int32(grammar.symbol_count());
  for (int s = 0; s < grammar.symbol_count(); ++s) {
    const SymbolData& data = grammar.data[s];
    const int32_t rule_count = static_cast<int32_t>(data.rules.size());
    w.string(grammar.name(s));
    w.int32(rule_count);
    w.probability(data.start_prob);
    w.probability(data.lex_share);
    w.int32(data.parent_pool);
    w.int32(data.child_pool);
    w.int32(data.head_count);
    w.int32(rule_count);
    for (const Rule& rule : data.rules) store_rule(w, rule);
  }
}

void store_open_class_table(BinaryWriter& w, const OpenClassTable& table, int symbol_count) {
  if (!table.loaded) return;
  for (int s = 0; s < symbol_count; ++s) {
    const OpenClassEntry& entry = table.entries[s];
    w.probability(entry.open ? entry.prob : 0.0);
  }
}

void store_open_classes(BinaryWriter& w, const Model& model) {
  const Lexicon& lexicon = model.lexicon;
  w.flag(lexicon.open_class.loaded);
  w.flag(lexicon.cap_open_class.loaded);
  store_open_class_table(w, lexicon.open_class, model.grammar.symbol_count());
  store_open_class_table(w, lexicon.cap_open_class, model.grammar.symbol_count());
}

void store_tag_entry(BinaryWriter& w, const TagEntry& tag, const RunConfig& config) {
  w.int32(tag.tag);
  w.probability32(tag.prob);
  if (!config.stems) return;
  w.int32(static_cast<int32_t>(tag.lemmas.size()));
  for (const LemmaEntry& lemma : tag.lemmas) {
    w.int32(lemma.lemma);
    if (config.lexmodel) w.probability(lemma.prob);
  }
}

void store_mwl_node(BinaryWriter& w, const MwlNode& node) {
  w.int32(node.entry);
  w.int32(static_cast<int32_t>(node.children.size()));
  for (size_t i = 0; i < node.children.size(); ++i) {
    w.string(node.words[i]);
    store_mwl_node(w, node.children[i]);
  }
}

void store_lexicon(BinaryWriter& w, const Lexicon& lexicon, const RunConfig& config) {
  w.flag(config.stems);
  if (config.stems) {
    w.int32(lexicon.lemmas.size());
    for (int l = 0; l < lexicon.lemmas.size(); ++l) w.string(lexicon.lemmas.name(l));
  }
  w.int32(static_cast<int32_t>(lexicon.entries.size()));
  for (const LexEntry& entry : lexicon.entries) {
    w.string(entry.word);
    w.int32(static_cast<int32_t>(entry.tags.size()));
    for (const TagEntry& tag : entry.tags) store_tag_entry(w, tag, config);
  }
  store_mwl_node(w, lexicon.mwl_root);
}

// ---------------------------------------------------------------- loading

// Names stored in id order must be strictly ascending in byte order, or ids would shift when
// the tables sort them.
void check_ascending(BinaryReader& r, const std::vector<std::string>& names) {
  for (size_t i = 1; i < names.size(); ++i)
    if (!(names[i - 1] < names[i])) r.corrupt();
}

Rule load_rule(BinaryReader& r, int symbol_count) {
  Rule rule;
  rule.head = r.int32();
  rule.prob = r.float64();
  rule.number = r.int32();
  const int daughter_count = r.count(4, kMaxDaughters);
  if (daughter_count == 0 || rule.head < -1 || rule.head >= daughter_count) r.corrupt();
  for (int d = 0; d < daughter_count; ++d) rule.daughters.push_back(r.id(symbol_count));
  return rule;
}

void load_symbol(BinaryReader& r, SymbolData& data, int symbol_count) {
  const int rule_count = r.count(kMinRuleBytes, kMaxRulesPerMother);
  data.start_prob = r.float64();
  data.lex_share = r.float64();
  data.parent_pool = r.int32();
  data.child_pool = r.int32();
  data.head_count = r.int32();
  // Pool ids of pooling classes are numbered after the symbols; the pooling section sizes them.
  if (data.parent_pool < 0 || data.child_pool < 0) r.corrupt();
  if (r.int32() != rule_count) r.corrupt();
  for (int i = 0; i < rule_count; ++i) data.rules.push_back(load_rule(r, symbol_count));
}

void load_grammar(BinaryReader& r, Grammar& grammar) {
  const int symbol_count = r.count(kMinSymbolBytes, kMaxSymbols);
  if (symbol_count == 0) r.corrupt();
  std::vector<std::string> names;
  grammar.data.assign(symbol_count, SymbolData{});
  for (int s = 0; s < symbol_count; ++s) {
    names.push_back(r.string());
    load_symbol(r, grammar.data[s], symbol_count);
  }
  check_ascending(r, names);
  grammar.symbols.assign(std::move(names));
  if (grammar.symbol_count() != symbol_count) r.corrupt();
  grammar.build_first_daughter_lists();
}

void load_open_class_table(BinaryReader& r, OpenClassTable& table, int symbol_count) {
  if (!table.loaded) return;
  r.expect(8LL * symbol_count);
  table.entries.assign(symbol_count, OpenClassEntry{});
  for (OpenClassEntry& entry : table.entries) {
    entry.prob = r.float64();
    entry.open = entry.prob > 0;
  }
}

void load_open_classes(BinaryReader& r, Model& model) {
  Lexicon& lexicon = model.lexicon;
  lexicon.open_class.loaded = r.flag();
  lexicon.cap_open_class.loaded = r.flag();
  load_open_class_table(r, lexicon.open_class, model.grammar.symbol_count());
  load_open_class_table(r, lexicon.cap_open_class, model.grammar.symbol_count());
}

TagEntry load_tag_entry(BinaryReader& r, int symbol_count, int lemma_count,
                        const RunConfig& config) {
  TagEntry tag;
  tag.tag = r.id(symbol_count);
  tag.prob = r.float32();
  if (!config.stems) return tag;
  const int count = r.count(config.lexmodel ? 12 : 4);
  for (int i = 0; i < count; ++i) {
    LemmaEntry lemma;
    lemma.lemma = r.id(lemma_count);
    if (config.lexmodel) lemma.prob = r.float64();
    tag.lemmas.push_back(lemma);
  }
  return tag;
}

void load_mwl_node(BinaryReader& r, MwlNode& node, int entry_count, int depth) {
  if (depth > kMaxMwlDepth) r.corrupt();
  node.entry = r.int32();
  if (node.entry < -1 || node.entry >= entry_count) r.corrupt();
  const int child_count = r.count(kMinMwlChildBytes);
  for (int i = 0; i < child_count; ++i) {
    node.words.push_back(r.string());
    node.children.emplace_back();
    load_mwl_node(r, node.children.back(), entry_count, depth + 1);
  }
}

void load_lemmas(BinaryReader& r, LemmaTable& lemmas) {
  const int count = r.count(1);
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) names.push_back(r.string());
  check_ascending(r, names);
  lemmas.assign(std::move(names));
  if (lemmas.size() != count) r.corrupt();
}

void load_lexicon(BinaryReader& r, Model& model, RunConfig& config) {
  Lexicon& lexicon = model.lexicon;
  config.stems = r.flag();
  if (config.stems) load_lemmas(r, lexicon.lemmas);
  const int symbol_count = model.grammar.symbol_count();
  const int entry_count = r.count(kMinEntryBytes);
  for (int e = 0; e < entry_count; ++e) {
    LexEntry entry;
    entry.word = r.string();
    const int tag_count = r.count(config.stems ? 12 : 8);
    for (int t = 0; t < tag_count; ++t)
      entry.tags.push_back(load_tag_entry(r, symbol_count, lexicon.lemmas.size(), config));
    lexicon.entries.push_back(std::move(entry));
  }
  load_mwl_node(r, lexicon.mwl_root, entry_count, 0);
}

// Strings of the file are read back with a limit of 999 bytes; a longer name is refused before
// the first byte is written.
void check_storable(std::string_view s) {
  if (s.size() >= kMaxStringBytes)
    fatal_error2("Name too long for a parameter file (more than 999 bytes)",
                 std::string(s.substr(0, 60)) + "...");
}

void check_storable(const MwlNode& node) {
  for (size_t i = 0; i < node.children.size(); ++i) {
    check_storable(node.words[i]);
    check_storable(node.children[i]);
  }
}

void check_storable(const Model& model, const RunConfig& config) {
  for (int s = 0; s < model.grammar.symbol_count(); ++s) check_storable(model.grammar.name(s));
  if (config.stems)
    for (int l = 0; l < model.lexicon.lemmas.size(); ++l)
      check_storable(model.lexicon.lemmas.name(l));
  for (const LexEntry& entry : model.lexicon.entries) check_storable(entry.word);
  check_storable(model.lexicon.mwl_root);
}

}  // namespace

void store_parameters(FILE* out, const Model& model, const RunConfig& config,
                      const LexicalisedSectionWriter& lexicalised) {
  check_storable(model, config);
  BinaryWriter w(out);
  w.string(kVersion);
  w.flag(config.lexmodel);
  store_grammar(w, model.grammar);
  store_open_classes(w, model);
  store_lexicon(w, model.lexicon, config);
  if (config.lexmodel && lexicalised) lexicalised(out);
  w.finish();
}

void store_parameters_to_file(const std::string& name, const Model& model, const RunConfig& config,
                              const LexicalisedSectionWriter& lexicalised) {
  ReplacementFile file(name, "wb");
  store_parameters(file.stream(), model, config, lexicalised);
  file.commit();
}

Model read_parameters(FILE* in, const std::string& name, RunConfig& config) {
  BinaryReader r(in, name);
  std::string version = r.string();
  if (version != kVersion)
    fatal_error2("Parameter file was generated with a different program version", version);
  config.lexmodel = r.flag();
  if (config.lexmodel) config.lexicalise = true;
  Model model;
  load_grammar(r, model.grammar);
  load_open_classes(r, model);
  load_lexicon(r, model, config);
  if (!is_sound_model(model, config.lexmodel)) r.corrupt();
  // Bytes after the model are no part of it; lexicalised sections follow only when flagged.
  if (!config.lexmodel && !r.at_end()) r.corrupt();
  return model;
}

Model load_parameters(const std::string& name, RunConfig& config,
                      const LexicalisedSectionReader& lexicalised) {
  FILE* in = open_file(name, "rb");
  try {
    Model model = read_parameters(in, name, config);
    if (config.lexmodel) {
      if (!lexicalised)
        fatal_error2("This version of Velmo cannot read lexicalised parameter files", name);
      lexicalised(in, name, model);
    }
    std::fclose(in);
    return model;
  } catch (...) {
    std::fclose(in);
    throw;
  }
}

}  // namespace velmo
