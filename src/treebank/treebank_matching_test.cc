#include "treebank/treebank_matching.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "parser/inside_outside.h"
#include "parser/parser_test_util.h"
#include "parser/training.h"

namespace velmo {
namespace {

const std::vector<std::string> kWords = {"she", "saw", "man", "in", "park"};

// A tree agrees with brackets of distinct spans when each bracket has a constituent of the
// tree over its span with one of its categories.
bool agrees(const testing::Tree& tree, const std::vector<Bracket>& brackets) {
  for (const Bracket& b : brackets) {
    bool found = false;
    for (const auto& [x, i, j] : tree.constituents) {
      found = found || (i == b.start && j == b.end &&
                        (b.categories.empty() ||
                         std::find(b.categories.begin(), b.categories.end(), x) !=
                             b.categories.end()));
    }
    if (!found) return false;
  }
  return true;
}

// Trains on the sentence with the brackets; false when the filtered forest is empty.
bool train_bracketed(testing::AmbiguousModel& m, const std::vector<Bracket>& brackets) {
  Chart chart(m.model.grammar);
  std::vector<std::vector<std::string>> tags;
  for (const std::string& w : kWords) tags.push_back(m.tags_of(w));
  testing::parse(chart, m.b, kWords, tags);
  TreebankMatching(m.model.grammar).filter_forest(chart, brackets);
  if (chart.roots().empty()) return false;
  Sentence sentence;
  sentence.position_count = static_cast<int>(kWords.size());
  ProbModel pm(m.model, m.config);
  ForestProbs probs;
  compute_inside(chart, pm, sentence, probs);
  compute_outside(chart, pm);
  Trainer trainer(m.model, m.config);
  trainer.training_step(chart, pm, probs, sentence, 1);
  return true;
}

// Every set of one or two brackets over the constituents of the sentence's trees, labelled and
// unlabelled, in the order of the input (start ascending, the longer first): the frequencies
// counted from the filtered forest are those of the trees that agree with the brackets.
TEST(TreebankMatching, TrainingCountsOnlyTheTreesThatAgree) {
  testing::AmbiguousModel probe;
  std::set<std::array<int, 3>> spans;
  {
    testing::TreeEnumerator all(probe, kWords);
    const Grammar& g = probe.model.grammar;
    for (int x = 0; x < g.symbol_count(); ++x)
      for (const testing::Tree& t : all.trees(x, 0, static_cast<int>(kWords.size())))
        spans.insert(t.constituents.begin(), t.constituents.end());
  }
  std::vector<Bracket> candidates;
  for (const auto& [x, i, j] : spans) {
    candidates.push_back(Bracket{i, j, {x}});
    candidates.push_back(Bracket{i, j, {}});
  }
  int kept = 0, emptied = 0;
  for (size_t a = 0; a < candidates.size(); ++a) {
    for (size_t b = a; b < candidates.size(); ++b) {
      std::vector<Bracket> brackets{candidates[a]};
      if (b != a) {
        const Bracket& other = candidates[b];
        if (other.start == brackets[0].start && other.end == brackets[0].end) continue;
        brackets.push_back(other);
      }
      std::sort(brackets.begin(), brackets.end(), [](const Bracket& p, const Bracket& q) {
        return p.start != q.start ? p.start < q.start : p.end > q.end;
      });
      testing::AmbiguousModel m;
      const testing::TreeSums want = testing::sum_trees(
          m, kWords, [&](const testing::Tree& t) { return agrees(t, brackets); });
      const bool parsed = train_bracketed(m, brackets);
      ASSERT_EQ(parsed, want.trees > 0) << a << " " << b;
      if (!parsed) {
        ++emptied;
        continue;
      }
      ++kept;
      const Grammar& g = m.model.grammar;
      for (int x = 0; x < g.symbol_count(); ++x) {
        EXPECT_NEAR(g.data[x].start_freq, want.start_freq[x], 1e-9);
        for (const Rule& r : g.data[x].rules)
          EXPECT_NEAR(r.freq, want.rule_freq[r.number], 1e-9) << a << " " << b;
      }
      for (const LexEntry& e : m.model.lexicon.entries) {
        for (const TagEntry& t : e.tags) {
          auto found = want.lexical_freq.find({e.word, t.tag});
          const double f = found == want.lexical_freq.end() ? 0.0 : found->second;
          EXPECT_NEAR(t.freq, f, 1e-9) << e.word;
        }
      }
    }
  }
  // Both outcomes occur: the brackets cut the forest without emptying it, or they cross.
  EXPECT_GT(kept, 100);
  EXPECT_GT(emptied, 0);
}

}  // namespace
}  // namespace velmo
