// Inside-outside training: each sentence's forest adds its expected rule, lexical and start
// frequencies to the model; with -iter n the probabilities are re-estimated after n, 3n, 7n ...
// sentences, and the frequency files are written after each re-estimation and at the end.
#pragma once

#include <memory>
#include <vector>

#include "base/run_config.h"
#include "model/frequency_files.h"
#include "model/model.h"
#include "parser/chart.h"
#include "parser/forest_stage.h"
#include "parser/inside_outside.h"
#include "parser/sentence.h"

namespace velmo {

// Multiplies every accumulated frequency of the model by w (0 clears them): start frequencies,
// then per category its rules and its open-class frequencies, then per lexicon entry its tags
// and their lemmas.
void scale_frequencies(Model& model, double w, const RunConfig& config);

class Trainer {
 public:
  // `lexicalised` receives the lexicalised events and `lexicalised_files` are written with the
  // frequency files, when the forests are lexicalised.
  Trainer(Model& model, const RunConfig& config, LexicalisedCounts* lexicalised = nullptr,
          std::vector<ExtraFrequencyFile> lexicalised_files = {});

  // One sentence, after its inside and outside values were computed. `sentence_number` counts
  // from 1 over all processed sentences.
  void training_step(Chart& chart, const ProbModel& pm, const ForestProbs& probs,
                     const Sentence& sentence, long sentence_number);
  // Sentences trained since the last re-estimation (for the intermediate files).
  int sentences_since_reestimation() const { return since_reestimation_; }
  // The frequency files with base train_base (also the loop's intermediate results), the
  // lexicalised ones with them.
  void write_files();
  // The closing perplexity line and the final frequency files; with -train-sums also the
  // sums of the perplexity since the last re-estimation.
  void finish_training();

 private:
  void count_perplexity(Chart& chart, const ForestProbs& probs, const Sentence& sentence);
  void reestimate(long sentence_number);
  void report_perplexity(const char* prefix, long sentence_number);
  void write_sums() const;

  Model& model_;
  const RunConfig& config_;
  LexicalisedCounts* lexicalised_;
  std::vector<ExtraFrequencyFile> lexicalised_files_;
  int interval_;                 // sentences until the next re-estimation; doubles each time
  int since_reestimation_ = 0;
  double log_prob_sum_ = 0.0;    // natural logarithms of the counted sentences
  long position_sum_ = 0;        // chart positions, not words: a lattice word may span several
  bool zero_prob_seen_ = false;
};

// The consumer of a training run: inside and outside values, then the training step; every
// 10,000 sentences the intermediate frequency files, and at the end the final ones.
std::unique_ptr<ForestStage> make_trainer(Model& model, const RunConfig& config,
                                          LexicalisedCounts* lexicalised = nullptr,
                                          std::vector<ExtraFrequencyFile> lexicalised_files = {});

}  // namespace velmo
