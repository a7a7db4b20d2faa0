#include "lexicon/mwl_trie.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace velmo {

namespace {

std::vector<std::string_view> split_at_blanks(std::string_view word) {
  std::vector<std::string_view> components;
  for (;;) {
    std::size_t blank = word.find(' ');
    components.push_back(word.substr(0, blank));
    if (blank == std::string_view::npos) return components;
    word.remove_prefix(blank + 1);
  }
}

// The child of `node` under `word`, created (entry -1) where the sorted order puts it.
MwlNode& child_for_insert(MwlNode& node, std::string_view word) {
  auto at = std::lower_bound(node.words.begin(), node.words.end(), word,
                             [](const std::string& a, std::string_view b) { return a < b; });
  std::size_t index = at - node.words.begin();
  if (at == node.words.end() || *at != word) {
    node.words.insert(at, std::string(word));
    node.children.insert(node.children.begin() + index, MwlNode());
  }
  return node.children[index];
}

void insert_lexeme(MwlNode& root, std::string_view word, int entry) {
  std::vector<std::string_view> components = split_at_blanks(word);
  MwlNode* node = &root;
  for (auto it = components.rbegin(); it != components.rend(); ++it)
    node = &child_for_insert(*node, *it);
  node->entry = entry;
}

}  // namespace

const MwlNode* MwlNode::child(std::string_view word) const {
  auto at = std::lower_bound(words.begin(), words.end(), word,
                             [](const std::string& a, std::string_view b) { return a < b; });
  if (at == words.end() || *at != word) return nullptr;
  return &children[at - words.begin()];
}

void build_mwl_index(const std::vector<LexEntry>& entries, MwlNode& root, bool warn) {
  root = MwlNode();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string& word = entries[i].word;
    long blanks = std::count(word.begin(), word.end(), ' ');
    if (blanks == 0) continue;
    if (blanks > kMaxMwlBlanks) {
      // Printed even with -quiet: the lexeme silently becoming unreachable would be worse.
      if (warn) std::fprintf(stderr, "Warning: MWL \"%s\" in lexicon is too long!\n", word.c_str());
      continue;
    }
    insert_lexeme(root, word, static_cast<int>(i));
  }
}

}  // namespace velmo
