#include "output/chunk_printer.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "output/viterbi_printer.h"
#include "parser/forest_walk.h"

namespace velmo {

std::vector<bool> read_chunk_categories(FILE* in, const Grammar& grammar,
                                        const RunConfig& config) {
  std::vector<bool> chunk(grammar.symbol_count(), false);
  for (int symbol; (symbol = grammar.symbols.read_symbol(in, LookupMode::kFatal, config)) >= 0;)
    chunk[symbol] = true;
  return chunk;
}

namespace {

// The root of greatest value; the last of equal ones wins.
struct BestRoot {
  ForestNode* root = nullptr;
  PROB value;
  void offer(ForestNode* candidate, PROB candidate_value) {
    if (root && candidate_value < value) return;
    root = candidate;
    value = candidate_value;
  }
};

std::string head_string(const ParsedSentence& ctx, int head) {
  return std::string(lexical_item_name(ctx.model.lexicon, head, ctx.config));
}

// ---------------------------------------------------------------- -chunking

// The two scores of a record: without any chunk inside, and the best of a structure with at
// least one chunk.
struct ChunkScore {
  PROB without, with;
};

class ChunkScorer : public ForestVisitor<ChunkScorer> {
 public:
  ChunkScorer(const ParsedSentence& ctx, const std::vector<bool>& chunk)
      : ctx_(ctx), chunk_(chunk), scores_(ctx.chart) {}

  void node_before(ForestNode* node) { scores_.enter(node); }
  void item_before(ChartItem* item) { scores_.enter(item); }

  void item_after(ChartItem* item) {
    PROB a, b;
    DaughterLink* best = nullptr;
    for (DaughterLink* l : links(item)) {
      const PROB choice = ctx_.pm.choice(l, item);
      const ChunkScore& d = scores_[l->daughter];
      PROB without = d.without * choice;
      PROB candidate = d.with;
      if (l->previous) {
        const ChunkScore& p = scores_[l->previous];
        without *= p.without;
        candidate = std::max(std::max(p.with * d.with, p.without * d.with), p.with * d.without);
      }
      a += without;
      candidate *= choice;
      if (!best || candidate >= b) {
        b = candidate;
        best = l;
      }
    }
    scores_[item] = {a, b};
    if (best) move_to_front(item, best);
  }

  void node_after(ForestNode* node) {
    const bool chunk = chunk_[node->category];
    const bool max_chunks = ctx_.config.max_chunks;
    if (node->lexical) {
      const PROB p = ctx_.pm.lexical(node);
      scores_[node] = {chunk && !max_chunks ? PROB::zero() : p, chunk ? p : PROB::zero()};
      return;
    }
    PROB a, b;
    ChartItem* best = nullptr;
    for (ChartItem* i : analyses(node)) {
      const PROB rule = ctx_.pm.rule(i);
      a += rule * scores_[i].without;
      if (!best || rule * scores_[i].with >= b) {
        b = rule * scores_[i].with;
        best = i;
      }
    }
    if (best) move_to_front(node, best);
    if (chunk && !max_chunks) {
      if (a >= b) b = a;
      a = PROB::zero();  // no chunk inside a chunk: the lowest ones win
    } else if (chunk) {
      b = a;  // the outermost chunk category wins
    }
    scores_[node] = {a, b};
  }

  void root_after(ForestNode* root) {
    const ChunkScore& s = scores_[root];
    best.offer(root, ctx_.pm.start(root) * (s.without >= s.with ? s.without : s.with));
  }

  const ChunkScore& score(const ForestNode* node) { return scores_[node]; }
  const ChunkScore& score(const ChartItem* item) { return scores_[item]; }

  BestRoot best;

 private:
  const ParsedSentence& ctx_;
  const std::vector<bool>& chunk_;
  RecordValues<ChunkScore> scores_;
};

class ChunkPrinter {
 public:
  ChunkPrinter(FILE* out, const ParsedSentence& ctx, const std::vector<bool>& chunk,
               ChunkScorer& scorer)
      : out_(out), ctx_(ctx), chunk_(chunk), scorer_(scorer), trees_(ctx.config.chunk_trees) {}

