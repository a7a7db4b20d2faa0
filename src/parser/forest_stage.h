// What the sentence loop does with each forest it has built: an ordered list of stages that
// change the forest or write beside the output (pruning, head lexicalisation, -print-probs),
// then exactly one consumer chosen for the whole run (a printer, or a training step). The run
// sequence chooses both; the loop knows only this interface.
#pragma once

#include <ctime>
#include <memory>
#include <vector>

#include "base/run_config.h"
#include "model/model.h"
#include "parser/chart.h"
#include "parser/inside_outside.h"
#include "parser/sentence.h"

namespace velmo {

// One sentence after parsing, as the stages and the consumer see it. A failed sentence comes
// too (its chart has no roots): the printers report it themselves.
struct ParsedSentence {
  Chart& chart;
  const Sentence& sentence;
  const Model& model;
  const RunConfig& config;
  const ProbModel& pm;
  ForestProbs& probs;    // filled by the stage or consumer that needs the values
  std::clock_t started;  // when the sentence's first line was read
  long number;           // counting from 1 over the processed sentences
};

class ForestStage {
 public:
  virtual ~ForestStage() = default;
  virtual void apply(ParsedSentence& parsed) = 0;
  // After the sentence was counted (`processed` of them so far).
  virtual void counted(long /*processed*/) {}
  // After the last sentence; fatal when something could not be written.
  virtual void finish() {}
};

// Processor time since `started`, in seconds (the -timing lines).
inline double seconds_since(std::clock_t started) {
  return static_cast<double>(std::clock() - started) / CLOCKS_PER_SEC;
}

struct SentencePipeline {
  std::vector<std::unique_ptr<ForestStage>> stages;
  std::unique_ptr<ForestStage> consumer;
};

}  // namespace velmo
