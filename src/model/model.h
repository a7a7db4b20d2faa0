// Model: everything estimated at start-up and read by the sentence loop. Built once by the run
// sequence and passed by reference; only training changes its frequencies and probabilities.
#pragma once

#include "grammar/grammar.h"
#include "lexicon/lexicon.h"

namespace velmo {

struct Model {
  Grammar grammar;
  Lexicon lexicon;
  // Counts the estimations of the probabilities, so that what is computed from them can tell
  // whether it is still current.
  long estimations = 0;
};

}  // namespace velmo
