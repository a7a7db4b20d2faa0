#include "driver/option_checks.h"

#include <string>

#include "base/diagnostics.h"

namespace velmo {
namespace {

// The cross-checks, in their fixed order.
class Checker {
 public:
  Checker(RunConfig& config, int positional, std::string_view third_positional)
      : config_(config), positional_(positional), third_positional_(third_positional) {}

  bool run() {
    check_max_chunks();
    if (!config_.in_base.empty()) {
      apply_in_base();
    } else if (config_.lexmodel && config_.params_file.empty()) {
      fatal_error("Specify grammar files with option -in when doing lexicalised parsing");
    }
    check_cap_open_class();
    check_input_options();
    check_training_options();
    check_pooling_options();
    check_print_model();
    check_merge();
    check_output_file();
    check_store_params();
    if (!config_.params_file.empty()) apply_params();
    return positional_ >= 1;
  }

 private:
  void check_max_chunks() {
    if (config_.max_chunks && !config_.chunking) {
      warning(config_, "option -max-chunks is ignored without option -chunking");
    }
    // A chunk's head exists only in a lexicalised forest.
    if (config_.headed_chunks && !config_.lexicalise) {
      fatal_error(
          "Option -headed-chunks requires head lexicalisation (-heads, -lexmodel or -governors)");
    }
  }

  void check_too_many_positional() {
    if (positional_ == kMaxPositional) fatal_error2("Too many arguments", third_positional_);
  }

  // The positional arguments move one place on: the grammar source is named by an option.
  void shift_positional() {
    config_.output_file = config_.input_file;
    config_.input_file = config_.grammar_file;
    ++positional_;
  }

  void apply_in_base() {
    check_too_many_positional();
    if (!config_.lexicon_file.empty()) {
      fatal_error("You can either specify the -in option or the -l option, but not both");
    }
    if (!config_.start_file.empty()) {
      fatal_error("You can either specify the -in option or the -s option, but not both");
    }
    shift_positional();
    const std::string& base = config_.in_base;
    config_.grammar_file = base + ".gram";
    config_.lexicon_file = base + ".lex";
    config_.start_file = base + ".start";
    config_.open_class_file = base + ".oc";
    config_.cap_open_class_file = base + ".OC";
    if (config_.lexmodel || !config_.merge_files.empty()) {
      config_.lex_rule_file = base + ".lgram";
      config_.lex_choice_file = base + ".lchoice";
      config_.lex_start_file = base + ".lstart";
      config_.pool_file = base + ".pool";
    }
  }

  void check_cap_open_class() {
    if (!config_.open_class_file.empty()) return;
    if (!config_.cap_open_class_file.empty()) {
      warning(config_, "Option -O ignored if option -o is missing");
    }
    config_.cap_open_class_file.clear();
  }

  void check_input_options() {
    if (config_.lattice_input && (config_.tagging || config_.chunking)) {
      fatal_error("You cannot use the -lattice-input option together with -chunking or -tagging");
    }
    // The optimal chunker prints one line per word, which a lattice does not have.
    if (config_.lattice_input && config_.opt_chunking)
      fatal_error("You cannot use the -lattice-input option together with -opt-chunking");
    bool needs_lexicon = config_.inside || config_.outside || config_.freq || config_.train;
    if (needs_lexicon && config_.lexicon_file.empty() && config_.params_file.empty()) {
      fatal_error("Option -l <file> required by -inside, -outside, -freq and -t");
    }
  }

  void check_training_options() {
    if (config_.iter != 0 && !config_.train) {
      warning(config_, "Option -iter has no effect without option -t");
    }
    if (config_.old_freq != 0.0 && (!config_.train || config_.iter == 0)) {
      warning(config_, "Option -old-freq has no effect without options -t and -iter");
    }
    if (config_.lexicalise && config_.iter != 0) {
      fatal_error("Options -heads or -lexmodel and -iter cannot be combined");
    }
    if (!config_.train_sums_file.empty() && !config_.train) {
      warning(config_, "Option -train-sums has no effect without option -t");
    }
    // Pruning comes before lexicalisation; a parameter file may switch that on when it is read.
    if (config_.prune > 0 && !config_.lexicalise && config_.params_file.empty()) {
      warning(config_,
              "Option -prune has no effect without options -heads, -lexmodel or -governors");
    }
  }

