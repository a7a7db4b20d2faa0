// What a printer needs to write one sentence's forest.
#pragma once

#include "base/run_config.h"
#include "model/model.h"
#include "parser/chart.h"
#include "parser/inside_outside.h"
#include "parser/sentence.h"

namespace velmo {

struct OutputContext {
  Chart& chart;
  const Sentence& sentence;
  const Model& model;
  const RunConfig& config;
  const ProbModel& pm;
  const ForestProbs& probs;
};

}  // namespace velmo
