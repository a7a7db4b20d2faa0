// Test helpers of the parser: a chart filled with one reading per (word, tag), a model written by
// hand, and a brute-force enumerator of every tree the model gives a sentence.
#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/run_config.h"
#include "grammar/grammar_test_util.h"
#include "model/model.h"
#include "parser/chart.h"

namespace velmo::testing {

// One word per position; each word lists the names of its tags. The word texts must outlive
// the chart's use of them.
inline void parse(Chart& chart, const GrammarBuilder& b, const std::vector<std::string>& words,
                  const std::vector<std::vector<std::string>>& tags, bool predict = false) {
  chart.begin_sentence();
  if (predict) chart.predict();
  for (int i = 0; i < static_cast<int>(tags.size()); ++i) {
    chart.open_position(i + 1);
    for (const std::string& t : tags[i]) {
      chart.add_node(b.id(t), i, i + 1, nullptr)->word = words[i].c_str();
    }
  }
  chart.collect_roots(static_cast<int>(tags.size()));
}

// Every tree of the forest below `node`, as text; items give their daughter sequences.
inline std::vector<std::string> trees_below(const ForestNode* node);

inline std::vector<std::string> sequences_of(const ChartItem* item) {
  std::vector<std::string> out;
  for (const DaughterLink* link : links(item)) {
    const std::vector<std::string> before =
        link->previous ? sequences_of(link->previous) : std::vector<std::string>{""};
    for (const std::string& d : trees_below(link->daughter))
      for (const std::string& b : before) out.push_back(b + d);
  }
  return out;
}

inline std::vector<std::string> trees_below(const ForestNode* node) {
  const std::string label = "(" + std::to_string(node->category) + " " +
                            std::to_string(node->start) + " " + std::to_string(node->end);
  std::vector<std::string> out;
  if (node->lexical) out.push_back(label + ")");
  for (const ChartItem* a : analyses(node))
    for (const std::string& s : sequences_of(a)) out.push_back(label + s + ")");
  return out;
}

// Every tree of the forest, sorted.
inline std::vector<std::string> forest_trees(const Chart& chart) {
  std::vector<std::string> all;
  for (const ForestNode* root : chart.roots()) {
    std::vector<std::string> t = trees_below(root);
    all.insert(all.end(), t.begin(), t.end());
  }
  std::sort(all.begin(), all.end());
  return all;
}

// A model written by hand: tags with lexical share 1 and a lexicon of the given readings.
struct TestModel {
  Model model;
  RunConfig config;
  GrammarBuilder b;

  explicit TestModel(std::vector<std::string> names) : b(model.grammar, std::move(names)) {}
  TestModel(const TestModel&) = delete;
  TestModel& operator=(const TestModel&) = delete;

  // readings: (tag, P(word | tag)); words must be added in byte order.
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

// An ambiguous grammar: PP attachment, and "saw" as a verb or as the second noun of NP -> N N.
struct AmbiguousModel : testing::TestModel {
  AmbiguousModel() : TestModel({"N", "NP", "P", "PP", "S", "V", "VP"}) {
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
  }
};

// One tree: its probability without the start probability, how often it uses each rule (by
// rule number), and the tag it gives each word it covers.
struct Tree {
  double p;
  std::vector<int> rule_uses;
  std::vector<int> tags;
  std::vector<std::array<int, 3>> constituents;  // (category, start, end), tags included
};

// Every tree of a small acyclic grammar over a short sentence of lexicon words.
class TreeEnumerator {
 public:
  TreeEnumerator(const TestModel& t, const std::vector<std::string>& words)
      : t_(t), words_(words) {
    for (const SymbolData& d : t.model.grammar.data) rule_count_ += d.rules.size();
  }

  size_t rule_count() const { return rule_count_; }

