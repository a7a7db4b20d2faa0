#include "grammar/grammar_reader.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <string_view>

#include "base/diagnostics.h"
#include "base/text_input.h"

namespace velmo {

namespace {

// Rule counts per name (mother flags summed) collected by the first pass, in byte order.
using SymbolCounts = std::map<std::string, int, std::less<>>;

// Grammar and start lines may be of any length; like C strings they end at a NUL byte.
bool read_text_line(FILE* in, std::string& line) {
  if (!read_long_line(in, line)) return false;
  std::size_t nul = line.find('\0');
  if (nul != std::string::npos) line.resize(nul);
  return true;
}

// The fields of one rule line: the first field (the detail of every error about the line),
// the frequency, the mother and the daughters still in `rest`.
struct RuleFields {
  long line_number = 0;  // of the line last read, counting from 1
  std::string_view first;
  double freq = 1.0;
  std::string_view mother;
  std::string_view rest;
};

double parse_frequency(std::string_view field) {
  std::string text(field);
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  // "inf" and "nan" convert too, but would turn every probability of the mother into NaN.
  if (*end != '\0' || !std::isfinite(value)) fatal_error2("Not a number", field);
  return value;
}

// Reads lines until one holds a field and splits off the frequency and the mother.
bool read_rule_fields(FILE* in, std::string& line, const RunConfig& config, RuleFields& fields) {
  while (read_text_line(in, line)) {
    ++fields.line_number;
    fields.rest = line;
    fields.first = next_token(fields.rest);
    if (fields.first.empty()) continue;
    if (config.symbolic) {
      fields.freq = 1.0;
      fields.mother = fields.first;
      // Errors name the mother without its head mark.
      strip_head_mark(fields.first);
    } else {
      fields.freq = parse_frequency(fields.first);
      fields.mother = next_token(fields.rest);
    }
    return true;
  }
  return false;
}

// Rules below the -shave threshold are dropped whole; -symbolic rules are all kept. A negative
// -shave threshold cannot keep a rule of negative frequency: that would be a negative count.
bool is_kept(const RuleFields& fields, const RunConfig& config) {
  if (config.symbolic) return true;
  if (fields.freq < config.shave) return false;
  if (fields.freq < 0)
    fatal_error_num("Negative frequency in grammar file at line", fields.line_number);
  return true;
}

void parse_mother(const Grammar& grammar, const RunConfig& config, const RuleFields& fields,
                  RuleLine& rule) {
  if (fields.mother.empty())
    fatal_error2("Rules are not allowed to generate the empty string!", fields.first);
  bool marked = false;
  rule.mother = grammar.symbols.lookup(fields.mother, LookupMode::kFatal, config, &marked);
  if (marked) fatal_error2("Mother node marked as head in grammar file", fields.first);
}

void parse_daughters(const Grammar& grammar, const RunConfig& config, RuleFields fields,
                     RuleLine& rule) {
  rule.daughters.clear();
  rule.head_position = 0;
  for (std::string_view name = next_token(fields.rest); !name.empty();
       name = next_token(fields.rest)) {
    if (static_cast<int>(rule.daughters.size()) == kMaxDaughters)
      fatal_error2("Grammar rule with too many daughter nodes", fields.first);
    bool marked = false;
    rule.daughters.push_back(grammar.symbols.lookup(name, LookupMode::kFatal, config, &marked));
    if (!marked) continue;
    if (rule.head_position != 0) fatal_error2("Grammar rule with two heads", fields.first);
    rule.head_position = static_cast<int>(rule.daughters.size());
  }
  if (rule.daughters.empty())
    fatal_error2("Rules are not allowed to generate the empty string!", fields.first);
  if (config.lexicalise && rule.head_position == 0)
    fatal_error2("Missing head in grammar rule", fields.first);
}

void parse_rule(const Grammar& grammar, const RunConfig& config, const RuleFields& fields,
                RuleLine& rule) {
  parse_mother(grammar, config, fields, rule);
  parse_daughters(grammar, config, fields, rule);
  rule.freq = fields.freq;
}

void register_symbol(SymbolCounts& counts, std::string_view name, int mother_flag) {
  strip_head_mark(name);
  auto it = counts.find(name);
  if (it == counts.end())
    counts.emplace(std::string(name), mother_flag);
  else
    it->second += mother_flag;
}

// Pass 1: every name of a kept rule, with the number of rules it heads.
SymbolCounts register_symbols(FILE* in, const RunConfig& config) {
  SymbolCounts counts;
  std::string line;
  RuleFields fields;
  while (read_rule_fields(in, line, config, fields)) {
    if (!is_kept(fields, config) || fields.mother.empty()) continue;
    register_symbol(counts, fields.mother, 1);
    for (std::string_view name = next_token(fields.rest); !name.empty();
         name = next_token(fields.rest))
      register_symbol(counts, name, 0);
  }
  return counts;
}

// The chart keeps symbol ids and rule indices in 16 bits.
void check_limits(const SymbolCounts& counts) {
  if (counts.size() > static_cast<std::size_t>(kMaxSymbols))
    fatal_error("Grammar has more than 32767 symbols");
  for (const auto& [name, rules] : counts)
    if (rules > kMaxRulesPerMother) fatal_error2("Too many rules for one mother", name);
}

Grammar make_symbols(const SymbolCounts& counts) {
  Grammar grammar;
  std::vector<std::string> names;
  names.reserve(counts.size());
  for (const auto& entry : counts) names.push_back(entry.first);
  grammar.symbols.assign(std::move(names));
  grammar.data.resize(counts.size());
  int id = 0;
  for (const auto& entry : counts) {
    SymbolData& symbol = grammar.data[id];
    symbol.rules.reserve(entry.second);
    symbol.start_freq = 1.0;
    symbol.parent_pool = symbol.child_pool = id++;
  }
  return grammar;
}

// Pass 2: the rules, in file order within each mother.
void read_rules(FILE* in, Grammar& grammar, const RunConfig& config) {
  RuleLine line;
  RuleFields fields;
  int number = 0;
  while (read_rule_fields(in, line.text, config, fields)) {
    if (!is_kept(fields, config)) continue;
    parse_rule(grammar, config, fields, line);
    Rule rule;
    rule.head = line.head_position - 1;
    rule.daughters = line.daughters;
    rule.freq = line.freq;
    rule.number = number++;
    grammar.data[line.mother].rules.push_back(std::move(rule));
  }
}

void read_start_line(std::string_view cursor, long line_number, Grammar& grammar,
                     const RunConfig& config) {
  std::string_view name = next_token(cursor);
  if (name.empty()) return;
  bool marked = false;
  int id = grammar.symbols.lookup(name, LookupMode::kFatal, config, &marked);
  if (marked && !is_apostrophe_name(name))
    fatal_error_num("Head marking in start symbol file at line", line_number);
  double freq = 1.0;
  if (!config.symbolic) {
    std::string field(next_token(cursor));
    errno = 0;
    if (!field.empty()) freq = std::strtod(field.c_str(), nullptr);
    if (field.empty() || errno != 0 || !std::isfinite(freq))
      fatal_error_num("Missing frequency in start symbol file at line", line_number);
    if (freq < 0) fatal_error_num("Negative frequency in start symbol file at line", line_number);
  }
  double& start_freq = grammar.data[id].start_freq;
  if (start_freq != 0.0) fatal_error2("Two entries in start symbol file for", grammar.name(id));
  start_freq = freq == 0.0 ? 0.1 : freq;
}

}  // namespace

Grammar read_grammar(FILE* in, const RunConfig& config) {
  SymbolCounts counts = register_symbols(in, config);
  if (counts.empty()) fatal_error("Grammar is empty");
  check_limits(counts);
  Grammar grammar = make_symbols(counts);
  std::clearerr(in);
  std::fseek(in, 0, SEEK_SET);
  read_rules(in, grammar, config);
  grammar.build_first_daughter_lists();
  return grammar;
}

bool read_rule_line(FILE* in, const Grammar& grammar, const RunConfig& config, RuleLine& rule) {
  RuleFields fields;
  if (!read_rule_fields(in, rule.text, config, fields)) return false;
  parse_rule(grammar, config, fields, rule);
  return true;
}

bool find_rule(FILE* in, const Grammar& grammar, const RunConfig& config, RuleRef& found,
               double& freq) {
  RuleLine line;
  if (!read_rule_line(in, grammar, config, line)) return false;
  const std::vector<Rule>& rules = grammar.data[line.mother].rules;
  for (std::size_t r = 0; r < rules.size(); ++r) {
    if (rules[r].head != line.head_position - 1 || rules[r].daughters != line.daughters) continue;
    found = RuleRef{line.mother, static_cast<int>(r)};
    freq = line.freq;
    return true;
  }
  fatal_error("unknown grammar rule in file");
}

void read_start_symbols(FILE* in, Grammar& grammar, const RunConfig& config) {
  for (SymbolData& symbol : grammar.data) symbol.start_freq = 0.0;
  std::string line;
  for (long line_number = 1; read_text_line(in, line); ++line_number)
    read_start_line(line, line_number, grammar, config);
}

void read_start_file(const std::string& name, Grammar& grammar, const RunConfig& config) {
  if (name.empty()) {
    for (SymbolData& symbol : grammar.data) symbol.start_freq = 1.0;
    return;
  }
  std::string bytes = read_whole_file(name);
  MemoryInput in(bytes);
  read_start_symbols(in.get(), grammar, config);
}

}  // namespace velmo
