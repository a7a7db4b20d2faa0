// velmo-draw: trees as pictures. Reads trees one per line in the form velmo -viterbi prints (and
// the gold files of velmo-treebank) and draws each as text, labels above their daughters and
// the words on the bottom line:
//
//          S
//    ______|__
//    NP      VP
//    |   ____|__
//   PRP VBD    NP
//    |   |   __|__
//    |   |   DT  NN
//    |   |   |   |
//   she saw the man
//
// With --dot it writes Graphviz dot instead (dot -Tsvg turns it into a picture), and with --vpf
// it reads the packed forests of velmo -vpf and writes them as dot graphs in which a shared
// node is drawn once, with an edge from each use, and the readings of an ambiguous node hang
// from a point. --plain draws trees without the parent annotations of their labels (NP^S as NP).
//
// Usage: velmo-draw [--dot] [--vpf] [--plain] [file]   (standard input without a file)
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/diagnostics.h"
#include "trees/tree.h"

namespace velmo {
namespace {

// ---------------------------------------------------------------- text drawing

// A tree laid out: every node has a box of columns; a label is centred in its box, and the
// daughters' boxes lie side by side, one column apart, centred in their mother's box.
class TextDrawing {
 public:
  explicit TextDrawing(const Tree& tree) {
    depth_ = word_row(tree, 0);
    measure(tree);
    rows_.assign(2 * depth_ + 1, std::string(width(tree), ' '));
    place(tree, 0, 0);
  }

  void print(FILE* out) const {
    for (std::string row : rows_) {
      row.erase(row.find_last_not_of(' ') + 1);
      std::fprintf(out, "%s\n", row.c_str());
    }
  }

 private:
  // The depth of the deepest preterminal, plus one: the words' level.
  static int word_row(const Tree& node, int depth) {
    if (node.is_preterminal()) return depth + 1;
    int deepest = 0;
    for (const Tree& child : node.children) deepest = std::max(deepest, word_row(child, depth + 1));
    return deepest;
  }

  std::size_t width(const Tree& node) const { return widths_.at(&node); }

  std::size_t measure(const Tree& node) {
    std::size_t w = node.label.size();
    if (node.is_preterminal()) {
      w = std::max(w, node.word.size());
    } else {
      std::size_t daughters = node.children.size() - 1;
      for (const Tree& child : node.children) daughters += measure(child);
      w = std::max(w, daughters);
    }
    widths_[&node] = std::max<std::size_t>(w, 1);
    return widths_[&node];
  }

  void put(int row, std::size_t centre, const std::string& text) {
    std::size_t start = centre - std::min(centre, (text.size() - 1) / 2);
    rows_[row].replace(start, text.size(), text);
  }

  // Places the node's box at column x, its label on row 2 * depth; returns the centre column.
  std::size_t place(const Tree& node, std::size_t x, int depth) {
    const std::size_t w = width(node);
    const std::size_t centre = x + (w - 1) / 2;
    put(2 * depth, centre, node.label);
    if (node.is_preterminal()) {
      for (int row = 2 * depth + 1; row < 2 * depth_; ++row) rows_[row][centre] = '|';
      put(2 * depth_, centre, node.word);
      return centre;
    }
    std::size_t daughters = node.children.size() - 1;
    for (const Tree& child : node.children) daughters += width(child);
    std::size_t at = x + (w - daughters) / 2;
    std::vector<std::size_t> centres;
    for (const Tree& child : node.children) {
      centres.push_back(place(child, at, depth + 1));
      at += width(child) + 1;
    }
    std::string& line = rows_[2 * depth + 1];
    for (std::size_t c = centres.front(); c <= centres.back(); ++c) line[c] = '_';
    line[centre] = '|';
    return centre;
  }

  int depth_ = 0;
  std::map<const Tree*, std::size_t> widths_;
  std::vector<std::string> rows_;
};

// ---------------------------------------------------------------- dot

std::string dot_quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// One graph at a time, written out whole when it is complete.
class DotWriter {
 public:
  explicit DotWriter(FILE* out) : out_(out) {}

  void begin(int number) {
    graph_ = "digraph tree" + std::to_string(number) +
             " {\n  ordering=out;\n  node [shape=plaintext];\n";
    words_.clear();
  }
  void end() {
    if (!words_.empty()) {
      graph_ += "  { rank=same;";
      for (int w : words_) graph_ += " n" + std::to_string(w) + ";";
      graph_ += " }\n";
    }
    graph_ += "}\n";
    std::fputs(graph_.c_str(), out_);
  }
  int node(std::string_view label, const char* extra = "") {
    graph_ += "  n" + std::to_string(next_) + " [label=" + dot_quote(label) + extra + "];\n";
    return next_++;
  }
  int word(std::string_view text) {
    int id = node(text, ", fontcolor=blue");
    words_.push_back(id);
    return id;
  }
  int point() { return node("", ", shape=point"); }
  void edge(int from, int to, const char* style = "") {
    graph_ += "  n" + std::to_string(from) + " -> n" + std::to_string(to) + style + ";\n";
  }

 private:
  FILE* out_;
  std::string graph_;
  int next_ = 0;
  std::vector<int> words_;
};

int draw_dot(const Tree& node, DotWriter& dot) {
  const int id = dot.node(node.label);
  if (node.is_preterminal()) {
    dot.edge(id, dot.word(node.word));
  } else {
    for (const Tree& child : node.children) dot.edge(id, draw_dot(child, dot));
  }
  return id;
}

// ---------------------------------------------------------------- vpf forests

constexpr int kMaxForestDepth = 10000;
constexpr const char* kUsage = "usage: velmo-draw [--dot] [--vpf] [--plain] [file]\n";

// A -vpf forest line: ("S" ("NP" ...)...), #n= before a shared node, #n for a later use of it,
// {A#iB} for the readings of an ambiguous node, =#i[...] for values after a category.
class VpfReader {
 public:
  VpfReader(std::string_view line, DotWriter& dot, const std::string& name, int number)
      : text_(line), dot_(dot), name_(name), number_(number) {}

