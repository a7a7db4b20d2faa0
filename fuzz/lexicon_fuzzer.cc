// Lexicon files over a fixed grammar, then estimation from what was read. Flag bits: 1 -stems,
// 2 -symbolic, 4 -wordwise-smoothing, 8 -no-smoothing.
#include "fuzz_model.h"

using namespace velmo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes = fuzz::bytes_of(data, size);
  const uint8_t flags = fuzz::flags_of(bytes);
  RunConfig config = fuzz::quiet_config();
  config.stems = flags & 1;
  config.symbolic = flags & 2;
  config.wordwise_smoothing = flags & 4;
  config.no_smoothing = flags & 8;
  try {
    Model model;
    MemoryInput grammar(fuzz::kGrammar);
    model.grammar = read_grammar(grammar.get(), config);
    MemoryInput lexicon(bytes);
    read_lexicon(lexicon.get(), model.grammar, model.lexicon, config);
    estimate_probabilities(model, config, nullptr);
  } catch (const FatalError&) {
  }
  return 0;
}
