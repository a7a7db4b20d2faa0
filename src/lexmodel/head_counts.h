// How many distinct heads each category and child pooling class can have: the number of events
// a lexical-choice distribution is smoothed over, and the uniform choice where the tables know
// nothing of a class.
#pragma once

#include "base/run_config.h"
#include "lexmodel/pooling.h"
#include "model/model.h"

namespace velmo {

// Counts the distinct heads of every symbol and child pooling class (the head count fields).
void count_heads(Model& model, PoolingClasses& pooling, const RunConfig& config);

// The head count of a symbol or child class id.
int head_count_of(const Grammar& grammar, const PoolingClasses& pooling, int id);

}  // namespace velmo
