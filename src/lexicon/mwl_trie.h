// Building the trie of multi-word lexemes: every lexicon word with blanks is entered from its
// last component backwards, so that the sentence reader can walk it from the last word of a
// span towards the first.
#pragma once

#include <vector>

#include "base/run_config.h"
#include "lexicon/lexicon.h"

namespace velmo {

// A lexeme of more than this many blanks is left out of the trie.
constexpr int kMaxMwlBlanks = 100;

// Indexes every entry whose word contains a blank (0x20); `entries` in word order. With `warn`,
// a lexeme left out for its length is reported.
void build_mwl_index(const std::vector<LexEntry>& entries, MwlNode& root, bool warn = true);

}  // namespace velmo
