// velmo-treebank: a Velmo model from a treebank in the usual Penn form. Reads the trees (an
// outer bracket without label, empty elements under -NONE-, function tags and indices such as
// NP-SBJ-1), cleans them (empty elements and what they leave empty removed, function tags and
// indices cut, X -> X chains that this leaves collapsed, the quote tags `` and '' renamed -LQ-
// and -RQ- since a trailing apostrophe marks a head daughter in Velmo's files) and writes
//   base.gram   rule frequencies, head daughters marked from a head-percolation table
//   base.lex    word and tag frequencies
//   base.start  the categories at the roots of the trees
//   base.oc     tags of words seen at most --open-max times (default 1): the open classes
//               of unknown words that do not begin with a capital
//   base.OC     the same for the capitalised ones
// and, on request, the sentences in velmo's input format and the cleaned trees as -viterbi
// prints them (gold files for velmo-eval). Unary cycles of the grammar (which velmo's inside,
// outside and training refuse) are reported, and broken with --break-cycles. With --parent
// every phrase below the root carries its parent's label (NP^S, NP^VP), so that the grammar
// tells a subject from an object; heads and cycles are decided on the plain labels, and the
// gold trees keep them.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/diagnostics.h"
#include "base/replacement_file.h"
#include "trees/tree.h"
#include "velmo-treebank/head_table.h"

