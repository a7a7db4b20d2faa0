#include "parser/training.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>

#include "base/diagnostics.h"
#include "base/replacement_file.h"
#include "model/estimation.h"
#include "model/frequency_files.h"

namespace velmo {
namespace {

void scale_open_class(OpenClassTable& table, int symbol, double w) {
  if (!table.loaded) return;
  OpenClassEntry& entry = table.entries[symbol];
  if (entry.open) entry.freq *= w;
}

void scale_tag_entry(TagEntry& tag, double w, const RunConfig& config) {
  tag.freq *= w;
  if (!config.stems) return;
  for (LemmaEntry& lemma : tag.lemmas) lemma.freq *= w;
}

}  // namespace

void scale_frequencies(Model& model, double w, const RunConfig& config) {
  Grammar& grammar = model.grammar;
  Lexicon& lexicon = model.lexicon;
  for (SymbolData& data : grammar.data) data.start_freq *= w;
  for (int s = 0; s < grammar.symbol_count(); ++s) {
    for (Rule& rule : grammar.data[s].rules) rule.freq *= w;
    // The capitalised table is scaled even without the ordinary one: its frequencies would
    // otherwise survive the clearing before training and reach the written .OC file.
    scale_open_class(lexicon.open_class, s, w);
    scale_open_class(lexicon.cap_open_class, s, w);
  }
  for (LexEntry& entry : lexicon.entries)
    for (TagEntry& tag : entry.tags) scale_tag_entry(tag, w, config);
}

Trainer::Trainer(Model& model, const RunConfig& config, LexicalisedCounts* lexicalised,
                 std::vector<ExtraFrequencyFile> lexicalised_files)
    : model_(model),
      config_(config),
      lexicalised_(lexicalised),
      lexicalised_files_(std::move(lexicalised_files)),
      interval_(config.iter) {}

void Trainer::training_step(Chart& chart, const ProbModel& pm, const ForestProbs& probs,
                            const Sentence& sentence, long sentence_number) {
  estimate_frequencies(chart, pm, probs, model_, lexicalised_);
  count_perplexity(chart, probs, sentence);
  ++since_reestimation_;
  if (since_reestimation_ == interval_) reestimate(sentence_number);
}

void Trainer::count_perplexity(Chart& chart, const ForestProbs& probs,
                               const Sentence& sentence) {
  if (probs.sentence_prob.log <= PROB::kZero) {
    if (count_analyses(chart) > 0) {
      warning(config_, "valid parse with zero probability");
      zero_prob_seen_ = true;
    }
    return;
  }
  log_prob_sum_ += probs.sentence_prob.log;
  position_sum_ += sentence.position_count;
}

void Trainer::reestimate(long sentence_number) {
  message(config_, "\rwriting frequency files");
  write_files();
  interval_ = interval_ > INT_MAX / 2 ? INT_MAX : 2 * interval_;
  since_reestimation_ = 0;
  report_perplexity("\r", sentence_number);
  log_prob_sum_ = 0.0;
  position_sum_ = 0;
  zero_prob_seen_ = false;
  message(config_, "reestimation of probabilities...");
  estimate_probabilities(model_, config_, nullptr);
  message(config_, "finished\n");
  scale_frequencies(model_, config_.old_freq, config_);
}

// "<prefix><sentence> perplexity: <p>\t" during training (sentence_number > 0), or
// "<prefix>perplexity: <p>\t" at the end. The lexicalised training without a lexicalised model
// computes no sentence probabilities of its own, so it reports none.
void Trainer::report_perplexity(const char* prefix, long sentence_number) {
  if (config_.quiet) return;
  if (config_.lexicalise && !config_.lexmodel) return;
  if (position_sum_ <= 0) return;
  double perplexity = std::exp(-log_prob_sum_ / static_cast<double>(position_sum_));
  if (sentence_number > 0)
    std::fprintf(stderr, "%s%ld perplexity: %g\t", prefix, sentence_number, perplexity);
  else
    std::fprintf(stderr, "%sperplexity: %g\t", prefix, perplexity);
  if (zero_prob_seen_) std::fputs("(ignoring the zero prob parses)", stderr);
  std::fputc('\n', stderr);
}

void Trainer::write_files() {
  write_frequency_files(config_.train_base, model_, config_, lexicalised_files_);
}

void Trainer::finish_training() {
  report_perplexity("\n", 0);
  write_files();
  if (!config_.train_sums_file.empty()) write_sums();
}

// One line: the log-probability sum (exact to the last bit), the position sum and the
// zero-probability flag, whatever -quiet says.
void Trainer::write_sums() const {
  ReplacementFile file(config_.train_sums_file, "wt");
  std::fprintf(file.stream(), "%.17g %ld %d\n", log_prob_sum_, position_sum_,
               zero_prob_seen_ ? 1 : 0);
  file.commit();
}

namespace {

constexpr long kIntermediateInterval = 10000;  // sentences between intermediate files

class TrainingConsumer : public ForestStage {
 public:
  TrainingConsumer(Model& model, const RunConfig& config, LexicalisedCounts* lexicalised,
                   std::vector<ExtraFrequencyFile> lexicalised_files)
      : trainer_(model, config, lexicalised, std::move(lexicalised_files)), config_(config) {}
  void apply(ParsedSentence& parsed) override {
    compute_inside_outside(parsed.chart, parsed.pm, parsed.sentence, parsed.probs);
    trainer_.training_step(parsed.chart, parsed.pm, parsed.probs, parsed.sentence, parsed.number);
  }
  void counted(long processed) override {
    if (processed % kIntermediateInterval == 0 &&
        trainer_.sentences_since_reestimation() >= kIntermediateInterval) {
      message(config_, "\nwriting intermediate results to disk\n");
      trainer_.write_files();
    }
  }
  void finish() override { trainer_.finish_training(); }

 private:
  Trainer trainer_;
  const RunConfig& config_;
};

}  // namespace

std::unique_ptr<ForestStage> make_trainer(Model& model, const RunConfig& config,
                                          LexicalisedCounts* lexicalised,
                                          std::vector<ExtraFrequencyFile> lexicalised_files) {
  return std::make_unique<TrainingConsumer>(model, config, lexicalised,
                                            std::move(lexicalised_files));
}

}  // namespace velmo
