// What the fuzz targets share: the input's bytes as a stream, a quiet configuration, and a
// small model (a grammar with heads, a lexicon with a multi-word lexeme and lemmas, both
// open-class tables) for the readers that need one. Every target catches the one fatal error
// type: a clear error is the right answer to bad input; a crash, a hang or a sanitizer report
// is not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/diagnostics.h"
#include "base/run_config.h"
#include "base/text_input.h"
#include "driver/pipeline.h"
#include "grammar/grammar_reader.h"
#include "lexicon/lexicon.h"
#include "model/estimation.h"
#include "model/model.h"
#include "parser/sentence_loop.h"

namespace velmo::fuzz {

inline std::string_view bytes_of(const uint8_t* data, size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// The first byte of an input holds option bits; the rest is the file.
inline uint8_t flags_of(std::string_view& bytes) {
  if (bytes.empty()) return 0;
  uint8_t flags = static_cast<uint8_t>(bytes[0]);
  bytes.remove_prefix(1);
  return flags;
}

inline RunConfig quiet_config() {
  RunConfig config;
  config.quiet = true;
  return config;
}

constexpr std::string_view kGrammar =
    "2 S NP VP'\n1 S S' CONJ S\n3 NP DT N'\n1 NP NP' PP\n1 NP NNP'\n2 VP V' NP\n1 VP VP' PP\n"
    "1 VP V'\n1 PP P' NP\n";
constexpr std::string_view kLexicon =
    "the\tDT 3 the\na\tDT 2 a\ndog\tN 2 dog\tV 1 dog\ndogs\tN 1 dog\nbarks\tV 2 bark\n"
    "saw\tV 2 see\tN 1 saw\nwith\tP 2 with\nand\tCONJ 1 and\nNew York\tNNP 1 New York\n"
    "York\tNNP 1 York\n";

// The model the sentence reader and the printers work on, estimated; with `stems` the lexicon
// carries lemmas.
inline Model small_model(const RunConfig& config) {
  Model model;
  MemoryInput grammar(kGrammar);
  model.grammar = read_grammar(grammar.get(), config);
  std::string lexicon(kLexicon);
  if (!config.stems) {
    // Without lemmas a reading is a tag and a frequency.
    lexicon = "the\tDT 3\na\tDT 2\ndog\tN 2\tV 1\ndogs\tN 1\nbarks\tV 2\nsaw\tV 2\tN 1\n"
              "with\tP 2\nand\tCONJ 1\nNew York\tNNP 1\nYork\tNNP 1\n";
  }
  MemoryInput lex(lexicon);
  read_lexicon(lex.get(), model.grammar, model.lexicon, config);
  MemoryInput open(std::string_view("N 2 V 1"));
  read_open_classes(open.get(), model.grammar, model.lexicon.open_class, config);
  MemoryInput cap_open(std::string_view("NNP 3"));
  read_open_classes(cap_open.get(), model.grammar, model.lexicon.cap_open_class, config);
  MemoryInput start(std::string_view("S 1\n"));
  read_start_symbols(start.get(), model.grammar, config);
  estimate_probabilities(model, config, nullptr);
  return model;
}

// Parses every sentence of `in` as a run with these options would, output to `out`.
inline void parse_all(FILE* in, FILE* out, Model& model, const RunConfig& config,
                      const SentenceHooks& hooks) {
  PipelineParts parts{out, model, config, std::vector<bool>(model.grammar.symbol_count()),
                      nullptr, {}};
  SentencePipeline pipeline = make_pipeline(parts);
  process_sentences(in, out, model, config, hooks, pipeline);
}

}  // namespace velmo::fuzz
