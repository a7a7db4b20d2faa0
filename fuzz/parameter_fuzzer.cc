// Binary parameter files (with the lexicalised sections), and a sentence parsed with a model
// that loaded.
#include <cstdio>

#include "fuzz_model.h"
#include "lexmodel/lexicalised_lookups.h"
#include "lexmodel/lexicalised_sections.h"
#include "model/parameter_file.h"
#include "parser/sentence_loop.h"

using namespace velmo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RunConfig config = fuzz::quiet_config();
  config.viterbi = 1;
  static FILE* sink = std::fopen("/dev/null", "w");
  try {
    MemoryInput file(fuzz::bytes_of(data, size));
    Model model = read_parameters(file.get(), "p.bin", config);
    LexicalisedModel lexicalised;
    if (config.lexmodel) read_lexicalised_sections(file.get(), "p.bin", model, lexicalised, config);
    const LexicalisedLookups lookups(model, lexicalised, config);
    SentenceHooks hooks;
    if (config.lexmodel) hooks.lexicalised_probabilities = &lookups;
    MemoryInput sentence(std::string_view("the\ndog\nbarks\n\na\nb\n"));
    fuzz::parse_all(sentence.get(), sink, model, config, hooks);
  } catch (const FatalError&) {
  }
  return 0;
}
