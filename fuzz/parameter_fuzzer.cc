// Binary parameter files, and a sentence parsed with a model that loaded.
#include <cstdio>

#include "fuzz_model.h"
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
    if (config.lexmodel) return 0;  // lexicalised sections are the lexicalised model's
    MemoryInput sentence(std::string_view("the\ndog\nbarks\n\na\nb\n"));
    process_sentences(sentence.get(), sink, model, config);
  } catch (const FatalError&) {
  }
  return 0;
}
