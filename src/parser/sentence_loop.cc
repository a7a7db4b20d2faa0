#include "parser/sentence_loop.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "base/diagnostics.h"
#include "base/text_input.h"
#include "parser/bracket_filter.h"
#include "parser/chart.h"
#include "parser/inside_outside.h"
#include "parser/mwl_lookup.h"
#include "parser/sentence.h"
#include "parser/sentence_reader.h"

namespace velmo {

namespace {


// "-" names standard output.
FILE* open_output(const std::string& name) {
  return name == "-" ? stdout : open_file(name, "wt");
}

void close_output(FILE* file) {
  if (file != nullptr && file != stdout) std::fclose(file);
}

// The -fails and -analysis-count streams, open for the whole loop.
struct SideFiles {
  FILE* fails = nullptr;
  FILE* analysis_count = nullptr;

  explicit SideFiles(const RunConfig& config) {
    if (config.fails) fails = open_file(config.fails_file, "wt");
    if (!config.analysis_count_file.empty()) {
      analysis_count = open_output(config.analysis_count_file);
    }
  }
  void check_written() const {
    for (FILE* f : {fails, analysis_count}) {
      if (f != nullptr && (std::fflush(f) != 0 || std::ferror(f)))
        fatal_error("Can't write to output file");
    }
  }
  ~SideFiles() {
    close_output(fails);
    close_output(analysis_count);
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

class SentenceLoop {
 public:
  SentenceLoop(FILE* in, FILE* out, Model& model, const RunConfig& config,
               const SentenceHooks& hooks, SentencePipeline& pipeline)
      : out_(out),
        model_(model),
        config_(config),
        chart_(model.grammar),
        pm_(model, config, hooks.lexicalised_probabilities),
        reader_(in, model.grammar, config, hooks.bracket_matching),
        side_(config),
        pipeline_(pipeline),
        bracket_matching_(hooks.bracket_matching) {
    for (const LexEntry& entry : model.lexicon.entries) {
      if (entry.word.find(' ') == std::string::npos) continue;
      for (const TagEntry& t : entry.tags) mwl_tags_.push_back(t.tag);
    }
    mwl_found_ = [this](int entry, int start, int end, std::string_view text) {
      enter_readings(model_.lexicon.entries[entry], start, end, copy_to_pool(chart_.pool(), text));
    };
  }

  void run();

 private:
  bool process_sentence();
  bool read_words();
  void announce_readings();
  bool in_position_order();
  void set_entering_order();
  template <class Enter>
  void for_each_reading(int word, Enter&& enter);
  void enter_word(int word);
  bool enter_explicit_categories(int word, const char* text);
  void enter_lexical_categories(int word, const char* text);
  void enter_readings(const LexEntry& entry, int start, int end, const char* text);
  void enter(int category, int start, int end, const char* text);
  void process_forest(std::clock_t started);
  void report_failure();
  void count_sentence();
  void finish();

  FILE* out_;
  Model& model_;
  const RunConfig& config_;
  Chart chart_;
  ProbModel pm_;
  ForestProbs probs_;
  Sentence sentence_;
  std::vector<std::string> categories_;  // per word: the category names after its tab
  std::vector<int> mwl_tags_;            // the tags of every multi-word lexeme
  std::vector<int> position_scratch_;    // in_position_order's table
  std::vector<int> entering_order_;      // the words in the order they go into the chart
  SentenceReader reader_;
  MwlLookup mwl_;
  MwlFound mwl_found_;
  SideFiles side_;
  SentencePipeline& pipeline_;
  const BracketMatching* bracket_matching_;
  BracketFilter bracket_filter_;
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
  categories_.clear();
  probs_ = ForestProbs{};
  pm_.refresh();  // training may have estimated new probabilities
  if (config_.sent_weights && !reader_.read_weight(sentence_)) return false;
  bool too_long = read_words();
  announce_readings();
  set_entering_order();
  chart_.predict();
  if (!sentence_.brackets.empty() && bracket_matching_) {
    bracket_filter_.set(sentence_.brackets, sentence_.position_count,
                        bracket_matching_->insertable());
    chart_.restrict_to(&bracket_filter_);
  }
  for (int word : entering_order_) enter_word(word);
  if (too_long) warning(config_, "Input sentence is too long");
  if (sentence_.position_count > 0) process_forest(started);
  return true;
}

// Reads the sentence's word lines; true when it was cut at the length limit (the rest of the
// input is then the next sentence).
bool SentenceLoop::read_words() {
  WordLine line;
  while (reader_.next_word(sentence_, line)) {
    sentence_.words.emplace_back(line.word);
    sentence_.starts.push_back(line.start);
    sentence_.ends.push_back(line.end);
    categories_.emplace_back(line.categories);
    if (sentence_.position_count < line.end) sentence_.position_count = line.end;
    if (sentence_.position_count >= kMaxWords || sentence_.word_count() > kMaxWords) return true;
  }
  return false;
}

// The whole sentence is read before its first word goes into the chart, so that the chart
// knows which categories can start at each position. Every reading that enter_word can make is
// announced (a few more do no harm): the named categories, the lexicon's and the open classes',
// and at every word the tags of the multi-word lexemes, which may start there.
void SentenceLoop::announce_readings() {
  for (int word = 0; word < sentence_.word_count(); ++word) {
    const int start = sentence_.starts[word];
    std::string_view cursor = categories_[word];
    for (std::string_view name = next_token(cursor); !name.empty(); name = next_token(cursor)) {
      const int category = model_.grammar.symbols.lookup(name, LookupMode::kSilent, config_);
      if (category >= 0) chart_.expect_start(start, category);
    }
    for_each_reading(word, [&](int category) { chart_.expect_start(start, category); });
    for (int tag : mwl_tags_) chart_.expect_start(start, tag);
  }
}

// True when every word ending at a position comes before every word starting there, as in
// every plain sentence. A lattice may list its words in another order.
bool SentenceLoop::in_position_order() {
  const int words = sentence_.word_count();
  std::vector<int>& last_end = position_scratch_;
  last_end.assign(sentence_.position_count + 1, -1);
  for (int word = 0; word < words; ++word) last_end[sentence_.ends[word]] = word;
  for (int word = 0; word < words; ++word) {
    if (last_end[sentence_.starts[word]] > word) return false;
  }
  return true;
}

// The chart combines a new node with the items that wait at its start, so every word ending at
// a position must go in before every word starting there. A lattice that lists its words in
// another order goes in sorted by start position (the words keep their numbers); every other
// sentence goes in as it was read.
void SentenceLoop::set_entering_order() {
  const int words = sentence_.word_count();
  entering_order_.resize(words);
  for (int word = 0; word < words; ++word) entering_order_[word] = word;
  if (in_position_order()) return;
  std::stable_sort(entering_order_.begin(), entering_order_.end(),
                   [&](int a, int b) { return sentence_.starts[a] < sentence_.starts[b]; });
}

// The readings of a word from the lexicon, or else the open classes for unknown words.
template <class Enter>
void SentenceLoop::for_each_reading(int word, Enter&& enter) {
  const Lexicon& lexicon = model_.lexicon;
  const std::string& text = sentence_.words[word];
  if (const LexEntry* entry = lexicon.find_word(text)) {
    for (const TagEntry& tag : entry->tags) enter(tag.tag);
    return;
  }
  if (!lexicon.open_class.loaded) return;
  const OpenClassTable& table = lexicon.table_for(text);
  for (int category = 0; category < static_cast<int>(table.entries.size()); ++category) {
    if (table.entries[category].open) enter(category);
  }
}

// Enters one word with all its readings.
void SentenceLoop::enter_word(int word) {
  chart_.open_position(sentence_.ends[word]);
  if (config_.verbose) verbose_message(config_, sentence_.words[word] + " ");
  const char* text = copy_to_pool(chart_.pool(), sentence_.words[word]);
  // Multi-word lexemes ending here go in before the word's own readings.
  mwl_.mwl_lookup_node(model_.lexicon.mwl_root, sentence_, word, mwl_found_);
  if (!enter_explicit_categories(word, text)) enter_lexical_categories(word, text);
}

// The categories named after the word's tab; false when none of them is a grammar category.
bool SentenceLoop::enter_explicit_categories(int word, const char* text) {
  bool entered = false;
  std::string_view cursor = categories_[word];
  for (std::string_view name = next_token(cursor); !name.empty(); name = next_token(cursor)) {
    const int category = model_.grammar.symbols.lookup(name, LookupMode::kWarn, config_);
    if (category < 0) continue;
    enter(category, sentence_.starts[word], sentence_.ends[word], text);
    entered = true;
  }
  return entered;
}

// The word's readings from the lexicon or the open classes; a warning when there are none.
void SentenceLoop::enter_lexical_categories(int word, const char* text) {
  const Lexicon& lexicon = model_.lexicon;
  if (lexicon.find_word(sentence_.words[word]) == nullptr && !lexicon.open_class.loaded) {
    warning2(config_, "No parts of speech for", sentence_.words[word]);
    return;
  }
  for_each_reading(word, [&](int category) {
    enter(category, sentence_.starts[word], sentence_.ends[word], text);
  });
}

void SentenceLoop::enter_readings(const LexEntry& entry, int start, int end, const char* text) {
  for (const TagEntry& tag : entry.tags) enter(tag.tag, start, end, text);
}

void SentenceLoop::enter(int category, int start, int end, const char* text) {
  if (ForestNode* node = chart_.add_node(category, start, end, nullptr)) node->word = text;
}

void SentenceLoop::process_forest(std::clock_t started) {
  chart_.collect_roots(sentence_.position_count);
  if (!sentence_.brackets.empty() && bracket_matching_)
    bracket_matching_->filter_forest(chart_, sentence_.brackets);
  if (side_.analysis_count != nullptr) {
    std::fprintf(side_.analysis_count, "%llu\n",
                 static_cast<unsigned long long>(count_analyses(chart_)));
  }
  if (chart_.roots().empty()) report_failure();
  ParsedSentence parsed{chart_, sentence_, model_, config_, pm_, probs_, started, processed_ + 1};
  for (const std::unique_ptr<ForestStage>& stage : pipeline_.stages) stage->apply(parsed);
  pipeline_.consumer->apply(parsed);
  // A full disk stops the run at the sentence it hits, not after the whole input.
  if (std::fflush(out_) != 0 || std::ferror(out_)) fatal_error("Can't write to output file");
  count_sentence();
}

// The failed sentence still goes to the consumer: the printers report it themselves.
void SentenceLoop::report_failure() {
  if (side_.fails != nullptr) {
    print_sentence(side_.fails, sentence_);
    std::fputc('\n', side_.fails);
  }
  warning(config_, "parsing failed");
  ++failed_;
}

void SentenceLoop::count_sentence() {
  ++processed_;
  if (!config_.quiet) std::fprintf(stderr, "\r%ld", processed_);
  for (const std::unique_ptr<ForestStage>& stage : pipeline_.stages) stage->counted(processed_);
  pipeline_.consumer->counted(processed_);
}

void SentenceLoop::finish() {
  side_.check_written();
  for (const std::unique_ptr<ForestStage>& stage : pipeline_.stages) stage->finish();
  pipeline_.consumer->finish();
  verbose_message(config_, "\n");
  message(config_, string_printf("\n%ld sentences processed.\n%ld sentences failed\n",
                                 processed_, failed_));
}

}  // namespace

void process_sentences(FILE* in, FILE* out, Model& model, const RunConfig& config,
                       const SentenceHooks& hooks, SentencePipeline& pipeline) {
  SentenceLoop loop(in, out, model, config, hooks, pipeline);
  loop.run();
}

}  // namespace velmo