  // Pooling classes serve only the training of the lexicalised model.
  void check_pooling_options() {
    bool lexicalised_training = config_.lexicalise && !config_.lexmodel;
    if (!config_.parent_pooling_file.empty() && !lexicalised_training) {
      config_.parent_pooling_file.clear();
      warning(config_,
              "Option -pooling ignored because no lexicalisation training (ultra) is performed");
    }
    if (!config_.child_pooling_file.empty() && !lexicalised_training) {
      config_.child_pooling_file.clear();
      warning(config_,
              "Option -cpooling ignored because no lexicalisation training (ultra) is performed");
    }
    if (!config_.fixed_file.empty() && !config_.lexmodel) {
      config_.fixed_file.clear();
      warning(config_, "Option -fixed without option -lexmodel is ignored");
    }
  }

  void check_print_model() {
    bool parses = config_.train || config_.inside || config_.outside || config_.freq ||
                  !config_.input_file.empty();
    if (config_.print_model && parses) warning(config_, "Option -print-model prevents parsing");
  }

  // Merging writes no parse output: the second positional argument is the merged files' base.
  void check_merge() {
    if (config_.merge_files.empty()) return;
    if (config_.input_file.empty()) {
      fatal_error("Option -merge requires that an output file is specified");
    }
    if (config_.symbolic) fatal_error("Option -merge and option -symbolic are incompatible");
    config_.output_file = config_.input_file;
  }

  // Training writes its results under the -t base name, never to an output file.
  void check_output_file() {
    if (config_.train && !config_.output_file.empty()) {
      fatal_error2("Too many arguments", config_.output_file);
    }
  }

  void check_store_params() {
    if (!config_.store_params) return;
    if (config_.grammar_file.empty()) fatal_error("Option -store-params requires at least a grammar");
    if (config_.symbolic) fatal_error("Option -store-params excludes option -symbolic");
    // Storing is the run's one activity: it neither trains nor prints, and it writes one file.
    if (config_.train) fatal_error("Options -t and -store-params cannot be used together");
    if (config_.print_model)
      fatal_error("Options -print-model and -store-params cannot be used together");
    if (!config_.output_file.empty()) fatal_error2("Too many arguments", config_.output_file);
  }

  // A parameter file holds an estimated model: the options that read or estimate one from
  // text files would be ignored, and storing it again would store nothing new.
  void check_params_options() {
    struct Ignored {
      bool given;
      const char* option;
    };
    const Ignored ignored[] = {
        {config_.store_params, "-store-params"},
        {!config_.lexicon_file.empty(), "-l"},
        {!config_.start_file.empty(), "-s"},
        {!config_.open_class_file.empty(), "-o"},
        {config_.shave != 0.0, "-shave"},
        {config_.rare_heads != 0.0, "-rare-heads"},
        {config_.no_smoothing, "-no-smoothing"},
        {config_.wordwise_smoothing, "-wordwise-smoothing"},
        {!config_.rob_start_file.empty(), "-rob-start"},
        {!config_.rob_rules_file.empty(), "-rob-rules"},
    };
    for (const Ignored& i : ignored)
      if (i.given)
        fatal_error(std::string("Options -params and ") + i.option + " cannot be used together");
  }

  void apply_params() {
    if (!config_.in_base.empty()) fatal_error("Options -in and -params cannot be used together");
    check_params_options();
    check_too_many_positional();
    shift_positional();
    config_.grammar_file.clear();
  }

  RunConfig& config_;
  int positional_;
  std::string_view third_positional_;
};

}  // namespace

bool check_options(RunConfig& config, int positional, std::string_view third_positional) {
  return Checker(config, positional, third_positional).run();
}

}  // namespace velmo