namespace velmo {
namespace {

const char* const kUsage =
    "usage: velmo-treebank [options] base [treebank-file...]\n"
    "  (the trees from standard input when no file is named, or for -)\n"
    "  --heads FILE      the head-percolation table (default: the usual one for the Penn\n"
    "                    treebank; --print-heads writes it)\n"
    "  --print-heads     write the default head table to standard output and stop\n"
    "  --open-max N      words seen at most N times give the open classes (default 1)\n"
    "  --sentences FILE  also write the sentences of the trees in velmo's input format\n"
    "  --gold FILE       also write the cleaned trees, one per line, as velmo -viterbi does\n"
    "  --bracketed FILE  also write the sentences with every constituent and part of speech\n"
    "                    bracketed, for training on the trees themselves (velmo -isym EMPTY)\n"
    "  --break-cycles    drop the least frequent rule of every unary cycle of the grammar\n"
    "  --parent          every phrase below the root carries its parent's label: NP^S, NP^VP\n"
    "  --parent-tags     with --parent, the parts of speech too: NN^NP\n";

struct Options {
  std::string base, heads_file, sentences_file, gold_file, bracketed_file;
  std::vector<std::string> treebank_files;
  long open_max = 1;
  bool break_cycles = false;
  bool parent = false, parent_tags = false;
};

// NP-SBJ-1 and NP=2 are NP; labels that begin with a hyphen (-NONE-, -LRB-) stay whole. The
// quote tags become -LQ- and -RQ-, and any other label that ends in an apostrophe gets a hyphen
// after it, so that no label reads as head-marked.
std::string clean_label(const std::string& label) {
  std::string cut = without_function_tags(label);
  if (cut == "``") return "-LQ-";
  if (cut == "''") return "-RQ-";
  if (cut.back() == '\'') cut += '-';
  return cut;
}

// The tree without its empty elements; nothing when nothing else is left.
std::optional<Tree> clean(const Tree& node) {
  if (node.is_preterminal()) {
    if (node.label == "-NONE-") return std::nullopt;
    return Tree{clean_label(node.label), node.word, {}};
  }
  Tree out{node.label.empty() ? "" : clean_label(node.label), "", {}};
  for (const Tree& child : node.children) {
    if (std::optional<Tree> c = clean(child)) out.children.push_back(std::move(*c));
  }
  if (out.children.empty()) return std::nullopt;
  // X -> X: the removal of empty elements leaves such chains (NP over NP whose sisters were
  // empty); the upper node adds nothing.
  if (out.children.size() == 1 && !out.children[0].is_preterminal() &&
      out.children[0].label == out.label) {
    return std::move(out.children[0]);
  }
  return out;
}

struct RuleKey {
  std::string mother;
  std::vector<std::string> daughters;
  std::size_t head;
  bool operator<(const RuleKey& o) const {
    return std::tie(mother, daughters, head) < std::tie(o.mother, o.daughters, o.head);
  }
};

struct Counts {
  std::map<RuleKey, long> rules;
  std::map<std::string, std::map<std::string, long>> lexicon;  // word -> tag -> count
  std::map<std::string, long> starts;
  long trees = 0;
};

// The head daughter is found on the plain labels, so that an annotated rule has the head of the
// rule it annotates.
void count_tree(const Tree& node, const HeadTable& heads, Counts& counts) {
  if (node.is_preterminal()) {
    ++counts.lexicon[node.word][node.label];
    return;
  }
  RuleKey key{node.label, {}, 0};
  std::vector<std::string> plain;
  for (const Tree& child : node.children) {
    key.daughters.push_back(child.label);
    plain.push_back(without_annotation(child.label));
    count_tree(child, heads, counts);
  }
  key.head = heads.head(without_annotation(node.label), plain);
  ++counts.rules[key];
}

// Parent annotation: every phrase below `node` gets its parent's label after a '^' (the parts
// of speech too with `tags`). A node is annotated by its parent after its own daughters, which
// therefore see its plain label.
void annotate_below(Tree& node, bool tags) {
  for (Tree& child : node.children) {
    annotate_below(child, tags);
    if (!child.is_preterminal() || tags) child.label += "^" + node.label;
  }
}

// What velmo could not read back from the files written here: a word holding a tab (the
// separator of word and tags) or a NUL byte (which ends a line), a rule of more daughters than
// velmo takes. Empty when the tree is fine.
constexpr std::size_t kMaxDaughters = 99;

std::string unwritable(const Tree& node) {
  if (node.is_preterminal()) {
    if (node.word.find('\t') != std::string::npos) return "a word holding a tab: " + node.word;
    if (node.word.find('\0') != std::string::npos)
      return "a word holding a NUL byte: " + node.word.substr(0, node.word.find('\0'));
    return "";
  }
  if (node.children.size() > kMaxDaughters)
    return "a " + node.label + " of " + std::to_string(node.children.size()) +
           " daughters (velmo takes at most 99)";
  for (const Tree& child : node.children) {
    std::string problem = unwritable(child);
    if (!problem.empty()) return problem;
  }
  return "";
}

// velmo trims the byte 0xA0 (a blank in ISO 8859-1) from both ends of a word, where UTF-8
// text has it as the last byte of a letter (à is C3 A0): such a word would not be the word of
// the gold trees. Each is named once.
void warn_about_blank_ends(const Tree& node, std::set<std::string>& named) {
  if (!node.is_preterminal()) {
    for (const Tree& child : node.children) warn_about_blank_ends(child, named);
    return;
  }
  const std::string& w = node.word;
  if ((w.front() != '\xA0' && w.back() != '\xA0') || !named.insert(w).second) return;
  std::fprintf(stderr,
               "velmo-treebank: warning: the word %s begins or ends with the byte 0xA0, which "
               "velmo takes for a blank\n",
               w.c_str());
}

RuleKey plain_rule(const RuleKey& key) {
  RuleKey plain{without_annotation(key.mother), {}, key.head};
  for (const std::string& d : key.daughters) plain.daughters.push_back(without_annotation(d));
  return plain;
}

bool is_capitalised(const std::string& word) {
  const unsigned char c = static_cast<unsigned char>(word[0]);
  return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
}

// The sentence with every node of the tree bracketed, parts of speech included: a line "\t( X"
// before the first word of each X, a line "\t)" after its last word.
void write_bracketed(const Tree& node, std::string& out) {
  out += "\t( " + node.label + "\n";
  if (node.is_preterminal()) out += node.word + "\n";
  for (const Tree& child : node.children) write_bracketed(child, out);
  out += "\t)\n";
}

// ---------------------------------------------------------------- unary cycles

using Rules = std::map<RuleKey, long>;

// A cycle of unary rules among those not in `left_out`, as the rules in order; empty if none.
std::vector<Rules::const_iterator> find_cycle(const Rules& rules,
                                              const std::set<RuleKey>& left_out) {
  std::map<std::string, std::vector<Rules::const_iterator>> edges;
  for (auto it = rules.begin(); it != rules.end(); ++it) {
    if (it->first.daughters.size() == 1 && !left_out.count(it->first)) {
      edges[it->first.mother].push_back(it);
    }
  }
  enum State { kNew, kOnPath, kDone };
  std::map<std::string, State> state;
  std::vector<Rules::const_iterator> path;
  std::vector<Rules::const_iterator> cycle;
  // Depth-first; the path holds the rules from the start to the current symbol.
  auto visit = [&](auto& self, const std::string& symbol) -> bool {
    state[symbol] = kOnPath;
    for (auto rule : edges[symbol]) {
      const std::string& next = rule->first.daughters[0];
      path.push_back(rule);
      if (state[next] == kOnPath) {
        auto from = std::find_if(path.begin(), path.end(),
                                 [&](auto r) { return r->first.mother == next; });
        cycle.assign(from, path.end());
        return true;
      }
      if (state[next] == kNew && self(self, next)) return true;
      path.pop_back();
    }
    state[symbol] = kDone;
    return false;
  };
  for (const auto& [symbol, unused] : edges) {
    if (state[symbol] == kNew && visit(visit, symbol)) break;
  }
  return cycle;
}

// Reports every unary cycle; with `drop`, removes the least frequent rule of each and returns
// the rules removed.
std::set<RuleKey> handle_cycles(Rules& rules, bool drop) {
  std::set<RuleKey> dropped;
  std::set<RuleKey> left_out;
  int cycles = 0;
  while (true) {
    auto cycle = find_cycle(rules, left_out);
    if (cycle.empty()) break;
    ++cycles;
    std::string text = cycle.front()->first.mother;
    auto weakest = cycle.front();
    for (auto rule : cycle) {
      text += " -> " + rule->first.daughters[0] + " (" + std::to_string(rule->second) + ")";
      if (rule->second < weakest->second) weakest = rule;
    }
    std::fprintf(stderr, "velmo-treebank: unary cycle %s\n", text.c_str());
    if (drop) {
      std::fprintf(stderr, "velmo-treebank: dropped the rule %s -> %s (frequency %ld)\n",
                   weakest->first.mother.c_str(), weakest->first.daughters[0].c_str(),
                   weakest->second);
      dropped.insert(weakest->first);
      rules.erase(weakest);
    } else {
      left_out.insert(weakest->first);
    }
  }
  if (cycles > 0 && !drop) {
    std::fprintf(stderr,
                 "velmo-treebank: velmo refuses inside, outside and training for a grammar with "
                 "unary cycles; --break-cycles drops the least frequent rule of each\n");
  }
  return dropped;
}

// ---------------------------------------------------------------- output

void write_model(const Options& options, const Counts& counts) {
  auto open = [&](const char* suffix) {
    return std::make_unique<ReplacementFile>(options.base + suffix, "wt");
  };
  auto gram = open(".gram"), lex = open(".lex"), start = open(".start");
  auto oc = open(".oc"), cap_oc = open(".OC");
  for (const auto& [key, count] : counts.rules) {
    std::fprintf(gram->stream(), "%ld %s", count, key.mother.c_str());
    for (std::size_t d = 0; d < key.daughters.size(); ++d) {
      std::fprintf(gram->stream(), " %s%s", key.daughters[d].c_str(), d == key.head ? "'" : "");
    }
    std::fputc('\n', gram->stream());
  }
  std::map<std::string, long> open_classes, cap_open_classes;
  for (const auto& [word, tags] : counts.lexicon) {
    std::fputs(word.c_str(), lex->stream());
    long seen = 0;
    for (const auto& [tag, count] : tags) {
      std::fprintf(lex->stream(), "%c%s %ld", seen == 0 ? '\t' : ' ', tag.c_str(), count);
      seen += count;
    }
    std::fputc('\n', lex->stream());
    if (seen > options.open_max) continue;
    for (const auto& [tag, count] : tags) {
      (is_capitalised(word) ? cap_open_classes : open_classes)[tag] += count;
    }
  }
  for (const auto& [category, count] : counts.starts) {
    std::fprintf(start->stream(), "%s\t%ld\n", category.c_str(), count);
  }
  for (const auto& [tag, count] : open_classes) {
    std::fprintf(oc->stream(), "%s %ld\n", tag.c_str(), count);
  }
  for (const auto& [tag, count] : cap_open_classes) {
    std::fprintf(cap_oc->stream(), "%s %ld\n", tag.c_str(), count);
  }
  // The set is on disk before the first file replaces an old one.
  for (auto* file : {gram.get(), lex.get(), start.get(), oc.get(), cap_oc.get()}) file->finish();
  for (auto* file : {gram.get(), lex.get(), start.get(), oc.get(), cap_oc.get()}) file->install();
}

long open_max_of(const std::string& text) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < 0)
    throw FatalError("--open-max needs a whole number of at least 0, not " + text + "\n");
  return value;
}

