// RunConfig: every option and file name of one run. The command line fills it once
// (parse_command_line); afterwards every subsystem only reads it.
#pragma once

#include <string>
#include <vector>

namespace velmo {

struct RunConfig {
  // File names; an empty string means "none".
  std::string grammar_file, lexicon_file, start_file, open_class_file, cap_open_class_file;
  std::string input_file, output_file, in_base;
  std::string lex_rule_file, lex_choice_file, lex_start_file, pool_file;
  std::string fixed_file, parent_pooling_file, child_pooling_file, params_file;
  std::string rob_start_file, rob_rules_file, chunk_file, isym_file, bsmatch_file;
  std::string train_base, fails_file, analysis_count_file, print_probs_file;
  // -train-sums: where training leaves the sums its perplexity is made of, so that the
  // perplexity of several runs over parts of a text can be combined (velmo-parallel).
  std::string train_sums_file;
  std::vector<std::string> merge_files;  // -merge / -m bases in order; at most kMaxMergeFiles

  // Flags.
  bool train = false, fails = false, chunking = false, chunk_trees = false;
  bool opt_chunking = false, max_chunks = false, recursive_chunks = false;
  bool labelled_chunks = false, headed_chunks = false, lexicalise = false, heads = false;
  bool lexmodel = false, governors = false, symbolic = false, store_params = false;
  bool print_model = false, interactive = false, lattice_input = false, isym = false;
  bool custom = false, quiet = false, inside = false, outside = false, freq = false;
  int viterbi = 0;  // 1 for -viterbi, 2 for -viterbi1 (multi-line trees)
  bool viterbi_probs = false, sent_probs = false, tagging = false, trees = false;
  bool preorder = false, vpf = false, tgrep = false, quote = false, stems = false;
  bool textpar = false, high_precision = false, no_smoothing = false;
  bool wordwise_smoothing = false, sent_weights = false, bsmatch = false;
  bool timing = false, verbose = false;

  // Numbers.
  int iter = 0;  // re-estimation interval in sentences; training doubles it after each round
  double old_freq = 0.0;
  double gov_threshold = 0.1;
  double min_start_freq = 0.1;
  double min_rule_freq = 0.5;
  double min_choice_freq = 0.5;
  double shave = 0.0;
  double prune = 0.0;
  double rare_heads = 0.0;  // -rare-heads: words seen at most this often head as unknown  // -prune: posterior threshold before lexicalisation; 0 keeps everything

  static constexpr int kMaxMergeFiles = 100;
};

}  // namespace velmo
