// What a sound parameter file can hold. The binary format has no checksum, so a damaged file
// is recognised by what estimation never produces: probabilities outside [0, 1], distributions
// that do not sum to 1, names out of order, rule numbers that are no permutation, a
// multi-word-lexeme index that is not the one its lexicon gives.
#pragma once

#include "model/model.h"

namespace velmo {

// True when the loaded unlexicalised model could have been stored by the program. A model of a
// lexicalised file may have pooling classes (checked with its own sections), and its lexical
// probabilities may come from the lexicalised estimation, which does not keep them summing
// to 1.
bool is_sound_model(const Model& model, bool lexicalised);

}  // namespace velmo
