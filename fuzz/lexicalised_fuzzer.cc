// The head-lexicalised model's files over a fixed model: flag bits 1-2 choose the file (0 the
// .lstart, 1 the .lchoice, 2 the .lgram, 3 the .pool file), bit 4 -stems. A file that loads is
// estimated and used to parse a sentence with -lexmodel.
#include <cstdio>

#include "fuzz_model.h"
#include "lexmodel/head_counts.h"
#include "lexmodel/lex_estimation.h"
#include "lexmodel/lexicalised_frequency_files.h"
#include "lexmodel/lexicalised_lookups.h"
#include "lexmodel/pool_file.h"
#include "parser/sentence_loop.h"

using namespace velmo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes = fuzz::bytes_of(data, size);
  const uint8_t flags = fuzz::flags_of(bytes);
  RunConfig config = fuzz::quiet_config();
  config.stems = flags & 4;
  config.lexicalise = config.lexmodel = true;
  config.viterbi = 1;
  static FILE* sink = std::fopen("/dev/null", "w");
  try {
    Model model = fuzz::small_model(config);
    LexicalisedModel lexicalised;
    PoolingClasses& pooling = lexicalised.pooling;
    LexModel& lex = lexicalised.lex;
    MemoryInput file(bytes);
    if ((flags & 3) == 3) read_pools(file.get(), "f", model, pooling);
    count_heads(model, pooling, config);
    lex.reset(model.grammar.symbol_count());
    if ((flags & 3) == 0) read_lexicalised_starts(file.get(), "f", model, lex, config);
    if ((flags & 3) == 1) read_lexical_choices(file.get(), "f", model, pooling, lex, config);
    if ((flags & 3) == 2) read_lexicalised_rules(file.get(), "f", model, lex, config);
    estimate_lexicalised_model(model, lexicalised, config, nullptr);
    const LexicalisedLookups lookups(model, lexicalised, config);
    SentenceHooks hooks;
    hooks.lexicalised_probabilities = &lookups;
    MemoryInput sentence(std::string_view("the\ndog\nsaw\nNew\nYork\nwith\na\ndog\n"));
    fuzz::parse_all(sentence.get(), sink, model, config, hooks);
  } catch (const FatalError&) {
  }
  return 0;
}
