// Wordwise smoothing (-wordwise-smoothing): each word's tag distribution is smoothed against
// the distribution of its ambiguity class, the set of words with the same tag list.
#pragma once

#include "lexicon/lexicon.h"

namespace velmo {

// Stores the smoothed counts, as floats, in the tag entries' probability fields.
void smooth_wordwise(Lexicon& lexicon);

}  // namespace velmo