  void print(ForestNode* x) {
    const bool max_chunks = ctx_.config.max_chunks;
    const ChunkScore& s = scorer_.score(x);
    const bool without_chunk = max_chunks ? s.with.is_zero() : s.with < s.without;
    if (without_chunk) {
      if (trees_) {
        bracket(x);
      } else {
        for (int i = x->start; i < x->end; ++i) std::fprintf(out_, "%s ", word(i));
      }
      return;
    }
    const std::string& category = ctx_.model.grammar.name(x->category);
    if (x->lexical) {
      if (trees_)
        bracket(x);
      else
        std::fprintf(out_, "[ %s  %s ] ", category.c_str(), word(x->start));
      return;
    }
    if (chunk_[x->category] && taken_as_chunk(x)) {
      if (trees_) {
        bracket(x);
        return;
      }
      std::fprintf(out_, "[ %s %s ", category.c_str(), word(x->start));
      for (int i = x->start + 1; i < x->end; ++i) std::fprintf(out_, "%s ", word(i));
      std::fputs("] ", out_);
      return;
    }
    if (trees_) {
      std::fprintf(out_, "(%s ", category.c_str());
      if (ctx_.config.lexicalise) std::fprintf(out_, "#%s", head_string(ctx_, x->head).c_str());
    }
    std::vector<ForestNode*> daughters;
    first_analysis_daughters(x, daughters);
    for (ForestNode* d : daughters) print(d);
    if (trees_) std::fputc(')', out_);
  }

 private:
  const char* word(int position) const { return ctx_.sentence.words[position].c_str(); }

  bool taken_as_chunk(const ForestNode* x) const {
    if (ctx_.config.max_chunks) return true;
    const ChartItem* first = first_analysis(x);
    return !first || scorer_.score(x).with > ctx_.pm.rule(first) * scorer_.score(first).with;
  }

  // "(X w1_w2_w3)", with the head after the category under lexicalisation.
  void bracket(const ForestNode* x) {
    std::fprintf(out_, "(%s ", ctx_.model.grammar.name(x->category).c_str());
    if (ctx_.config.lexicalise) std::fprintf(out_, "#%s ", head_string(ctx_, x->head).c_str());
    std::fputs(word(x->start), out_);
    for (int i = x->start + 1; i < x->end; ++i) std::fprintf(out_, "_%s", word(i));
    std::fputc(')', out_);
  }

  FILE* out_;
  const ParsedSentence& ctx_;
  const std::vector<bool>& chunk_;
  ChunkScorer& scorer_;
  bool trees_;
};

// ---------------------------------------------------------------- -opt-chunking

// One cell of a chunk sequence. Cells are unique by (content, tail), so equal sequences are one
// object and sequences can be grouped by identity.
struct ChunkCell {
  int16_t start, end;
  int16_t category;
  int32_t head;
  const ChunkCell* tail;
};

class SequenceStore {
 public:
  explicit SequenceStore(BlockPool& pool) : pool_(pool) {}

  const ChunkCell* cell(int start, int end, int category, int head, const ChunkCell* tail) {
    const auto key = std::tuple(start, end, category, head, tail);
    auto it = cells_.find(key);
    if (it != cells_.end()) return it->second;
    ChunkCell* c = pool_.make<ChunkCell>();
    *c = {static_cast<int16_t>(start), static_cast<int16_t>(end), static_cast<int16_t>(category),
          head, tail};
    cells_.emplace(key, c);
    return c;
  }

  const ChunkCell* concat(const ChunkCell* a, const ChunkCell* b) {
    if (!a) return b;
    if (!b) return a;
    auto it = concatenations_.find({a, b});
    if (it != concatenations_.end()) return it->second;
    const ChunkCell* result = cell(a->start, a->end, a->category, a->head, concat(a->tail, b));
    concatenations_.emplace(std::pair(a, b), result);
    return result;
  }

 private:
  BlockPool& pool_;
  std::map<std::tuple<int, int, int, int, const ChunkCell*>, const ChunkCell*> cells_;
  std::map<std::pair<const ChunkCell*, const ChunkCell*>, const ChunkCell*> concatenations_;
};

// Values summed per sequence; the best sequence (the last of equal ones) wins.
class Groups {
 public:
  void add(const ChunkCell* sequence, PROB value) {
    for (auto& [s, v] : groups_) {
      if (s == sequence) {
        v += value;
        return;
      }
    }
    groups_.emplace_back(sequence, value);
  }
  std::pair<const ChunkCell*, PROB> best() const {
    std::pair<const ChunkCell*, PROB> best{nullptr, PROB::zero()};
    bool first = true;
    for (const auto& g : groups_) {
      if (first || g.second >= best.second) best = g;
      first = false;
    }
    return best;
  }

 private:
  std::vector<std::pair<const ChunkCell*, PROB>> groups_;
};

class OptimalChunker : public ForestVisitor<OptimalChunker> {
 public:
  OptimalChunker(const ParsedSentence& ctx, const std::vector<bool>& chunk, SequenceStore& store)
      : ctx_(ctx), chunk_(chunk), store_(store), values_(ctx.chart) {}

