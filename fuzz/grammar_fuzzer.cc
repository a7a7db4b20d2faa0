// Grammar and start-symbol files: the grammar's bytes, then after a NUL byte the start file's.
// Flag bits: 1 -symbolic, 2 head lexicalisation (every rule needs a head), 4 -shave -1.
#include "fuzz_model.h"
#include "grammar/grammar_analysis.h"

using namespace velmo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes = fuzz::bytes_of(data, size);
  const uint8_t flags = fuzz::flags_of(bytes);
  RunConfig config = fuzz::quiet_config();
  config.symbolic = flags & 1;
  config.lexicalise = flags & 2;
  if (flags & 4) config.shave = -1;
  const size_t nul = bytes.find('\0');
  try {
    MemoryInput grammar_file(bytes.substr(0, nul));
    Grammar grammar = read_grammar(grammar_file.get(), config);
    if (nul != std::string_view::npos) {
      MemoryInput start_file(bytes.substr(nul + 1));
      read_start_symbols(start_file.get(), grammar, config);
    }
    check_reachability(grammar, config);
    check_cycles(grammar, config);
  } catch (const FatalError&) {
  }
  return 0;
}
