// Quoting of category names, words and heads in the output, and the echo of a sentence in
// "No parse for:" lines and in the -fails file.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_config.h"
#include "lexicon/lexicon.h"
#include "parser/sentence.h"

namespace velmo {

// The string itself unless quoting is on (-quote, -vpf, -tgrep). With quoting it is enclosed
// in double quotes; without -tgrep each '"' and '\' gets a backslash, with -tgrep problematic
// characters are substituted ('"' -> '', ( ) { } -> @L@ @R@ @l@ @r@, blank -> _).
std::string quote_string(std::string_view s, const RunConfig& config);

// The sentence as print_sentence writes it, as a string.
std::string sentence_text(const std::vector<std::string>& words);
// A double quote, the words (unquoted, then escaped) separated by blanks, a double quote; then
// a flush. Results of any length are written whole.
void print_sentence(FILE* out, const Sentence& sentence);

// The name of a lexical head: the lexical item's name for ids from -1 ("<unknown>"); a node
// without head (-2) is reported as "<unknown>" as well.
std::string_view head_string(int head, const Lexicon& lexicon, const RunConfig& config);

}  // namespace velmo
