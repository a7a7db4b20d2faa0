// Finding multi-word lexemes in the input: after each word, the lexicon's trie (keyed from the
// last word of a lexeme backwards) is walked from that word back through the words that end
// where the current one starts, so a lexeme is found as soon as its last word has been read.
#pragma once

#include <cstddef>
#include <functional>
#include <cstdint>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "lexicon/lexicon.h"
#include "parser/sentence.h"

namespace velmo {

// Called for each lexeme found: its lexicon entry, its chart span, and its words joined by
// single blanks (valid only during the call).
using MwlFound = std::function<void(int entry, int start, int end, std::string_view text)>;

class MwlLookup {
 public:
  static constexpr std::size_t kBufferSize = 10000;

  // Reports every lexeme of the trie under `root` whose last word is sentence word `word`.
  // Fatal when the joined words outgrow the buffer.
  void mwl_lookup_node(const MwlNode& root, const Sentence& sentence, int word,
                       const MwlFound& found);

 private:
  void extend(const MwlNode& node, const Sentence& sentence, int last, int word,
              std::size_t fill, const MwlFound& found);

  // Filled from its end: the lexeme's words are prepended as the walk goes back in the input.
  std::vector<char> buffer_ = std::vector<char>(kBufferSize);
  // The (trie node, position) pairs already walked back from in this lookup. The trie node
  // fixes the words read, so a second way to the same pair (identical lattice arcs) can find
  // nothing new; without this, each position of duplicate arcs would double the work.
  std::unordered_set<uint64_t> walked_;
};

}  // namespace velmo
