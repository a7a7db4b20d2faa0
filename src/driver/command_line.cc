#include "driver/command_line.h"

#include <cerrno>
#include <cmath>
#include <climits>
#include <cstdlib>
#include <string_view>

#include "base/diagnostics.h"
#include "driver/option_checks.h"
#include "build_info.h"

namespace velmo {

namespace {

// An option whose argument is a file or base name, with up to two flags it also sets.
struct FileOption {
  std::string_view name;
  std::string RunConfig::*file;
  bool RunConfig::*flag = nullptr;
  bool RunConfig::*second_flag = nullptr;
};

constexpr FileOption kFileOptions[] = {
    {"-l", &RunConfig::lexicon_file},
    {"-s", &RunConfig::start_file},
    {"-o", &RunConfig::open_class_file},
    {"-O", &RunConfig::cap_open_class_file},
    {"-t", &RunConfig::train_base, &RunConfig::train},
    {"-in", &RunConfig::in_base},
    {"-fails", &RunConfig::fails_file, &RunConfig::fails},
    {"-pooling", &RunConfig::parent_pooling_file},
    {"-cpooling", &RunConfig::child_pooling_file},
    {"-fixed", &RunConfig::fixed_file},
    {"-rob-start", &RunConfig::rob_start_file},
    {"-rob-rules", &RunConfig::rob_rules_file},
    {"-params", &RunConfig::params_file},
    {"-analysis-count", &RunConfig::analysis_count_file},
    {"-print-probs", &RunConfig::print_probs_file},
    {"-chunking", &RunConfig::chunk_file, &RunConfig::chunking},
    {"-chunk-trees", &RunConfig::chunk_file, &RunConfig::chunking, &RunConfig::chunk_trees},
    {"-opt-chunking", &RunConfig::chunk_file, &RunConfig::opt_chunking},
    {"-isym", &RunConfig::isym_file, &RunConfig::isym},
    {"-bsmatch", &RunConfig::bsmatch_file, &RunConfig::bsmatch},
    {"-train-sums", &RunConfig::train_sums_file},
};

struct NumberOption {
  std::string_view name;
  double RunConfig::*value;
};

constexpr NumberOption kNumberOptions[] = {
    {"-old-freq", &RunConfig::old_freq},
    {"-gov-threshold", &RunConfig::gov_threshold},
    {"-min-start-freq", &RunConfig::min_start_freq},
    {"-min-rule-freq", &RunConfig::min_rule_freq},
    {"-min-choice-freq", &RunConfig::min_choice_freq},
    {"-shave", &RunConfig::shave},
    {"-prune", &RunConfig::prune},
    {"-rare-heads", &RunConfig::rare_heads},
};

// An option without argument and the flags it sets.
struct FlagOption {
  std::string_view name;
  bool RunConfig::*flag;
  bool RunConfig::*second_flag = nullptr;
};

constexpr FlagOption kFlagOptions[] = {
    {"-max-chunks", &RunConfig::max_chunks},
    {"-lattice-input", &RunConfig::lattice_input},
    {"-custom", &RunConfig::custom},
    {"-recursive-chunks", &RunConfig::recursive_chunks},
    {"-labelled-chunks", &RunConfig::labelled_chunks},
    {"-headed-chunks", &RunConfig::headed_chunks},
    {"-store-params", &RunConfig::store_params},
    {"-trees", &RunConfig::trees},
    {"-tagging", &RunConfig::tagging},
    {"-heads", &RunConfig::heads, &RunConfig::lexicalise},
    {"-stems", &RunConfig::stems},
    {"-symbolic", &RunConfig::symbolic},
    {"-inside", &RunConfig::inside},
    {"-outside", &RunConfig::outside},
    {"-freq", &RunConfig::freq},
    {"-viterbi-probs", &RunConfig::viterbi_probs},
    {"-sent-probs", &RunConfig::sent_probs},
    {"-lexmodel", &RunConfig::lexmodel, &RunConfig::lexicalise},
    {"-verbose", &RunConfig::verbose},
    {"-interactive", &RunConfig::interactive},
    {"-quiet", &RunConfig::quiet},
    {"-preorder", &RunConfig::preorder},
    {"-textpar", &RunConfig::textpar},
    {"-print-model", &RunConfig::print_model},
    {"-quote", &RunConfig::quote},
    {"-no-smoothing", &RunConfig::no_smoothing},
    {"-high-precision", &RunConfig::high_precision},
    {"-wordwise-smoothing", &RunConfig::wordwise_smoothing},
    {"-vpf", &RunConfig::vpf, &RunConfig::quote},
    {"-tgrep", &RunConfig::tgrep, &RunConfig::quote},
    {"-sent-weights", &RunConfig::sent_weights},
    {"-governors", &RunConfig::governors, &RunConfig::lexicalise},
    {"-timing", &RunConfig::timing},
};

const char* const kUsageLines[] = {
    "USAGE:  velmo [ -options- ] grammar-file [input-file [ output-file ]]\n\n",
    "OPTIONS:\n",
    "  -l <file>:\tUse <file> as lexicon.\n",
    "  -s <file>:\tRead start symbol frequencies from <file>.\n",
    "  -o <file>:\tRead open class frequencies from <file>.\n",
    "  -O <file>:\tRead open class frequencies for capitalised words from <file>.\n",
    "  -in <file>:\tRead the grammar from <file>.gram, the lexicon from\n",
    "  \t\t<file>.lex and the start categories from <file>.start\n",
    "  \t\tand the open class categories from <file>.oc.\n",
    "  -t <file>:\tCompute estimated frequencies and store them in\n",
    "  \t\t<file>.{gram|lex|start}.\n",
    "  -viterbi:\tPrint Viterbi parses.\n",
    "  -viterbi1:\tPrint Viterbi parses in multi-line format.\n",
    "  -tagging:\tPrint the best tag sequence.\n",
    "  -chunking file: Print the best chunk sequence. Read the chunk categories from <file>.\n",
    "  -chunk-trees file: Print the best chunk sequence and the dominating nodes as\n",
    "                a partial parse tree. Read the chunk categories from <file>.\n",
    "  -opt-chunking file: Print the best chunk sequence. Use the \"optimal\" algorithm and read "
    "categories from <file>.\n",
    "  -max-chunks:\tPrint maximal chunks rather than minimal chunks\n",
    "  -recursive-chunks: Print recursive chunks as well (requires -opt-chunking).\n",
    "  -labelled-chunks: Print labelled chunks (requires -opt-chunking).\n",
    "  -headed-chunks: Print chunks with lexical heads (requires -opt-chunking).\n",
    "  -governors:\tprint governors\n",
    "  -gov-threshold t:\tuse t as threshold for printing governors\n",
    "  -lattice-input: Read word lattices rather than word sequences.\n",
    "  -custom:\tonly defined for customised versions of velmo\n",
    "  -heads:\tGenerate lexicalised frequencies.\n",
    "  -stems:\tUse stems as lexical heads. The lexicon must contain stems!\n",
    "  -symbolic:\tThe input grammar contains no frequency information.\n",
    "  -inside:\tPrint inside probabilities.\n",
    "  -outside:\tPrint outside probabilities.\n",
    "  -freq:\tPrint estimated frequencies.\n",
    "  -viterbi-probs: Print viterbi probabilities.\n",
    "  -sent-probs:\tPrint the probability of the input sentence (or the Viterbi parse in case of "
    "Viterbi parsing) to stderr.\n",
    "  -lexmodel:\tUse the lexicalised model (comparable to zubra).\n",
    "  -rare-heads n: Lexicalise words seen at most <n> times in the lexicon as unknown heads\n",
    "  \t\t(in training and parsing alike).\n",
    "  -prune t:\tBefore a forest is lexicalised, remove the nodes and analyses whose\n",
    "  \t\tposterior probability is below <t>.\n",
    "  -fails <file>: Print sentences which failed to parse to <file>.\n",
    "  -analysis-count <file>: Print the number of analyses to <file>.\n",
    "  -print-probs <file>:\tPrint the model parameters of each parse forest to <file>.\n",
    "  -pooling <file>: Read pooling classes for parent categories from <file>.\n",
    "  -cpooling <file>: Read pooling classes for child categories from <file>.\n",
    "  -fixed <file>: Read information about fixed parameters from <file>.\n",
    "  -merge <file>: Merge frequency information from <file> and print new parameter files.\n",
    "  -min-start-freq <f>: Only store lexicalised start categories more frequent than <f>.\n",
    "  -min-rule-freq <f>: Only store lexicalised rules more frequent than <f>.\n",
    "  -min-choice-freq <f>: Only store lexical choice events more frequent than <f>.\n",
    "  -print-model:  Print the model parameters.\n",
    "  -store-params: Store the model parameters in binary form.\n",
    "  -params <file>: Read a statistical grammar from <file>.\n",
    "  -quote:\tQuote lexical heads in the output.\n",
    "  -iter n:\tReestimate probabilities after n, 3n, 7n etc. sentences.\n",
    "  -old-freq w:\tMultiply frequencies from the last iteration by <w>.\n",
    "  -rob-start w: Read weighting of robustness start categories and robustness start "
    "categories from <file>.\n",
    "  -rob-rules w: Read weighting of robustness rules and robustness rules from <file>.\n",
    "  -wordwise-smoothing: Do wordwise smoothing.\n",
    "  -vpf: print parse forests in vpf format\n",
    "  -tgrep: substitute characters which are problematic for tgrep\n",
    "  -trees: print a sequence of parse trees rather than a parse forest\n",
    "  -no-smoothing: Prevent parameter smoothing.\n",
    "  -sent-weights: Each input sentence is preceded by a weight.\n",
    "  -shave t:\tRemove rules with a frequency lower than <t>.\n",
    "  -preorder:\tPrint parse forests in prerequisite order.\n",
    "  -high-precision: Use high precision to print unlexicalised parameters.\n",
    "  -textpar:\tPrint lexicalised parameters additionally in text form.\n",
    "  -isym <file>: read insertable symbols for treebank matching from <file>\n",
    "  -bsmatch <file>: match treebank symbols with grammar symbols according to <file>\n",
    "  -verbose:\tPrint additional information during parsing.\n",
    "  -interactive:\tInteractive mode for examination of parameters.\n",
    "  -quiet:\tOutput of non-error messages.\n",
    "  -timing:\tPrint the processing time for each sentence.\n",
    "  -version:\tPrint program version.\n\n",
};

void print_version(FILE* err) {
  std::fputs("\nThis is Velmo version 3.0\n", err);
  std::fputs("Velmo is a probabilistic context-free parser for natural-language text.\n", err);
  std::fputs("It comes with no warranty, to the extent permitted by law.\n", err);
  std::fputs("Run it without arguments to see the list of options.\n", err);
  std::fputs("Build: " VELMO_BUILD "\n", err);
}

// What one scanned word decides.
enum class Step { kGoOn, kUsage, kVersion };

// The left-to-right scan over the words; `index` is the word being looked at.
class Scanner {
 public:
  Scanner(int count, const char* const* args, RunConfig& config, FILE* err)
      : count_(count), args_(args), config_(config), err_(err) {}

