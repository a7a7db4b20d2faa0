// Probability estimation: rule, lexical, open-class and start probabilities from the model's
// frequencies, with discount smoothing of unseen events, and the -print-model listing.
#pragma once

#include <cstdio>
#include <vector>

#include "base/run_config.h"
#include "model/model.h"

namespace velmo {

// Discount smoothing of one frequency vector, in place. `weights` may be null; d = 0 means 0.5.
void smooth_frequencies(std::vector<double>& f, const std::vector<double>* weights, double d);

// Estimates every probability of the model. With `listing` non-null (-print-model) the model is
// printed there while it is estimated.
void estimate_probabilities(Model& model, const RunConfig& config, FILE* listing);

// The -print-model listing of an estimated model: word, open-class, rule and start
// probabilities.
void print_model(FILE* out, const Model& model, const RunConfig& config);

}  // namespace velmo