  // The best sequence of every record and its value; one still open on a cycle has none yet.
  const ChunkCell*& sequence(const ForestNode* node) { return values_[node].sequence; }
  const ChunkCell*& sequence(const ChartItem* item) { return values_[item].sequence; }
  void node_before(ForestNode* node) { values_.enter(node); }
  void item_before(ChartItem* item) { values_.enter(item); }

  void item_after(ChartItem* item) {
    Groups groups;
    for (DaughterLink* l : links(item)) {
      const ChunkCell* s = sequence(l->daughter);
      PROB value = values_[l->daughter].value * ctx_.pm.choice(l, item);
      if (l->previous) {
        s = store_.concat(sequence(l->previous), s);
        value *= values_[l->previous].value;
      }
      groups.add(s, value);
    }
    const auto [sequence, value] = groups.best();
    values_[item] = {sequence, value};
  }

  void node_after(ForestNode* node) {
    Groups groups;
    if (node->lexical) groups.add(nullptr, ctx_.pm.lexical(node));
    for (ChartItem* a : analyses(node))
      groups.add(this->sequence(a), ctx_.pm.rule(a) * values_[a].value);
    auto [sequence, value] = groups.best();
    const RunConfig& config = ctx_.config;
    if (chunk_[node->category] && (!sequence || config.recursive_chunks)) {
      const ChunkCell* chunk =
          store_.cell(node->start, node->end, config.labelled_chunks ? node->category : 0,
                      config.headed_chunks ? node->head : 0, nullptr);
      sequence = store_.concat(chunk, sequence);
    }
    values_[node] = {sequence, value};
  }

  void root_after(ForestNode* root) {
    best.offer(root, ctx_.pm.start(root) * values_[root].value);
  }

  BestRoot best;

 private:
  const ParsedSentence& ctx_;
  const std::vector<bool>& chunk_;
  SequenceStore& store_;
  struct Best {
    const ChunkCell* sequence = nullptr;
    PROB value;
  };
  RecordValues<Best> values_;
};

void print_sequence(FILE* out, const ParsedSentence& ctx, const ChunkCell* sequence) {
  const Sentence& sentence = ctx.sentence;
  for (int i = 0; i < sentence.word_count(); ++i) {
    for (const ChunkCell* c = sequence; c; c = c->tail) {
      if (c->start != i) continue;
      std::fputs("<chunk", out);
      if (ctx.config.labelled_chunks)
        std::fprintf(out, " pos=\"%s\"", ctx.model.grammar.name(c->category).c_str());
      if (ctx.config.headed_chunks)
        std::fprintf(out, " head=\"%s\"", head_string(ctx, c->head).c_str());
      std::fputs(">\n", out);
    }
    std::fprintf(out, "%s\n", sentence.words[i].c_str());
    for (const ChunkCell* c = sequence; c; c = c->tail)
      if (c->end == i + 1) std::fputs("</chunk>\n", out);
  }
}

}  // namespace

void print_chunks(FILE* out, const ParsedSentence& ctx, const std::vector<bool>& chunk_category) {
  ChunkScorer scorer(ctx, chunk_category);
  walk(ctx.chart, scorer);
  if (scorer.best.root) ChunkPrinter(out, ctx, chunk_category, scorer).print(scorer.best.root);
  std::fputc('\n', out);
  std::fflush(out);
}

void print_optimal_chunks(FILE* out, const ParsedSentence& ctx,
                          const std::vector<bool>& chunk_category) {
  SequenceStore store(ctx.chart.pool());
  OptimalChunker chunker(ctx, chunk_category, store);
  walk(ctx.chart, chunker);
  if (!chunker.best.root) {
    std::fputs("parsing failed:", out);
    for (const std::string& w : ctx.sentence.words) std::fprintf(out, " %s", w.c_str());
    std::fputc('\n', out);
  } else {
    print_sequence(out, ctx, chunker.sequence(chunker.best.root));
  }
  std::fflush(out);
}

namespace {

class ChunkConsumer : public ForestStage {
 public:
  ChunkConsumer(FILE* out, std::vector<bool> chunk_category, bool optimal)
      : out_(out), chunk_category_(std::move(chunk_category)), optimal_(optimal) {}
  void apply(ParsedSentence& parsed) override {
    if (optimal_) {
      print_optimal_chunks(out_, parsed, chunk_category_);
    } else {
      print_chunks(out_, parsed, chunk_category_);
    }
  }

 private:
  FILE* out_;
  std::vector<bool> chunk_category_;
  bool optimal_;
};

}  // namespace

std::unique_ptr<ForestStage> make_chunk_printer(FILE* out, std::vector<bool> chunk_category,
                                                bool optimal) {
  return std::make_unique<ChunkConsumer>(out, std::move(chunk_category), optimal);
}

}  // namespace velmo
