// Tag sequences: the parts of speech of the best parse (-viterbi -tagging), or for every
// position the tag whose lexical node has the highest inside * outside value (-tagging).
#include <memory>
#include <vector>

#include "output/forest_values.h"
#include "output/quote.h"
#include "output/viterbi_printer.h"
#include "parser/forest_walk.h"
#include "parser/inside_outside.h"

namespace velmo {

namespace {

// The input word stored for a chart position: the first word starting there (with plain input
// word i starts at position i).
std::string_view word_at(const Sentence& sentence, int position) {
  for (int i = 0; i < sentence.word_count(); ++i) {
    if (sentence.starts[i] == position) return sentence.words[i];
  }
  if (position < sentence.word_count()) return sentence.words[position];
  return {};
}

void write_bare_words(FILE* out, const Sentence& sentence) {
  for (int p = 0; p < sentence.position_count; ++p) {
    std::string_view word = word_at(sentence, p);
    std::fprintf(out, "%.*s\n", static_cast<int>(word.size()), word.data());
  }
}

const TagEntry* find_reading(const Lexicon& lexicon, std::string_view word, int tag) {
  const LexEntry* entry = lexicon.find_word(word);
  if (!entry) return nullptr;
  for (const TagEntry& reading : entry->tags) {
    if (reading.tag == tag) return &reading;
  }
  return nullptr;
}

// The lemmas of the reading joined by "|"; "<unknown>" without a reading or lemma.
std::string lemmas_of(const ParsedSentence& ctx, std::string_view word, int tag) {
  const Lexicon& lexicon = ctx.model.lexicon;
  const TagEntry* reading = find_reading(lexicon, word, tag);
  if (!reading || reading->lemmas.empty()) return "<unknown>";
  std::string joined;
  for (const LemmaEntry& lemma : reading->lemmas) {
    if (!joined.empty()) joined += '|';
    joined += lexicon.lemmas.name(lemma.lemma);
  }
  return joined;
}

// `head` is the node's head for the best-parse printer, kNoHead position-wise.
void write_tag_line(FILE* out, const ParsedSentence& ctx, std::string_view word, int tag,
                    int head, bool from_parse) {
  const RunConfig& config = ctx.config;
  const std::string& tag_name = ctx.model.grammar.name(tag);
  std::fprintf(out, "%.*s\t%s", static_cast<int>(word.size()), word.data(), tag_name.c_str());
  if (config.stems) {
    std::string lemma = from_parse && config.lexmodel
                            ? std::string(head_string(head, ctx.model.lexicon, config))
                            : lemmas_of(ctx, word, tag);
    std::fprintf(out, "\t%s", lemma.c_str());
  }
  std::fputc('\n', out);
}

// The lexical nodes of the best parse, left to right. A node met again on its own path (a
// cycle with zero values) is not followed.
class BestTagWriter {
 public:
  BestTagWriter(FILE* out, const ParsedSentence& ctx)
      : out_(out), ctx_(ctx), open_stamp_(ctx.chart.next_stamp()) {}

  void visit(ForestNode* node) {
    if (node->lexical) {
      write_tag_line(out_, ctx_, word_at(ctx_.sentence, node->start), node->category,
                     node->head, true);
      return;
    }
    for_each_best_daughter(node, open_stamp_, [this](ForestNode* d) { visit(d); });
  }

 private:
  FILE* out_;
  const ParsedSentence& ctx_;
  uint16_t open_stamp_;
};

struct BestTagsPerPosition : ForestVisitor<BestTagsPerPosition> {
  std::vector<PROB> value;
  std::vector<int> tag;

  explicit BestTagsPerPosition(int positions) : value(positions), tag(positions, -1) {}
  void node_before(ForestNode* node) {
    if (!node->lexical) return;
    PROB v = node->inside * node->outside;
    if (v > value[node->start]) {
      value[node->start] = v;
      tag[node->start] = node->category;
    }
  }
};

}  // namespace

void print_viterbi_tags(FILE* out, const ParsedSentence& ctx) {
  ForestNode* best = select_best_parse(ctx);
  if (!best) {
    write_bare_words(out, ctx.sentence);
  } else {
    BestTagWriter(out, ctx).visit(best);
  }
  std::fputc('\n', out);
  std::fflush(out);
}

// A position where no lexical node has a value above zero has no best tag; its word is
// written alone, as for a sentence without parse.
void print_best_tags(FILE* out, const ParsedSentence& ctx) {
  const Sentence& sentence = ctx.sentence;
  if (ctx.chart.roots().empty()) {
    write_bare_words(out, sentence);
  } else {
    BestTagsPerPosition best(sentence.position_count);
    walk(ctx.chart, best);
    for (int p = 0; p < sentence.position_count; ++p) {
      std::string_view word = word_at(sentence, p);
      if (best.tag[p] < 0) {
        std::fprintf(out, "%.*s\n", static_cast<int>(word.size()), word.data());
      } else {
        write_tag_line(out, ctx, word, best.tag[p], kNoHead, false);
      }
    }
  }
  std::fputc('\n', out);
  std::fflush(out);
}

std::unique_ptr<ForestStage> make_tag_printer(FILE* out) {
  return std::make_unique<PosteriorPrinter>(out, print_best_tags);
}

}  // namespace velmo
