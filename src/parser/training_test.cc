#include "parser/training.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/model_test_util.h"
#include "parser/parser_test_util.h"

namespace velmo {
namespace {

// Parses the words, computes inside and outside values and trains on the sentence.
struct TrainingRun {
  explicit TrainingRun(testing::AmbiguousModel& model) : m(model) {}
  testing::AmbiguousModel& m;
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
  testing::AmbiguousModel m;
  testing::TreeSums one = testing::sum_trees(m, kLong), two = testing::sum_trees(m, kShort);
  TrainingRun run(m);
  run.sentence(kLong);
  run.sentence(kShort);

  const Grammar& g = m.model.grammar;
  for (int x = 0; x < g.symbol_count(); ++x) {
    EXPECT_NEAR(g.data[x].start_freq, one.start_freq[x] + two.start_freq[x], 1e-9) << g.name(x);
    for (const Rule& r : g.data[x].rules)
      EXPECT_NEAR(r.freq, one.rule_freq[r.number] + two.rule_freq[r.number], 1e-9) << r.number;
  }
  for (const LexEntry& e : m.model.lexicon.entries) {
    for (const TagEntry& t : e.tags) {
      std::pair key{e.word, t.tag};
      EXPECT_NEAR(t.freq, one.lexical_freq[key] + two.lexical_freq[key], 1e-9) << e.word;
    }
  }
  // The two readings of "saw" share the short sentence between them.
  const LexEntry* saw = m.model.lexicon.find_word("saw");
  EXPECT_GT(saw->tags[0].freq, 0.01);
  EXPECT_GT(saw->tags[1].freq, 1.01);
}

TEST(Training, NoPerplexityWhenQuietOrHeadLexicalised) {
  for (auto [quiet, lexicalise, lexmodel] :
       {std::tuple{true, false, false}, std::tuple{false, true, false}}) {
    ScratchBase scratch;
    testing::AmbiguousModel m;
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