  // The forest's root (or the point above several roots).
  int forest() {
    int root = element(0);
    skip_blanks();
    if (at_ != text_.size()) fail("text after the forest");
    return root;
  }

 private:
  // Nesting is bounded as in the tree reader, so that a hostile line cannot overflow the stack.
  int element(int depth) {
    if (depth > kMaxForestDepth) fail("brackets nested too deeply");
    skip_blanks();
    if (peek('#')) return shared(depth);
    if (peek('{')) return readings(depth);
    if (!peek('(')) fail("expected '(', '{' or '#'");
    return node(depth);
  }

  // #n= before the first use of a shared node, #n for a later one.
  int shared(int depth) {
    ++at_;
    std::string label;
    while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) {
      label += text_[at_++];
    }
    if (label.empty()) fail("'#' without a number");
    if (peek('=')) {
      ++at_;
      int id = element(depth + 1);
      shared_[label] = id;
      return id;
    }
    auto found = shared_.find(label);
    if (found == shared_.end()) fail("#" + label + " used before it is defined");
    return found->second;
  }

  // {A#iB}: a point with a dashed edge to each reading.
  int readings(int depth) {
    ++at_;
    int point = dot_.point();
    while (true) {
      dot_.edge(point, element(depth + 1), " [style=dashed]");
      skip_blanks();
      if (text_.substr(at_, 2) == "#i") {
        at_ += 2;
        continue;
      }
      if (!peek('}')) fail("a reading not closed by '}'");
      ++at_;
      return point;
    }
  }

  // ("category" ...): a node and its word or daughters.
  int node(int depth) {
    ++at_;
    std::string category = quoted();
    if (text_.substr(at_, 3) == "=#i") {  // values: =#i[...]
      at_ = text_.find(']', at_);
      if (at_ == std::string_view::npos) fail("values not closed by ']'");
      ++at_;
    }
    const int id = dot_.node(category);
    skip_blanks();
    if (peek('"')) {
      dot_.edge(id, dot_.word(quoted()));
    } else {
      while (!peek(')')) {
        if (at_ >= text_.size()) fail("unbalanced brackets: the forest is not closed");
        dot_.edge(id, element(depth + 1));
        skip_blanks();
      }
    }
    skip_blanks();
    if (!peek(')')) fail("expected ')'");
    ++at_;
    return id;
  }

  std::string quoted() {
    skip_blanks();
    if (!peek('"')) fail("expected a quoted name");
    std::string out;
    for (++at_; at_ < text_.size() && text_[at_] != '"'; ++at_) {
      if (text_[at_] == '\\' && at_ + 1 < text_.size()) ++at_;
      out += text_[at_];
    }
    if (at_ >= text_.size()) fail("a quoted name not closed");
    ++at_;
    return out;
  }

  bool peek(char c) const { return at_ < text_.size() && text_[at_] == c; }
  void skip_blanks() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
  }
  [[noreturn]] void fail(const std::string& what) const {
    throw FatalError(name_ + ": forest " + std::to_string(number_) + ": " + what + "\n");
  }

  std::string_view text_;
  std::size_t at_ = 0;
  DotWriter& dot_;
  const std::string& name_;
  int number_;
  std::map<std::string, int> shared_;
};

// ---------------------------------------------------------------- main

struct Options {
  bool dot = false, vpf = false, plain = false;
  std::string name = "-";  // standard input
};

// The options, or the exit status when there is nothing to run (--help, a usage error).
std::optional<int> parse_options(int argc, char** argv, Options& o) {
  bool named = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--dot") == 0) {
      o.dot = true;
    } else if (std::strcmp(argv[i], "--vpf") == 0) {
      o.vpf = o.dot = true;
    } else if (std::strcmp(argv[i], "--plain") == 0) {
      o.plain = true;
    } else if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    } else if ((argv[i][0] == '-' && argv[i][1] != '\0') || named) {
      std::fputs(kUsage, stderr);
      return 2;
    } else {
      o.name = argv[i];
      named = true;
    }
  }
  return std::nullopt;
}

// Line `number` of the input: a tree (or with --vpf a forest), or a failed parse.
void draw_line(std::string_view line, int number, const Options& o, DotWriter& writer) {
  if (line.starts_with("No parse for:") || line.starts_with("\"No parse for:\"")) {
    if (!o.dot) std::printf("%.*s\n\n", static_cast<int>(line.size()), line.data());
    return;
  }
  if (o.vpf) {
    writer.begin(number);
    VpfReader(line, writer, o.name, number).forest();
    writer.end();
    return;
  }
  Tree tree = tree_of_line(line, o.name, number);
  if (o.plain) remove_annotations(tree);
  if (o.dot) {
    writer.begin(number);
    draw_dot(tree, writer);
    writer.end();
  } else {
    TextDrawing(tree).print(stdout);
    std::fputc('\n', stdout);
  }
}

int run(int argc, char** argv) {
  Options options;
  if (std::optional<int> status = parse_options(argc, argv, options)) return *status;
  const std::string text = read_input(options.name);
  DotWriter writer(stdout);
  int number = 0;
  for (std::string_view line : content_lines(text)) draw_line(line, ++number, options, writer);
  return 0;
}

}  // namespace
}  // namespace velmo

int main(int argc, char** argv) { return velmo::run_tool("velmo-draw", argc, argv, velmo::run); }
