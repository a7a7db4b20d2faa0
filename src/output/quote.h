// Quoting of category names, words and heads in the output.
#pragma once

#include <string>
#include <string_view>

#include "base/run_config.h"
#include "lexicon/lexicon.h"

namespace velmo {

// The string itself unless quoting is on (-quote, -vpf, -tgrep). With quoting it is enclosed
// in double quotes; without -tgrep each '"' and '\' gets a backslash, with -tgrep problematic
// characters are substituted ('"' -> '', ( ) { } -> @L@ @R@ @l@ @r@, blank -> _).
std::string quote_string(std::string_view s, const RunConfig& config);

// The name of a lexical head: the lexical item's name for ids from -1 ("<unknown>"); a node
// without head (-2) is reported as "<unknown>" as well.
std::string_view head_string(int head, const Lexicon& lexicon, const RunConfig& config);

}  // namespace velmo
