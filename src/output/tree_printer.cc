// -trees: every tree of the forest written out on a line of its own.
//
// A tree is built left to right in one buffer. What remains to the right of the node being
// expanded is kept on a stack of pending entries: later daughters still to expand, and close
// markers for brackets still open. When a word completes a part of the tree, the next pending
// entry continues it; once the stack is empty the tree is complete. Every choice point
// (analysis, link) loops over its alternatives, so backtracking enumerates all trees.
// A forest of a cyclic grammar holds infinitely many trees; only those in which no node occurs
// twice on one path from the root are written.
#include <string>
#include <unordered_set>
#include <vector>

#include "output/forest_printer.h"
#include "output/quote.h"

namespace velmo {

namespace {

class TreeEnumerator {
 public:
  TreeEnumerator(FILE* out, const ParsedSentence& ctx) : out_(out), ctx_(ctx) {}

  void expand(ForestNode* node, std::size_t length) {
    if (!open_.insert(node).second) return;  // already open above: a cycle
    buffer_.resize(length);
    buffer_ += '(';
    buffer_ += ctx_.model.grammar.name(node->category);
    buffer_ += ' ';
    if (node->lexical) {
      buffer_ += quote_string(node->word, ctx_.config);
      buffer_ += ')';
      open_.erase(node);
      continue_tree(buffer_.size());
      open_.insert(node);
    } else {
      std::size_t opened = buffer_.size();
      for (ChartItem* item : analyses(node)) {
        pending_.push_back({node, true});
        expand_links(item, opened);
        pending_.pop_back();
      }
    }
    open_.erase(node);
  }

 private:
  // What remains to the right: a daughter still to expand, or the bracket of `node` to close.
  struct Pending {
    ForestNode* node;
    bool close;
  };

  // The links are the choices for the item's last daughter; it waits on the stack while the
  // earlier daughters are expanded.
  void expand_links(ChartItem* item, std::size_t length) {
    for (DaughterLink* link : links(item)) {
      if (link->previous) {
        pending_.push_back({link->daughter, false});
        expand_links(link->previous, length);
        pending_.pop_back();
      } else {
        expand(link->daughter, length);
      }
    }
  }

  void continue_tree(std::size_t length) {
    if (pending_.empty()) {
      buffer_.resize(length);
      std::fprintf(out_, "%s\n", buffer_.c_str());
      return;
    }
    Pending entry = pending_.back();
    pending_.pop_back();
    if (entry.close) {
      buffer_.resize(length);
      buffer_ += ')';
      // The closed node is no longer on the path of what follows.
      open_.erase(entry.node);
      continue_tree(length + 1);
      open_.insert(entry.node);
    } else {
      expand(entry.node, length);
    }
    pending_.push_back(entry);
  }

  FILE* out_;
  const ParsedSentence& ctx_;
  std::string buffer_;
  std::vector<Pending> pending_;
  std::unordered_set<const ForestNode*> open_;  // the nodes whose brackets are open
};

}  // namespace

void print_trees(FILE* out, const ParsedSentence& ctx) {
  TreeEnumerator trees(out, ctx);
  for (ForestNode* root : ctx.chart.roots()) trees.expand(root, 0);
  std::fputc('\n', out);
  std::fflush(out);
}

}  // namespace velmo
