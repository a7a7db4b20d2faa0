// -trees: every tree of the forest written out on a line of its own.
//
// A tree is built left to right in one buffer. What remains to the right of the node being
// expanded is kept on a stack of pending entries: later daughters still to expand, and close
// markers for brackets still open. When a word completes a part of the tree, the next pending
// entry continues it; once the stack is empty the tree is complete. Every choice point
// (analysis, link) loops over its alternatives, so backtracking enumerates all trees.
#include <string>
#include <vector>

#include "output/forest_printer.h"
#include "output/quote.h"

namespace velmo {

namespace {

class TreeEnumerator {
 public:
  TreeEnumerator(FILE* out, const OutputContext& ctx) : out_(out), ctx_(ctx) {}

  void expand(ForestNode* node, std::size_t length) {
    buffer_.resize(length);
    buffer_ += '(';
    buffer_ += ctx_.model.grammar.name(node->category);
    buffer_ += ' ';
    if (node->lexical) {
      buffer_ += quote_string(node->word, ctx_.config);
      buffer_ += ')';
      continue_tree(buffer_.size());
      return;
    }
    std::size_t opened = buffer_.size();
    for (ChartItem* item = node->analyses; item; item = item->next_analysis) {
      pending_.push_back(kClose);
      expand_links(item, opened);
      pending_.pop_back();
    }
  }

 private:
  static constexpr ForestNode* kClose = nullptr;

  // The links are the choices for the item's last daughter; it waits on the stack while the
  // earlier daughters are expanded.
  void expand_links(ChartItem* item, std::size_t length) {
    for (DaughterLink* link = item->links; link; link = link->next) {
      if (link->previous) {
        pending_.push_back(link->daughter);
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
    ForestNode* entry = pending_.back();
    pending_.pop_back();
    if (entry == kClose) {
      buffer_.resize(length);
      buffer_ += ')';
      continue_tree(length + 1);
    } else {
      expand(entry, length);
    }
    pending_.push_back(entry);
  }

  FILE* out_;
  const OutputContext& ctx_;
  std::string buffer_;
  std::vector<ForestNode*> pending_;
};

}  // namespace

void print_trees(FILE* out, const OutputContext& ctx) {
  TreeEnumerator trees(out, ctx);
  for (ForestNode* root : ctx.chart.roots()) trees.expand(root, 0);
  std::fputc('\n', out);
  std::fflush(out);
}

}  // namespace velmo
