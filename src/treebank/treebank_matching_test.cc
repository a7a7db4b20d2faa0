#include "treebank/treebank_matching.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "base/test_support.h"
#include "parser/bracket_filter.h"
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


// --- The chart's bracket filter against matching alone --------------------------------------

struct Arc {
  int start, end, tag;
};

// A random acyclic grammar over the tags x y z and phrases A < B < C < S (a unary rule points
// to a lower phrase or a tag).
void random_grammar(testing::TestModel& m, std::mt19937& rng) {
  const std::vector<std::string> phrases = {"A", "B", "C", "S"}, tags = {"x", "y", "z"};
  for (std::size_t rank = 0; rank < phrases.size(); ++rank) {
    m.b.rule(phrases[rank], {tags[rank % 3]}, 1.0);
    for (int r = 0; r < 4; ++r) {
      const std::size_t length = 1 + rng() % 3;
      const std::size_t below = length == 1 ? rank : phrases.size();
      std::vector<std::string> daughters;
      for (std::size_t d = 0; d < length; ++d) {
        const std::size_t pick = rng() % (below + 3);
        daughters.push_back(pick < below ? phrases[pick] : tags[pick - below]);
      }
      m.b.rule(phrases[rank], daughters, 1.0);
    }
  }
  m.b.start("S");
  m.b.start("A");
  m.b.finish();
}

// A bracket over a random span, with no category, one or two, open-ended now and then; the
// spans of one sentence's brackets are in opening order (start ascending, the longer first).
std::vector<Bracket> random_brackets(std::mt19937& rng, int positions, int symbols) {
  std::vector<Bracket> brackets(rng() % 5);
  for (Bracket& b : brackets) {
    b.start = static_cast<int>(rng() % positions);
    b.end = b.start + 1 + static_cast<int>(rng() % (positions - b.start));
    if (rng() % 6 == 0) b.end = Bracket::kOpenEnded;
    for (int c = static_cast<int>(rng() % 3); c > 0; --c)
      b.categories.push_back(static_cast<int>(rng() % symbols));
  }
  std::stable_sort(brackets.begin(), brackets.end(), [](const Bracket& p, const Bracket& q) {
    const int pe = p.end < 0 ? INT32_MAX : p.end, qe = q.end < 0 ? INT32_MAX : q.end;
    return p.start != q.start ? p.start < q.start : pe > qe;
  });
  return brackets;
}

// Whatever the grammar, the words (a lattice now and then), the brackets and the insertable
// categories: matching a forest built under the bracket filter keeps exactly the trees that
// matching the whole forest keeps.
TEST(TreebankMatching, TheChartsBracketFilterKeepsTheMatchedForest) {
  std::mt19937 rng(7);
  int kept = 0, checked = 0;
  for (int round = 0; round < 300; ++round) {
    testing::TestModel m({"A", "B", "C", "S", "x", "y", "z"});
    random_grammar(m, rng);
    const int symbols = m.model.grammar.symbol_count();
    const int positions = 1 + static_cast<int>(rng() % 6);
    std::vector<Arc> arcs;
    for (int p = 0; p < positions; ++p) {
      for (int t = 4; t < symbols; ++t)
        if (rng() % 2 || t == 4 + p % 3) arcs.push_back({p, p + 1, t});
      if (round % 3 == 0 && p + 2 <= positions) arcs.push_back({p, p + 2, 4 + int(rng() % 3)});
    }
    std::sort(arcs.begin(), arcs.end(), [](const Arc& a, const Arc& b) { return a.end < b.end; });
    const std::vector<Bracket> brackets = random_brackets(rng, positions, symbols);
    TreebankMatching matching(m.model.grammar);
    if (round % 2) {
      testing::ScratchDir dir;
      std::string names;
      for (int x = 0; x < symbols; ++x)
        if (rng() % 2) names += m.model.grammar.name(x) + " ";
      dir.write("isym", names + "\n");
      matching.read_insertable_symbols((dir / "isym").string(), m.config);
    }
    std::vector<std::string> results[2];
    for (int filtered = 0; filtered < 2; ++filtered) {
      Chart chart(m.model.grammar);
      BracketFilter filter;
      chart.begin_sentence();
      if (filtered && !brackets.empty()) {
        filter.set(brackets, positions, matching.insertable());
        chart.restrict_to(&filter);
      }
      for (const Arc& a : arcs) {
        chart.open_position(a.end);
        if (ForestNode* n = chart.add_node(a.tag, a.start, a.end, nullptr)) n->word = "w";
      }
      chart.collect_roots(positions);
      if (!brackets.empty()) matching.filter_forest(chart, brackets);
      results[filtered] = testing::forest_trees(chart);
    }
    ++checked;
    if (!results[0].empty()) ++kept;
    std::string described;
    for (const Bracket& b : brackets) {
      described += " [" + std::to_string(b.start) + "," + std::to_string(b.end) + ":";
      for (int c : b.categories) described += " " + std::to_string(c);
      described += "]";
    }
    for (int x = 0; x < symbols; ++x) described += matching.insertable()[x] ? " +" : " -";
    ASSERT_EQ(results[1], results[0]) << "round " << round << described;
  }
  EXPECT_GT(kept, 30);  // not only empty forests
}

}  // namespace
}  // namespace velmo