  // Trees of category x over the words i..j-1. References into the memo stay valid:
  // std::map never moves its elements.
  const std::vector<Tree>& trees(int x, int i, int j) {
    auto key = std::make_tuple(x, i, j);
    auto found = memo_.find(key);
    if (found != memo_.end()) return found->second;
    std::vector<Tree> out;
    if (j == i + 1) {
      for (const TagEntry& tag : t_.model.lexicon.find_word(words_[i])->tags) {
        if (tag.tag != x) continue;
        const Model& m = t_.model;
        double p = lexical_probability(m.grammar, m.lexicon, words_[i], x, t_.config);
        out.push_back({p, std::vector<int>(rule_count_, 0), {x}, {{x, i, j}}});
      }
    }
    for (const Rule& r : t_.model.grammar.data[x].rules) {
      for (Tree tree : sequences(r.daughters, 0, i, j)) {
        tree.p *= r.prob;
        ++tree.rule_uses[r.number];
        tree.constituents.push_back({x, i, j});
        out.push_back(std::move(tree));
      }
    }
    return memo_[key] = std::move(out);
  }

 private:
  // Trees of daughters[k..] covering exactly i..j-1.
  std::vector<Tree> sequences(const std::vector<int>& daughters, size_t k, int i, int j) {
    if (k + 1 == daughters.size()) return trees(daughters[k], i, j);
    std::vector<Tree> out;
    const int rest = static_cast<int>(daughters.size() - k - 1);
    for (int m = i + 1; m <= j - rest; ++m) {
      const std::vector<Tree>& firsts = trees(daughters[k], i, m);
      if (firsts.empty()) continue;
      for (const Tree& b : sequences(daughters, k + 1, m, j)) {
        for (const Tree& a : firsts) {
          Tree c{a.p * b.p, a.rule_uses, a.tags, a.constituents};
          for (size_t r = 0; r < rule_count_; ++r) c.rule_uses[r] += b.rule_uses[r];
          c.tags.insert(c.tags.end(), b.tags.begin(), b.tags.end());
          c.constituents.insert(c.constituents.end(), b.constituents.begin(),
                                b.constituents.end());
          out.push_back(std::move(c));
        }
      }
    }
    return out;
  }

  const TestModel& t_;
  const std::vector<std::string>& words_;
  size_t rule_count_ = 0;
  std::map<std::tuple<int, int, int>, std::vector<Tree>> memo_;
};

// What all trees of a sentence give together: their number, the sum and the largest of their
// probabilities, and the frequencies each tree adds in proportion to its probability.
struct TreeSums {
  uint64_t trees = 0;
  double total = 0, best = 0;
  std::vector<double> rule_freq;   // by rule number
  std::vector<double> start_freq;  // by symbol
  std::map<std::pair<std::string, int>, double> lexical_freq;  // by (word, tag)
};

// Only the trees that `keep` accepts count.
inline TreeSums sum_trees(const TestModel& t, const std::vector<std::string>& words,
                          const std::function<bool(const Tree&)>& keep = nullptr) {
  const Grammar& g = t.model.grammar;
  TreeEnumerator e(t, words);
  TreeSums sums;
  std::vector<std::pair<int, const Tree*>> all;
  for (int x = 0; x < g.symbol_count(); ++x) {
    if (g.data[x].start_prob <= 0) continue;
    for (const Tree& tree : e.trees(x, 0, static_cast<int>(words.size()))) {
      if (keep && !keep(tree)) continue;
      double p = g.data[x].start_prob * tree.p;
      ++sums.trees;
      sums.total += p;
      sums.best = std::max(sums.best, p);
      all.emplace_back(x, &tree);
    }
  }
  sums.start_freq.assign(g.symbol_count(), 0.0);
  sums.rule_freq.assign(e.rule_count(), 0.0);
  for (auto [x, tree] : all) {
    double share = g.data[x].start_prob * tree->p / sums.total;
    sums.start_freq[x] += share;
    for (size_t r = 0; r < e.rule_count(); ++r) sums.rule_freq[r] += share * tree->rule_uses[r];
    for (size_t i = 0; i < words.size(); ++i) sums.lexical_freq[{words[i], tree->tags[i]}] += share;
  }
  return sums;
}

}  // namespace velmo::testing
