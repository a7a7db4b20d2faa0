#include "parser/training.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "model/model_test_util.h"
#include "parser/parser_test_util.h"

namespace velmo {
namespace {

using testing::GrammarBuilder;

// An ambiguous grammar: PP attachment, and "saw" as a verb or as the second noun of NP -> N N.
struct AmbiguousModel {
  Model model;
  RunConfig config;
  GrammarBuilder b{model.grammar, {"N", "NP", "P", "PP", "S", "V", "VP"}};

  AmbiguousModel() {
    b.rule("S", {"NP", "VP"}, 1.0);
    b.rule("VP", {"V", "NP"}, 0.5);
    b.rule("VP", {"VP", "PP"}, 0.3);
    b.rule("VP", {"V"}, 0.2);
    b.rule("NP", {"NP", "PP"}, 0.3);
    b.rule("NP", {"N"}, 0.6);
    b.rule("NP", {"N", "N"}, 0.1);
    b.rule("PP", {"P", "NP"}, 1.0);
    b.start("S", 0.8);
    b.start("NP", 0.2);
    b.finish();
    word("in", {{"P", 1.0f}});
    word("man", {{"N", 0.3f}});
    word("park", {{"N", 0.2f}});
    word("saw", {{"N", 0.1f}, {"V", 1.0f}});
    word("she", {{"N", 0.4f}});
    for (SymbolData& d : model.grammar.data) d.start_freq = 0;
  }
  void word(const std::string& w, const std::vector<std::pair<std::string, float>>& readings) {
    LexEntry e{w, {}};
    for (auto& [tag, p] : readings) {
      e.tags.push_back(TagEntry{b.id(tag), p, 0.0, {}});
      model.grammar.data[b.id(tag)].lex_share = 1.0;
    }
    model.lexicon.entries.push_back(e);
  }
  std::vector<std::string> tags_of(const std::string& w) const {
    std::vector<std::string> tags;
    for (const TagEntry& t : model.lexicon.find_word(w)->tags)
      tags.push_back(model.grammar.name(t.tag));
    return tags;
  }
};

// Expected frequencies of one sentence from all of its trees: rule uses by (mother, index),
// lexical uses by (word, tag), root categories.
struct Counts {
  std::map<std::pair<int, int>, double> rules;
  std::map<std::pair<std::string, int>, double> lexical;
  std::map<int, double> start;
  void add(const Counts& other, double w) {
    for (auto& [k, v] : other.rules) rules[k] += w * v;
    for (auto& [k, v] : other.lexical) lexical[k] += w * v;
    for (auto& [k, v] : other.start) start[k] += w * v;
  }
};

struct Tree {
  double p;
  Counts uses;
};

class TreeEnumerator {
 public:
  TreeEnumerator(const Model& model, const RunConfig& config, const std::vector<std::string>& words)
      : model_(model), config_(config), words_(words) {}

  // Every tree of category x over the words i..j-1.
  std::vector<Tree> trees(int x, int i, int j) const {
    std::vector<Tree> out;
    if (j == i + 1) {
      const LexEntry* entry = model_.lexicon.find_word(words_[i]);
      for (const TagEntry& t : entry->tags) {
        if (t.tag != x) continue;
        Tree tree{lexical_probability(model_.grammar, model_.lexicon, words_[i], x, config_), {}};
        tree.uses.lexical[{words_[i], x}] = 1;
        out.push_back(tree);
      }
    }
    const std::vector<Rule>& rules = model_.grammar.data[x].rules;
    for (int r = 0; r < static_cast<int>(rules.size()); ++r) {
      for (Tree tree : sequences(rules[r].daughters, 0, i, j)) {
        tree.p *= rules[r].prob;
        tree.uses.rules[{x, r}] += 1;
        out.push_back(tree);
      }
    }
    return out;
  }

  // Sum of the probabilities of the sentence's trees, and their frequencies weighted by the
  // tree's share of that sum.
  double expected(Counts& counts) const {
    double total = 0;
    std::vector<Tree> all;
    const int n = static_cast<int>(words_.size());
    for (int x = 0; x < model_.grammar.symbol_count(); ++x) {
      for (Tree tree : trees(x, 0, n)) {
        tree.p *= model_.grammar.data[x].start_prob;
        tree.uses.start[x] += 1;
        total += tree.p;
        all.push_back(tree);
      }
    }
    for (const Tree& tree : all) counts.add(tree.uses, tree.p / total);
    return total;
  }

 private:
  // Trees of daughters[k..] covering exactly i..j-1.
  std::vector<Tree> sequences(const std::vector<int>& daughters, size_t k, int i, int j) const {
    if (k + 1 == daughters.size()) return trees(daughters[k], i, j);
    std::vector<Tree> out;
    const int rest = static_cast<int>(daughters.size() - k - 1);
    for (int m = i + 1; m <= j - rest; ++m) {
      for (const Tree& a : trees(daughters[k], i, m)) {
        for (const Tree& b : sequences(daughters, k + 1, m, j)) {
          Tree c{a.p * b.p, a.uses};
          c.uses.add(b.uses, 1.0);
          out.push_back(c);
        }
      }
    }
    return out;
  }

  const Model& model_;
  const RunConfig& config_;
  const std::vector<std::string>& words_;
};

// Parses the words, computes inside and outside values and trains on the sentence.
struct TrainingRun {
  explicit TrainingRun(AmbiguousModel& model) : m(model) {}
  AmbiguousModel& m;
  Trainer trainer{m.model, m.config};
  Chart chart{m.model.grammar};
  std::vector<double> log_probs;
  long number = 0;