  Step scan() {
    for (index_ = 0; index_ < count_; ++index_) {
      Step step = scan_word(args_[index_]);
      if (step != Step::kGoOn) return step;
    }
    return Step::kGoOn;
  }

  int positional_count() const { return positional_; }
  std::string_view third_positional() const { return third_positional_; }

 private:
  Step scan_word(std::string_view word) {
    if (word.empty() || word[0] != '-') return take_positional(word);
    if (word == "-version") {
      print_version(err_);
      return Step::kVersion;
    }
    if (word == "-viterbi" || word == "-viterbi1") {
      config_.viterbi = word == "-viterbi" ? 1 : 2;
      return Step::kGoOn;
    }
    for (const FlagOption& option : kFlagOptions) {
      if (word == option.name) return set_flags(option);
    }
    return scan_option_with_argument(word);
  }

  Step scan_option_with_argument(std::string_view word) {
    for (const FileOption& option : kFileOptions) {
      if (word == option.name) return set_file(option, argument(word));
    }
    for (const NumberOption& option : kNumberOptions) {
      if (word == option.name) return set_number(option, argument(word));
    }
    if (word == "-iter") return set_iter(argument(word));
    if (word == "-merge" || word == "-m") return add_merge_file(argument(word));
    std::fprintf(err_, "Unrecognized option: %s\n", args_[index_]);
    return Step::kUsage;
  }

