#include "parser/sentence_loop.h"

#include <cstring>
#include <ctime>
#include <optional>
#include <string>

#include "driver/diagnostics.h"
#include "driver/text_input.h"
#include "model/frequency_files.h"
#include "output/forest_printer.h"
#include "output/output_context.h"
#include "output/quote.h"
#include "output/viterbi_printer.h"
#include "parser/chart.h"
#include "parser/inside_outside.h"
#include "parser/mwl_lookup.h"
#include "parser/sentence.h"
#include "parser/sentence_reader.h"
#include "parser/training.h"

namespace velmo {

namespace {

constexpr long kIntermediateInterval = 10000;  // sentences between intermediate files
constexpr double kClockTicksPerSecond = 1000000.0;

// "-" names standard output.
FILE* open_output(const std::string& name) {
  return name == "-" ? stdout : open_file(name, "wt");
}

void close_output(FILE* file) {
  if (file != nullptr && file != stdout) std::fclose(file);
}

// The -fails, -analysis-count and -print-probs streams, open for the whole loop.
struct SideFiles {
  FILE* fails = nullptr;
  FILE* analysis_count = nullptr;
  FILE* print_probs = nullptr;

  explicit SideFiles(const RunConfig& config) {
    if (config.fails) fails = open_file(config.fails_file, "wt");
    if (!config.analysis_count_file.empty()) {
      analysis_count = open_output(config.analysis_count_file);
    }
    if (!config.print_probs_file.empty()) print_probs = open_output(config.print_probs_file);
  }
  ~SideFiles() {
    close_output(fails);
    close_output(analysis_count);
    close_output(print_probs);
  }
  SideFiles(const SideFiles&) = delete;
  SideFiles& operator=(const SideFiles&) = delete;
};

// A NUL-terminated copy of the text that lives as long as the chart's records.
const char* copy_to_pool(BlockPool& pool, std::string_view text) {
  char* copy = static_cast<char*>(pool.allocate(text.size() + 1));
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

double seconds_since(std::clock_t started) {
  return static_cast<double>(std::clock() - started) / kClockTicksPerSecond;
}

class SentenceLoop {
 public:
  SentenceLoop(FILE* in, FILE* out, Model& model, const RunConfig& config)
      : out_(out),
        model_(model),
        config_(config),
        chart_(model.grammar),
        pm_(model, config),
        reader_(in, model.grammar, config),
        ctx_{chart_, sentence_, model_, config_, pm_, probs_},
        side_(config) {
    if (config.train) trainer_.emplace(model, config);
    mwl_found_ = [this](int entry, int start, int end, std::string_view text) {
      enter_readings(model_.lexicon.entries[entry], start, end, copy_to_pool(chart_.pool(), text));
    };
  }

  void run();

 private:
  bool process_sentence();
  bool enter_word(const WordLine& line);
  void open_positions(int end);
  bool enter_explicit_categories(const WordLine& line, const char* text);
  void enter_lexical_categories(const WordLine& line, const char* text);
  void enter_readings(const LexEntry& entry, int start, int end, const char* text);
  void enter(int category, int start, int end, const char* text);
  void process_forest(std::clock_t started);
  void report_failure();
  void dispatch(std::clock_t started);
  void dispatch_forest(std::clock_t started);
  void count_sentence();
  void finish();

  FILE* out_;
  Model& model_;
  const RunConfig& config_;
  Chart chart_;
  ProbModel pm_;
  ForestProbs probs_;
  Sentence sentence_;
  SentenceReader reader_;
  MwlLookup mwl_;
  MwlFound mwl_found_;
  OutputContext ctx_;
  SideFiles side_;
  std::optional<Trainer> trainer_;
  VpfState vpf_;
  long processed_ = 0;
  long failed_ = 0;
};

void SentenceLoop::run() {
  while (!reader_.at_end()) {
    if (!process_sentence()) break;
  }
  finish();
}

// One sentence from its first line to its output. False when the input ended where a
// sentence weight was expected.
bool SentenceLoop::process_sentence() {
  const std::clock_t started = std::clock();
  chart_.begin_sentence();
  sentence_.clear();
  probs_ = ForestProbs{};
  if (config_.sent_weights && !reader_.read_weight(sentence_)) return false;
  WordLine line;
  while (reader_.next_word(sentence_, line)) {
    if (!enter_word(line)) break;
  }
  if (sentence_.position_count > 0) process_forest(started);
  return true;
}

// Enters one word with all its readings; false when the sentence has reached its length limit
// and must end after this word.
bool SentenceLoop::enter_word(const WordLine& line) {
  open_positions(line.end);
  if (config_.verbose) verbose_message(config_, std::string(line.word) + " ");
  sentence_.words.emplace_back(line.word);
  sentence_.starts.push_back(line.start);
  sentence_.ends.push_back(line.end);
  const int index = sentence_.word_count() - 1;
  const char* text = copy_to_pool(chart_.pool(), line.word);

  // Multi-word lexemes ending here go in before the word's own readings.
  mwl_.mwl_lookup_node(model_.lexicon.mwl_root, sentence_, index, mwl_found_);
  if (!enter_explicit_categories(line, text)) enter_lexical_categories(line, text);

  if (sentence_.position_count >= kMaxWords || index >= kMaxWords) {
    warning(config_, "Input sentence is too long");
    return false;
  }
  return true;
}

void SentenceLoop::open_positions(int end) {
  while (sentence_.position_count < end) chart_.open_position(++sentence_.position_count);
}

// The categories named after the word's tab; false when none of them is a grammar category.
bool SentenceLoop::enter_explicit_categories(const WordLine& line, const char* text) {
  bool entered = false;
  std::string_view cursor = line.categories;
  for (std::string_view name = next_token(cursor); !name.empty(); name = next_token(cursor)) {
    const int category = model_.grammar.symbols.lookup(name, LookupMode::kWarn, config_);
    if (category < 0) continue;
    enter(category, line.start, line.end, text);
    entered = true;
  }
  return entered;
}

// The word's readings from the lexicon, or the open classes of the table for unknown words.
void SentenceLoop::enter_lexical_categories(const WordLine& line, const char* text) {
  const Lexicon& lexicon = model_.lexicon;
  if (const LexEntry* entry = lexicon.find_word(line.word)) {
    enter_readings(*entry, line.start, line.end, text);
    return;
  }
  if (!lexicon.open_class.loaded) {
    warning2(config_, "No parts of speech for", line.word);
    return;
  }
  const OpenClassTable& table = lexicon.table_for(line.word);
  for (int category = 0; category < static_cast<int>(table.entries.size()); ++category) {
    if (table.entries[category].open) enter(category, line.start, line.end, text);
  }
}

void SentenceLoop::enter_readings(const LexEntry& entry, int start, int end, const char* text) {
  for (const TagEntry& tag : entry.tags) enter(tag.tag, start, end, text);
}

void SentenceLoop::enter(int category, int start, int end, const char* text) {
  chart_.add_node(category, start, end, nullptr)->word = text;
}

void SentenceLoop::process_forest(std::clock_t started) {
  chart_.collect_roots(sentence_.position_count);
  if (!sentence_.brackets.empty()) {
    // Treebank matching (filter_forest) restricts the forest to the brackets here once it
    // exists; until then the brackets are read and ignored.
  }
  if (side_.analysis_count != nullptr) {
    std::fprintf(side_.analysis_count, "%llu\n",
                 static_cast<unsigned long long>(count_analyses(chart_)));
  }
  if (chart_.roots().empty()) report_failure();
  if (config_.lexicalise) {
    // Head lexicalisation of the forest goes here.
  }
  if (side_.print_probs != nullptr) print_parameters(side_.print_probs, ctx_);
  dispatch(started);
  std::fflush(out_);
  count_sentence();
}

// The failed sentence still goes through the dispatch: the printers report it themselves.
void SentenceLoop::report_failure() {
  if (side_.fails != nullptr) {
    print_sentence(side_.fails, sentence_);
    std::fputc('\n', side_.fails);
  }
  warning(config_, "parsing failed");
  ++failed_;
}

// Exactly one consumer per forest; the first mode that applies wins.
void SentenceLoop::dispatch(std::clock_t started) {
  if (config_.chunking) {
    // Chunk output goes here.
  } else if (config_.opt_chunking) {
    // Optimal chunk output goes here.
  } else if (config_.viterbi != 0) {
    compute_viterbi(chart_, pm_, probs_);
    if (config_.tagging) {
      print_viterbi_tags(out_, ctx_);
    } else {
      print_viterbi_tree(out_, ctx_);
    }
    if (config_.timing) {
      std::fprintf(out_, ">>> cpu time used for CFP: %.3f <<<\n\n", seconds_since(started));
    }
  } else if (config_.governors) {
    // Governor output goes here.
  } else {
    dispatch_forest(started);
  }
}

void SentenceLoop::dispatch_forest(std::clock_t started) {
  const RunConfig& c = config_;
  if (c.inside || c.outside || c.freq || c.train || c.tagging) {
    compute_inside(chart_, pm_, sentence_, probs_);
  }
  if (c.outside || c.freq || c.train || c.tagging) compute_outside(chart_, pm_);
  if (c.tagging) {
    print_best_tags(out_, ctx_);
    return;
  }
  if (c.train) {
    trainer_->training_step(chart_, pm_, probs_, sentence_, processed_ + 1);
    return;
  }
  if (c.viterbi_probs) compute_viterbi(chart_, pm_, probs_);
  if (c.custom) throw FatalError("\nERROR: This is not a customised version of Velmo!\n");
  if (c.trees) {
    print_trees(out_, ctx_);
  } else {
    print_forest(out_, ctx_, vpf_);
  }
  if (c.timing) std::fprintf(out_, ">>> cpu time used for CFP: %.3f <<<\n", seconds_since(started));
}

void SentenceLoop::count_sentence() {
  ++processed_;
  if (!config_.quiet) std::fprintf(stderr, "\r%ld", processed_);
  if (trainer_ && processed_ % kIntermediateInterval == 0 &&
      trainer_->sentences_since_reestimation() >= kIntermediateInterval) {
    message(config_, "\nwriting intermediate results to disk\n");
    write_frequency_files(config_.train_base, model_, config_);
  }
}

void SentenceLoop::finish() {
  if (trainer_) trainer_->finish_training();
  verbose_message(config_, "\n");
  message(config_, string_printf("\n%ld sentences processed.\n%ld sentences failed\n",
                                 processed_, failed_));
}

}  // namespace

void process_sentences(FILE* in, FILE* out, Model& model, const RunConfig& config) {
  if (config.print_model) return;
  SentenceLoop loop(in, out, model, config);
  loop.run();
}

}  // namespace velmo