// An option without argument: true when `a` is one.
bool take_flag(const std::string& a, Options& o) {
  if (a == "--help" || a == "--print-heads") {
    std::fputs(a == "--help" ? kUsage : kPennHeadTable, stdout);
    std::exit(0);
  }
  if (a == "--parent") {
    o.parent = true;
  } else if (a == "--parent-tags") {
    o.parent = o.parent_tags = true;
  } else if (a == "--break-cycles") {
    o.break_cycles = true;
  } else {
    return false;
  }
  return true;
}

// An option with an argument: the field it fills, or null when `a` is none.
std::string* file_option(const std::string& a, Options& o) {
  if (a == "--heads") return &o.heads_file;
  if (a == "--sentences") return &o.sentences_file;
  if (a == "--gold") return &o.gold_file;
  if (a == "--bracketed") return &o.bracketed_file;
  return nullptr;
}

Options parse_options(int argc, char** argv) {
  Options o;
  std::vector<std::string> positional;
  auto value = [&](int& i) -> std::string {
    if (i + 1 >= argc) throw UsageError{std::string("option ") + argv[i] + " needs an argument\n"};
    return argv[++i];
  };
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (take_flag(a, o)) continue;
    if (std::string* file = file_option(a, o)) {
      *file = value(i);
    } else if (a == "--open-max") {
      o.open_max = open_max_of(value(i));
    } else if (a.size() > 1 && a[0] == '-') {
      throw UsageError{"unknown option " + a + "\n" + kUsage};
    } else {
      positional.push_back(a);
    }
  }
  if (positional.empty()) throw UsageError{std::string("a base name is needed\n") + kUsage};
  o.base = positional[0];
  o.treebank_files.assign(positional.begin() + 1, positional.end());
  if (o.treebank_files.empty()) o.treebank_files.push_back("-");
  return o;
}

