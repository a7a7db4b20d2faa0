// Open-class files over a fixed grammar and lexicon, then estimation. Flag bit 1: the bytes go
// to the capitalised table as well.
#include "fuzz_model.h"

using namespace velmo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes = fuzz::bytes_of(data, size);
  const uint8_t flags = fuzz::flags_of(bytes);
  RunConfig config = fuzz::quiet_config();
  try {
    Model model;
    MemoryInput grammar(fuzz::kGrammar);
    model.grammar = read_grammar(grammar.get(), config);
    MemoryInput open(bytes);
    read_open_classes(open.get(), model.grammar, model.lexicon.open_class, config);
    if (flags & 1) {
      MemoryInput cap_open(bytes);
      read_open_classes(cap_open.get(), model.grammar, model.lexicon.cap_open_class, config);
    }
    estimate_probabilities(model, config, nullptr);
  } catch (const FatalError&) {
  }
  return 0;
}