  void sentence(const std::vector<std::string>& words) {
    std::vector<std::vector<std::string>> tags;
    for (const std::string& w : words) tags.push_back(m.tags_of(w));
    testing::parse(chart, m.b, words, tags);
    Sentence sentence;
    sentence.position_count = static_cast<int>(words.size());
    ProbModel pm(m.model, m.config);
    ForestProbs probs;
    compute_inside(chart, pm, sentence, probs);
    compute_outside(chart, pm);
    log_probs.push_back(probs.sentence_prob.log);
    trainer.training_step(chart, pm, probs, sentence, ++number);
  }
};

const std::vector<std::string> kLong = {"she", "saw", "man", "in", "park"};
const std::vector<std::string> kShort = {"she", "saw"};

class ScratchBase {
 public:
  std::string base() const { return (dir_ / "out").string(); }
  // Sum of the frequencies in base.start, or -1 when the file is missing.
  double start_total() const {
    FILE* f = std::fopen((base() + ".start").c_str(), "r");
    if (!f) return -1;
    double total = 0, freq;
    char name[100];
    while (std::fscanf(f, "%99s %lf", name, &freq) == 2) total += freq;
    std::fclose(f);
    return total;
  }

 private:
  testing::ScratchDir dir_;
};

TEST(Training, ExpectedFrequenciesEqualThoseOfAllTrees) {
  AmbiguousModel m;
  Counts want;
  for (const auto* words : {&kLong, &kShort}) {
    TreeEnumerator e(m.model, m.config, *words);
    double total = e.expected(want);
    EXPECT_GT(total, 0);
  }
  TrainingRun run(m);
  run.sentence(kLong);
  run.sentence(kShort);

  const Grammar& g = m.model.grammar;
  for (int x = 0; x < g.symbol_count(); ++x) {
    EXPECT_NEAR(g.data[x].start_freq, want.start[x], 1e-9) << g.name(x);
    for (int r = 0; r < static_cast<int>(g.data[x].rules.size()); ++r)
      EXPECT_NEAR(g.rule(x, r).freq, (want.rules[{x, r}]), 1e-9) << g.name(x) << " rule " << r;
  }
  for (const LexEntry& e : m.model.lexicon.entries)
    for (const TagEntry& t : e.tags)
      EXPECT_NEAR(t.freq, (want.lexical[{e.word, t.tag}]), 1e-9) << e.word;
  // The two readings of "saw" share the short sentence between them.
  const LexEntry* saw = m.model.lexicon.find_word("saw");
  EXPECT_GT(saw->tags[0].freq, 0.01);
  EXPECT_GT(saw->tags[1].freq, 1.01);
}

TEST(Training, NoPerplexityWhenQuietOrHeadLexicalised) {
  for (auto [quiet, lexicalise, lexmodel] :
       {std::tuple{true, false, false}, std::tuple{false, true, false}}) {
    ScratchBase scratch;
    AmbiguousModel m;
    m.config.train_base = scratch.base();
    m.config.quiet = quiet;
    m.config.lexicalise = lexicalise;
    m.config.lexmodel = lexmodel;
    TrainingRun run(m);
    m.config.lexicalise = false;  // the counting itself stays unlexicalised in this test
    run.sentence(kShort);
    m.config.lexicalise = lexicalise;
    ::testing::internal::CaptureStderr();
    run.trainer.finish_training();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_NEAR(scratch.start_total(), 1.0, 0.01);  // the files are written in every case
  }
}

TEST(ScaleFrequencies, ScalesEveryAccumulatedFrequency) {
  Model model = testing::small_model();
  RunConfig config;
  config.stems = true;
  model.lexicon.lemmas.assign({"dog", "dogs"});
  model.lexicon.entries = {
      LexEntry{"dogs", {TagEntry{1, 0.5f, 3.0, {{0, 0.5, 2.0}, {1, 0.5, 1.0}}}}}};
  // Only the capitalised table: it is scaled all the same.
  OpenClassTable& cap = model.lexicon.cap_open_class;
  cap.loaded = true;
  cap.entries.assign(6, OpenClassEntry{});
  cap.entries[1] = {true, 4.0, 0.5};
  cap.entries[4] = {false, 8.0, 0.0};  // not an open class: not an accumulated frequency
  scale_frequencies(model, 0.5, config);
  const Grammar& g = model.grammar;
  EXPECT_EQ(g.data[3].start_freq, 1.5);
  EXPECT_EQ(g.rule(2, 0).freq, 30.0);
  EXPECT_EQ(g.rule(5, 1).freq, 0.002);
  const TagEntry& tag = model.lexicon.entries[0].tags[0];
  EXPECT_EQ(tag.freq, 1.5);
  EXPECT_EQ(tag.lemmas[0].freq, 1.0);
  EXPECT_EQ(tag.lemmas[1].freq, 0.5);
  EXPECT_EQ(cap.entries[1].freq, 2.0);
  EXPECT_EQ(cap.entries[4].freq, 8.0);
  scale_frequencies(model, 0.0, config);
  for (const SymbolData& d : g.data) {
    EXPECT_EQ(d.start_freq, 0.0);
    for (const Rule& r : d.rules) EXPECT_EQ(r.freq, 0.0);
  }
  EXPECT_EQ(tag.lemmas[0].freq, 0.0);
}

}  // namespace
}  // namespace velmo