  Step take_positional(std::string_view word) {
    std::string* const slots[kMaxPositional] = {&config_.grammar_file, &config_.input_file,
                                                &config_.output_file};
    if (positional_ == kMaxPositional) return Step::kUsage;
    if (positional_ == kMaxPositional - 1) third_positional_ = word;
    *slots[positional_++] = word;
    return Step::kGoOn;
  }

  // The next word, whatever it looks like; the scan resumes after it.
  const char* argument(std::string_view option) {
    if (index_ + 1 >= count_) {
      throw FatalError("\nERROR: missing argument to option " + std::string(option) + "!\n");
    }
    return args_[++index_];
  }

  Step set_flags(const FlagOption& option) {
    config_.*option.flag = true;
    if (option.second_flag) config_.*option.second_flag = true;
    return Step::kGoOn;
  }

  Step set_file(const FileOption& option, const char* name) {
    config_.*option.file = name;
    if (option.flag) config_.*option.flag = true;
    if (option.second_flag) config_.*option.second_flag = true;
    return Step::kGoOn;
  }

  Step set_number(const NumberOption& option, const char* text) {
    errno = 0;
    double value = std::strtod(text, nullptr);
    // "nan" and "inf" convert, but no threshold or weight can be one; a weight of the old
    // frequencies below 0 would turn them into negative counts.
    if (errno == ERANGE || !std::isfinite(value)) return invalid_argument(text);
    if (option.value == &RunConfig::old_freq && value < 0) return invalid_argument(text);
    // A posterior lies in 0..1: a threshold above 1 would remove every parse.
    if (option.value == &RunConfig::prune && (value < 0 || value > 1)) return invalid_argument(text);
    config_.*option.value = value;
    return Step::kGoOn;
  }

