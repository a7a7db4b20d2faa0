#include "parser/mwl_lookup.h"

#include <cstring>
#include <string>

#include "base/diagnostics.h"

namespace velmo {

void MwlLookup::mwl_lookup_node(const MwlNode& root, const Sentence& sentence, int word,
                                const MwlFound& found) {
  walked_.clear();
  extend(root, sentence, word, word, kBufferSize, found);
}

// `last` is the word whose reading started the walk, `word` the one being prepended; the
// buffer holds the words after `word` from `fill` on, each followed by a blank.
void MwlLookup::extend(const MwlNode& node, const Sentence& sentence, int last, int word,
                       std::size_t fill, const MwlFound& found) {
  const std::string& text = sentence.words[word];
  if (fill < text.size() + 1) {
    std::string held(buffer_.data() + fill, kBufferSize - fill);
    throw FatalError("Error in function: mwl_lookup_node: " + held + "\n");
  }
  buffer_[fill - 1] = ' ';
  fill -= text.size() + 1;
  std::memcpy(buffer_.data() + fill, text.data(), text.size());

  const MwlNode* child = node.child(text);
  if (child == nullptr) return;
  // Positions are below 2^14, addresses below 2^48.
  const uint64_t state = reinterpret_cast<uintptr_t>(child) << 14 | sentence.starts[word];
  if (!walked_.insert(state).second) return;
  if (child->entry >= 0) {
    // Without the blank that follows the last word.
    std::string_view joined(buffer_.data() + fill, kBufferSize - 1 - fill);
    found(child->entry, sentence.starts[word], sentence.ends[last], joined);
  }
  for (int before = 0; before < last; ++before) {
    if (sentence.ends[before] == sentence.starts[word]) {
      extend(*child, sentence, last, before, fill, found);
    }
  }
}

}  // namespace velmo
