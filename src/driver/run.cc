#include "driver/run.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/diagnostics.h"
#include "base/run_config.h"
#include "base/text_input.h"
#include "driver/command_line.h"
#include "driver/pipeline.h"
#include "grammar/grammar_analysis.h"
#include "grammar/grammar_reader.h"
#include "interactive/interactive.h"
#include "lexicon/lexicon.h"
#include "lexmodel/fixed_choices.h"
#include "lexmodel/head_counts.h"
#include "lexmodel/head_frequencies.h"
#include "lexmodel/lex_estimation.h"
#include "lexmodel/lex_listing.h"
#include "lexmodel/lex_model.h"
#include "lexmodel/lexicalised_frequency_files.h"
#include "lexmodel/lexicalised_lookups.h"
#include "lexmodel/lexicalised_sections.h"
#include "lexmodel/merge.h"
#include "lexmodel/pool_file.h"
#include "lexmodel/pooling.h"
#include "model/estimation.h"
#include "model/frequency_files.h"
#include "model/model.h"
#include "model/parameter_file.h"
#include "output/chunk_printer.h"
#include "parser/sentence_loop.h"
#include "parser/training.h"
#include "robust/robustness.h"
#include "treebank/treebank_matching.h"

namespace velmo {
namespace {

// Everything a run estimates at start-up and then reads: the model, and the head-lexicalised
// model's pooling classes and tables.
struct RunModel {
  Model model;
  LexicalisedModel lexicalised;
};

// Symbols that words can carry: lexicon tags and open classes.
std::vector<bool> lexical_symbols(const Model& model) {
  std::vector<bool> lexical(model.grammar.symbol_count(), false);
  for (const LexEntry& entry : model.lexicon.entries)
    for (const TagEntry& t : entry.tags) lexical[t.tag] = true;
  for (const OpenClassTable* table : {&model.lexicon.open_class, &model.lexicon.cap_open_class}) {
    if (!table->loaded) continue;
    for (int s = 0; s < model.grammar.symbol_count(); ++s)
      if (table->entries[s].open) lexical[s] = true;
  }
  return lexical;
}

void read_open_class_file(const std::string& name, Model& model, OpenClassTable& table,
                          const RunConfig& config) {
  if (name.empty()) return;
  std::string bytes = read_whole_file(name);
  MemoryInput in(bytes);
  read_open_classes(in.get(), model.grammar, table, config);
}

// The pooling classes of lexicalised training, parent classes first.
void read_pooling_files(Model& model, PoolingClasses& pooling, const RunConfig& config) {
  if (!config.parent_pooling_file.empty()) {
    message(config, "finished\nreading parent pooling information...");
    std::string bytes = read_whole_file(config.parent_pooling_file);
    MemoryInput in(bytes);
    read_parent_pooling(in.get(), model.grammar, pooling, config);
  }
  if (!config.child_pooling_file.empty()) {
    message(config, "finished\nreading child pooling information...");
    std::string bytes = read_whole_file(config.child_pooling_file);
    MemoryInput in(bytes);
    read_child_pooling(in.get(), model.grammar, pooling, config);
  }
}

// The classes and frequencies of a trained head-lexicalised model (-lexmodel with -in).
void read_lexicalised_model(RunModel& run_model, const RunConfig& config) {
  Model& model = run_model.model;
  message(config, "finished\nreading pooling information...");
  PoolingClasses& pooling = run_model.lexicalised.pooling;
  LexModel& lex = run_model.lexicalised.lex;
  read_pool_file(config.pool_file, model, pooling);
  if (!config.fixed_file.empty()) {
    message(config, "finished\nreading fixed parameters...");
    std::string bytes = read_whole_file(config.fixed_file);
    MemoryInput in(bytes);
    read_fixed_lexical_choices(in.get(), model, run_model.lexicalised, config);
  }
  count_heads(model, pooling, config);
  lex.reset(model.grammar.symbol_count());
  message(config, "finished\nreading lexicalised start probabilities...");
  read_lexicalised_start_file(config.lex_start_file, model, lex, config);
  message(config, "finished\nreading lexical choice probabilities...");
  read_lexical_choice_file(config.lex_choice_file, model, pooling, lex, config);
  message(config, "finished\nreading lexicalised rule probabilities...");
  read_lexicalised_rule_file(config.lex_rule_file, model, lex, config);
}

// Grammar, lexicon, open classes and start symbols from their text files. Each file is read
// whole before it is parsed: the grammar and the lexicon are parsed twice, and may come from
// a pipe.
void read_text_model(RunModel& run_model, const RunConfig& config) {
  Model& model = run_model.model;
  PoolingClasses& pooling = run_model.lexicalised.pooling;
  message(config, "reading grammar...");
  {
    std::string bytes = read_whole_file(config.grammar_file);
    MemoryInput in(bytes);
    model.grammar = read_grammar(in.get(), config);
  }

  message(config, "finished\nreading lexicon...");
  if (!config.lexicon_file.empty()) {
    std::string bytes = read_whole_file(config.lexicon_file);
    MemoryInput in(bytes);
    read_lexicon(in.get(), model.grammar, model.lexicon, config);
  }
  if (model.lexicon.entries.empty() && !config.symbolic)
    fatal_error("Probabilistic parsing without a lexicon is not possible");
  // Before training sets the frequencies to 0: the words as the model was given them.
  if (config.rare_heads > 0) mark_rare_heads(model.lexicon, config.rare_heads);

  message(config, "finished\nreading open class categories...");
  read_open_class_file(config.open_class_file, model, model.lexicon.open_class, config);
  read_open_class_file(config.cap_open_class_file, model, model.lexicon.cap_open_class, config);

  read_pooling_files(model, pooling, config);
  message(config, "finished\nreading start probabilities...");
  read_start_file(config.start_file, model.grammar, config);
  if (!config.quiet) {
    check_reachability(model.grammar, config);
    if (!model.lexicon.entries.empty())
      check_productivity(model.grammar, lexical_symbols(model), config);
  }
  if (config.lexmodel) read_lexicalised_model(run_model, config);
}

// Output that could not be written is an error, not a silent loss (a full disk, a closed pipe).
void finish_output(FILE* out) {
  bool failed = std::fflush(out) != 0 || std::ferror(out);
  if (out != stdout) failed = std::fclose(out) != 0 || failed;
  if (failed) fatal_error("Can't write to output file");
}

void store_model(const RunModel& m, const RunConfig& config) {
  message(config, "finished\nstoring parameters...\n");
  const LexicalisedSectionWriter lexicalised = [&](FILE* out) {
    write_lexicalised_sections(out, m.model, m.lexicalised);
  };
  if (config.input_file.empty()) {
    store_parameters(stdout, m.model, config, lexicalised);
    finish_output(stdout);
  } else {
    store_parameters_to_file(config.input_file, m.model, config, lexicalised);
  }
}

// -merge: the -in model's frequencies plus those of every merged set, written as one set under
// the output base; nothing is estimated.
void merge_model(RunModel& m, const RunConfig& config) {
  read_text_model(m, config);
  std::optional<HeadFrequencies> head_frequencies;
  std::vector<ExtraFrequencyFile> lexicalised_files;
  if (config.lexicalise) {
    head_frequencies.emplace(m.model.grammar, config);
    lexicalised_files =
        lexicalised_frequency_files(*head_frequencies, m.model, m.lexicalised.pooling, config);
  }
  message(config, "finished\nmerging parameters...");
  merge_frequency_files(m.model, m.lexicalised.pooling, head_frequencies ? &*head_frequencies : nullptr,
                        config);
  write_frequency_files(config.output_file, m.model, config, lexicalised_files);
}

// The model from the parameter file, or read from the text files and estimated; with
// -print-model it is listed.
void load_model(RunModel& m, RunConfig& config) {
  if (!config.params_file.empty()) {
    message(config, "reading parameters...");
    m.model = load_parameters(
        config.params_file, config,
        [&](FILE* in, const std::string& name, const Model& model) {
          read_lexicalised_sections(in, name, model, m.lexicalised, config);
        });
    if (config.print_model) {
      print_model(stdout, m.model, config);
      if (config.lexmodel) print_lexicalised_model(stdout, m.model, m.lexicalised, config);
      finish_output(stdout);
    }
    return;
  }
  read_text_model(m, config);
  if (!config.rob_start_file.empty()) {
    message(config, "finished\nreading robustness categories...");
    read_robustness_start_file(config.rob_start_file, m.model.grammar, config);
  }
  if (!config.rob_rules_file.empty()) {
    message(config, "finished\nreading robustness rules...");
    read_robustness_rule_file(config.rob_rules_file, m.model.grammar, config);
  }
  if (!config.symbolic) message(config, "finished\nestimating probabilities...");
  FILE* listing = config.print_model ? stdout : nullptr;
  if (config.lexmodel)
    estimate_lexicalised_model(m.model, m.lexicalised, config, listing);
  else
    estimate_probabilities(m.model, config, listing);
  if (listing) finish_output(stdout);
}

std::vector<bool> read_chunk_file(const Model& model, const RunConfig& config) {
  if (!config.chunking && !config.opt_chunking) return {};
  message(config, "finished\nreading chunk categories...");
  std::string bytes = read_whole_file(config.chunk_file);
  MemoryInput in(bytes);
  return read_chunk_categories(in.get(), model.grammar, config);
}

// The passes over values need a grammar without cycles.
void check_acyclic(const Grammar& grammar, const RunConfig& config) {
  if (config.inside || config.outside || config.freq || config.train || config.preorder ||
      config.chunking || config.lexicalise) {
    if (!check_cycles(grammar, config))
      fatal_error(
          "Options -inside, -outside, -freq, -preorder, -chunking, -heads and -t not allowed "
          "with cyclic grammars");
  }
}

void process_input(RunModel& m, const RunConfig& config) {
  Model& model = m.model;
  std::vector<bool> chunk_categories = read_chunk_file(model, config);
  TreebankMatching matching(model.grammar);
  if (config.isym) matching.read_insertable_symbols(config.isym_file, config);
  if (config.bsmatch) matching.read_symbol_matching(config.bsmatch_file, config);
  scale_frequencies(model, 0.0, config);
  message(config, "finished\n");
  check_acyclic(model.grammar, config);
  // Training with head lexicalisation counts the lexicalised events too.
  std::optional<HeadFrequencies> head_frequencies;
  PipelineParts parts{nullptr, model, config, std::move(chunk_categories), nullptr, {}};
  if (config.lexicalise && config.train) {
    head_frequencies.emplace(model.grammar, config);
    parts.lexicalised_counts = &*head_frequencies;
    parts.lexicalised_files =
        lexicalised_frequency_files(*head_frequencies, model, m.lexicalised.pooling, config);
  }
  const LexicalisedLookups lookups(model, m.lexicalised, config);
  SentenceHooks hooks;
  if (config.lexmodel) hooks.lexicalised_probabilities = &lookups;
  hooks.bracket_matching = &matching;
  FILE* in = config.input_file.empty() ? stdin : open_file(config.input_file, "rt");
  FILE* out = config.output_file.empty() ? stdout : open_file(config.output_file, "wt");
  message(config, "processing...\n");
  if (!config.print_model) {  // the listing was the whole output
    parts.out = out;
    SentencePipeline pipeline = make_pipeline(parts);
    process_sentences(in, out, model, config, hooks, pipeline);
  }
  finish_output(out);
  if (in != stdin) std::fclose(in);
}

// The exit status when the command line leaves nothing to run.
std::optional<int> read_command_line(int count, const char* const* args, RunConfig& config) {
  if (count == 0) {
    print_usage(stderr);
    return 1;
  }
  switch (parse_command_line(count, args, config)) {
    case CommandLineResult::kUsage:
      print_usage(stderr);
      return 1;
    case CommandLineResult::kVersion:
      return 0;
    case CommandLineResult::kRun:
      break;
  }
  return std::nullopt;
}

}  // namespace

int run(int count, const char* const* args) {
  RunConfig config;
  if (std::optional<int> status = read_command_line(count, args, config)) return *status;
  // Training writes its files only after the whole corpus: a bad base name must stop the run
  // before any work is done.
  if (config.train) {
    check_base_name(config.train_base);
    remove_stale_frequency_files(config.train_base);
  }

  RunModel model;
  if (!config.merge_files.empty()) {
    check_base_name(config.output_file);
    remove_stale_frequency_files(config.output_file);
    merge_model(model, config);
    message(config, "finished\n");
    return 0;
  }
  load_model(model, config);
  if (config.store_params) {
    store_model(model, config);
    message(config, "finished\n");
    return 0;
  }
  if (config.interactive) {
    interactive_session(stdin, stdout, model.model, model.lexicalised, config);
    finish_output(stdout);
    return 0;
  }
  process_input(model, config);
  message(config, "finished\n");
  return 0;
}

}  // namespace velmo
