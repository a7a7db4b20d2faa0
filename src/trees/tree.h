// Bracketed trees as the tools read and write them: the one-line trees that velmo -viterbi
// prints, "(S (NP (PRP she))(VP (VBD saw)))", and the trees of Penn treebank files, which span
// several lines and sit in an outer bracket without label.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmo {

struct Tree {
  std::string label;
  std::string word;  // a preterminal's word (it has no children); may hold spaces (New York)
  std::vector<Tree> children;

  bool is_preterminal() const { return children.empty(); }
};

// The leaves of a tree in order: (tag, word).
struct Leaf {
  std::string tag;
  std::string word;
};
void collect_leaves(const Tree& tree, std::vector<Leaf>& leaves);

// NP-SBJ-1 and NP=2 are NP: function tags and indices cut. Labels that begin with a hyphen
// (-NONE-, -LRB-) stay whole.
std::string without_function_tags(const std::string& label);

// NP^S is NP: a parent annotation (velmo-treebank --parent) cut. A label that begins with '^'
// stays whole.
std::string without_annotation(const std::string& label);
// The tree with every label's parent annotation cut.
void remove_annotations(Tree& tree);

// The punctuation tags , : . and the quote tags, as treebanks write them (`` '') and as
// velmo-treebank renames them (-LQ- -RQ-).
bool is_punctuation_tag(std::string_view tag);

// "(S (NP (PRP she))(VP (VBD saw)))": the -viterbi form, no blanks between sisters.
std::string format_tree(const Tree& tree);

// Reads the trees of a text one after the other. A word runs to the bracket that closes its
// preterminal, so it may hold blanks. Problems are fatal: "<name>: tree <n>: <what>".
class TreeReader {
 public:
  // `trees_before`: trees of the same file before this text, for the numbers in messages.
  TreeReader(std::string_view text, std::string name, int trees_before = 0)
      : text_(text), name_(std::move(name)), number_(trees_before) {}
  // The next tree; nothing at the end of the text.
  std::optional<Tree> next();
  // Number of the tree read last, from 1.
  int tree_number() const { return number_; }

 private:
  Tree read_node(int depth);
  void skip_blanks();
  [[noreturn]] void fail(std::string_view what) const;

  std::string_view text_;
  std::string name_;
  std::size_t at_ = 0;
  int number_ = 0;
};

// A whole file; fatal "<name>: cannot read the file" when it cannot be opened or read.
std::string read_file(const std::string& name);
// The same, where "-" names standard input (then `name` becomes "standard input", for
// messages).
std::string read_input(std::string& name);

// The lines of a text that hold more than blanks, in order (files of one tree per line).
std::vector<std::string_view> content_lines(std::string_view text);

// The tree of a line that holds one, tree `number` of the file `name`; fatal otherwise.
Tree tree_of_line(std::string_view line, const std::string& name, int number);

// A mistake in a tool's command line: written like a fatal error, but the status is 2.
struct UsageError {
  std::string text;
};

// A tool's main: runs `run`, and writes a fatal error as "<tool>: <message>" and returns 1
// (2 for a UsageError).
int run_tool(const char* tool, int argc, char** argv, int (*run)(int, char**));

}  // namespace velmo