// What the trees give: the model's counts (and with --parent those of the plain grammar, whose
// cycles are the ones broken), and the texts of the side files.
struct Collected {
  Counts counts, plain_counts;
  std::set<std::string> blank_ended;
  std::string sentences, gold, bracketed;
};

// The cleaned tree of a treebank tree, without the unlabelled bracket around it; fatal when
// nothing or more than one tree is left, or when it cannot be written.
Tree prepared(const Tree& tree, const std::string& name, int number) {
  auto fail = [&](const std::string& what) {
    throw FatalError(name + ": tree " + std::to_string(number) + ": " + what + "\n");
  };
  std::optional<Tree> cleaned = clean(tree);
  if (!cleaned) fail("a tree without words");
  Tree root = std::move(*cleaned);
  if (root.label.empty()) {
    if (root.children.size() != 1) fail("an outer bracket around several trees");
    Tree inner = std::move(root.children[0]);
    root = std::move(inner);
  }
  if (const std::string problem = unwritable(root); !problem.empty()) fail(problem);
  return root;
}

void add_tree(const Tree& root, const Options& options, const HeadTable& heads, Collected& c) {
  warn_about_blank_ends(root, c.blank_ended);
  ++c.counts.trees;
  ++c.counts.starts[root.label];
  // The grammar's trees: the cleaned ones, or copies annotated with their parents.
  const Tree* grammar_tree = &root;
  Tree annotated;
  if (options.parent) {
    annotated = root;
    annotate_below(annotated, options.parent_tags);
    grammar_tree = &annotated;
    count_tree(root, heads, c.plain_counts);
  }
  count_tree(*grammar_tree, heads, c.counts);
  std::vector<Leaf> leaves;
  collect_leaves(root, leaves);
  for (const Leaf& leaf : leaves) c.sentences += leaf.word + "\n";
  c.sentences += "\n";
  c.gold += format_tree(root) + "\n";
  if (!options.bracketed_file.empty()) {
    write_bracketed(*grammar_tree, c.bracketed);
    c.bracketed += "\n";
  }
}

