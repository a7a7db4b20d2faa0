// Sentence input (words, explicit tags, lattices, weights, bracket lines) parsed with a fixed
// model, cut down to its brackets and printed. Flag bits: 1 -lattice-input, 2 -sent-weights, 4 -stems; bits 8 to 64
// choose the output: the forest, -viterbi, -viterbi with -tagging, -inside with -outside,
// -vpf, -tagging, -trees, -viterbi1 with -viterbi-probs.
#include <cstdio>

#include "fuzz_model.h"
#include "parser/sentence_loop.h"
#include "treebank/treebank_matching.h"

using namespace velmo;

namespace {

void choose_output(uint8_t mode, RunConfig& config) {
  switch (mode) {
    case 1: config.viterbi = 1; break;
    case 2: config.viterbi = 1; config.tagging = !config.lattice_input; break;
    case 3: config.inside = config.outside = true; break;
    case 4: config.vpf = config.quote = true; break;
    case 5: config.tagging = !config.lattice_input; break;
    case 6: config.trees = true; break;
    case 7: config.viterbi = 2; config.viterbi_probs = true; break;
    default: break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes = fuzz::bytes_of(data, size);
  const uint8_t flags = fuzz::flags_of(bytes);
  RunConfig config = fuzz::quiet_config();
  config.lattice_input = flags & 1;
  config.sent_weights = flags & 2;
  config.stems = flags & 4;
  choose_output((flags >> 3) & 7, config);
  static FILE* sink = std::fopen("/dev/null", "w");
  try {
    Model model = fuzz::small_model(config);
    MemoryInput sentences(bytes);
    TreebankMatching matching(model.grammar);
    SentenceHooks hooks;
    hooks.bracket_matching = &matching;
    fuzz::parse_all(sentences.get(), sink, model, config, hooks);
  } catch (const FatalError&) {
  }
  return 0;
}
