#include "trees/tree.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "base/diagnostics.h"

namespace velmo {

namespace {

// Trees nest one level per bracket; far deeper than any sentence needs, and shallow enough for
// the recursion of the reader.
constexpr int kMaxDepth = 10000;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

void append_tree(const Tree& tree, std::string& out) {
  out += '(';
  out += tree.label;
  if (tree.is_preterminal()) {
    out += ' ';
    out += tree.word;
  } else {
    out += ' ';
    for (const Tree& child : tree.children) append_tree(child, out);
  }
  out += ')';
}

}  // namespace

std::string without_function_tags(const std::string& label) {
  if (label.empty() || label[0] == '-') return label;
  std::string cut = label.substr(0, label.find_first_of("-="));
  return cut.empty() ? label : cut;
}

std::string without_annotation(const std::string& label) {
  const std::size_t mark = label.find('^');
  return mark == 0 || mark == std::string::npos ? label : label.substr(0, mark);
}

void remove_annotations(Tree& tree) {
  tree.label = without_annotation(tree.label);
  for (Tree& child : tree.children) remove_annotations(child);
}

bool is_punctuation_tag(std::string_view tag) {
  return tag == "," || tag == ":" || tag == "." || tag == "``" || tag == "''" || tag == "-LQ-" ||
         tag == "-RQ-";
}

void collect_leaves(const Tree& tree, std::vector<Leaf>& leaves) {
  if (tree.is_preterminal()) {
    leaves.push_back({tree.label, tree.word});
    return;
  }
  for (const Tree& child : tree.children) collect_leaves(child, leaves);
}

std::string format_tree(const Tree& tree) {
  std::string out;
  append_tree(tree, out);
  return out;
}

std::optional<Tree> TreeReader::next() {
  skip_blanks();
  if (at_ >= text_.size()) return std::nullopt;
  ++number_;
  if (text_[at_] != '(') fail("text outside a tree");
  return read_node(0);
}

void TreeReader::skip_blanks() {
  while (at_ < text_.size() && is_blank(text_[at_])) ++at_;
}

// At an opening bracket: the label, then daughters in brackets or one word, then the closing
// bracket.
Tree TreeReader::read_node(int depth) {
  if (depth > kMaxDepth) fail("brackets nested too deeply");
  ++at_;  // '('
  Tree node;
  while (at_ < text_.size() && !is_blank(text_[at_]) && text_[at_] != '(' && text_[at_] != ')') {
    node.label += text_[at_++];
  }
  skip_blanks();
  while (at_ < text_.size() && text_[at_] == '(') {
    node.children.push_back(read_node(depth + 1));
    skip_blanks();
  }
  if (node.children.empty()) {
    std::size_t start = at_;
    while (at_ < text_.size() && text_[at_] != ')' && text_[at_] != '(' && text_[at_] != '\n') ++at_;
    std::size_t end = at_;
    while (end > start && is_blank(text_[end - 1])) --end;
    node.word = std::string(text_.substr(start, end - start));
    if (node.word.empty()) fail("a bracket without words");
    if (node.label.empty()) fail("a word without a part of speech: " + node.word);
  }
  skip_blanks();
  if (at_ >= text_.size()) fail("unbalanced brackets: the tree is not closed");
  if (text_[at_] != ')') fail("a word beside daughters in brackets");
  ++at_;
  return node;
}

void TreeReader::fail(std::string_view what) const {
  throw FatalError(name_ + ": tree " + std::to_string(number_) + ": " + std::string(what) + "\n");
}

std::string read_file(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) throw FatalError(name + ": cannot read the file\n");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw FatalError(name + ": cannot read the file\n");
  return text.str();
}

std::string read_input(std::string& name) {
  if (name != "-") return read_file(name);
  name = "standard input";
  std::ostringstream text;
  text << std::cin.rdbuf();
  if (std::cin.bad()) throw FatalError(name + ": cannot read the file\n");
  return text.str();
}

std::vector<std::string_view> content_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (line.find_first_not_of(" \t\r") != std::string_view::npos) lines.push_back(line);
  }
  return lines;
}

Tree tree_of_line(std::string_view line, const std::string& name, int number) {
  TreeReader reader(line, name, number - 1);
  std::optional<Tree> tree = reader.next();
  if (reader.next()) {
    throw FatalError(name + ": tree " + std::to_string(number) +
                     ": more than one tree on its line\n");
  }
  return std::move(*tree);
}

int run_tool(const char* tool, int argc, char** argv, int (*run)(int, char**)) {
  try {
    const int status = run(argc, argv);
    // Output that could not be written (a full disk, a closed pipe) is a failure, not a result.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
      const int error = errno;
      std::clearerr(stdout);
      throw FatalError(std::string("cannot write standard output: ") + std::strerror(error) +
                       "\n");
    }
    return status;
  } catch (const UsageError& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s", tool, e.text.c_str());
    return 2;
  } catch (const FatalError& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s", tool, e.text().c_str());
    return 1;
  }
}

}  // namespace velmo