  // A count beyond int cannot be stored, so it is refused like one beyond long.
  Step set_iter(const char* text) {
    errno = 0;
    long value = std::strtol(text, nullptr, 10);
    if (errno == ERANGE || value > INT_MAX || value < INT_MIN) return invalid_argument(text);
    config_.iter = static_cast<int>(value);
    return Step::kGoOn;
  }

  Step add_merge_file(const char* base) {
    if (config_.merge_files.size() == static_cast<std::size_t>(RunConfig::kMaxMergeFiles)) {
      fatal_error("too many merge options in command line");
    }
    config_.merge_files.emplace_back(base);
    return Step::kGoOn;
  }

  Step invalid_argument(const char* text) {
    std::fprintf(err_, "Invalid argument: %s\n", text);
    return Step::kUsage;
  }

  int count_;
  const char* const* args_;
  RunConfig& config_;
  FILE* err_;
  int index_ = 0;
  int positional_ = 0;
  std::string_view third_positional_;
};

}  // namespace

CommandLineResult parse_command_line(int count, const char* const* args, RunConfig& config,
                                     FILE* err) {
  Scanner scanner(count, args, config, err);
  switch (scanner.scan()) {
    case Step::kUsage:
      return CommandLineResult::kUsage;
    case Step::kVersion:
      return CommandLineResult::kVersion;
    case Step::kGoOn:
      break;
  }
  return check_options(config, scanner.positional_count(), scanner.third_positional())
             ? CommandLineResult::kRun
             : CommandLineResult::kUsage;
}

void print_usage(FILE* err) {
  for (const char* line : kUsageLines) std::fputs(line, err);
}

}  // namespace velmo
