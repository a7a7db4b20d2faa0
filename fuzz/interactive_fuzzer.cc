// Interactive commands against a fixed lexicalised model (its tables empty but for what the
// estimation gives). Inputs with an output command are skipped: they would create files.
#include <cstdio>
#include <string>

#include "fuzz_model.h"
#include "interactive/interactive.h"
#include "lexmodel/head_counts.h"
#include "lexmodel/lex_estimation.h"

using namespace velmo;

namespace {

// Lines as the session reads them: a line of 999 bytes or more would go on as another, so such
// inputs are skipped too.
bool names_an_output_file(std::string_view bytes) {
  while (!bytes.empty()) {
    const size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    if (line.size() >= 998) return true;
    const std::string_view command = next_token(line);
    if (command == "o" || command == "output") return true;
    if (end == std::string_view::npos) break;
    bytes.remove_prefix(end + 1);
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::bytes_of(data, size);
  if (names_an_output_file(bytes)) return 0;
  RunConfig config = fuzz::quiet_config();
  config.lexicalise = config.lexmodel = true;
  static FILE* sink = std::fopen("/dev/null", "w");
  try {
    Model model = fuzz::small_model(config);
    LexicalisedModel lexicalised;
    LexModel& lex = lexicalised.lex;
    count_heads(model, lexicalised.pooling, config);
    lex.reset(model.grammar.symbol_count());
    lex.rules[model.grammar.symbols.find("NP")].push_back({1, {{0, 2.0f, 0.0}}, 0.5, 0.0});
    estimate_lexicalised_model(model, lexicalised, config, nullptr);
    MemoryInput commands(bytes);
    interactive_session(commands.get(), sink, model, lexicalised, config);
  } catch (const FatalError&) {
  }
  return 0;
}