void read_treebank_file(std::string name, const Options& options, const HeadTable& heads,
                        Collected& c) {
  const std::string text = read_input(name);
  TreeReader reader(text, name);
  int in_file = 0;
  while (std::optional<Tree> tree = reader.next()) {
    ++in_file;
    add_tree(prepared(*tree, name, reader.tree_number()), options, heads, c);
  }
  if (in_file == 0) throw FatalError(name + ": no trees in the file\n");
}

void write_side_files(const Options& options, const Collected& c) {
  for (const auto& [file, content] : {std::pair{options.sentences_file, &c.sentences},
                                      std::pair{options.gold_file, &c.gold},
                                      std::pair{options.bracketed_file, &c.bracketed}}) {
    if (file.empty()) continue;
    ReplacementFile out(file, "wt");
    std::fputs(content->c_str(), out.stream());
    out.commit();
  }
}

void report(const Counts& counts) {
  std::set<std::string> symbols;
  for (const auto& [key, count] : counts.rules) {
    symbols.insert(key.mother);
    symbols.insert(key.daughters.begin(), key.daughters.end());
  }
  std::fprintf(stderr, "velmo-treebank: %ld trees; %zu rules over %zu symbols; %zu words\n",
               counts.trees, counts.rules.size(), symbols.size(), counts.lexicon.size());
}

int run(int argc, char** argv) {
  const Options options = parse_options(argc, argv);
  const HeadTable heads = options.heads_file.empty()
                              ? HeadTable(kPennHeadTable, "the default head table")
                              : HeadTable(read_file(options.heads_file), options.heads_file);
  Collected c;
  for (const std::string& name : options.treebank_files) read_treebank_file(name, options, heads, c);
  // Cycles are those of the plain grammar; an annotated rule goes with the rule it annotates.
  if (options.parent) {
    const std::set<RuleKey> dropped = handle_cycles(c.plain_counts.rules, options.break_cycles);
    std::erase_if(c.counts.rules, [&](const auto& r) { return dropped.count(plain_rule(r.first)); });
  } else {
    handle_cycles(c.counts.rules, options.break_cycles);
  }
  write_model(options, c.counts);
  write_side_files(options, c);
  report(c.counts);
  return 0;
}

}  // namespace
}  // namespace velmo

int main(int argc, char** argv) { return velmo::run_tool("velmo-treebank", argc, argv, velmo::run); }
