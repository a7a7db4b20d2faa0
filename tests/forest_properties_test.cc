// Properties of whole runs of the velmo binary over small random grammars: the trees of -trees
// are exactly the analyses that -analysis-count counts, their probabilities (recomputed here from
// the printed trees and the frequencies we wrote) add up to the sentence probability of
// -sent-probs, and the best of them is the Viterbi probability. Also the published ATIS tree
// counts, when the shared data is there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "velmo_runner.h"

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kPhrases = {"C", "B", "A", "S"};  // a unary rule only points left
const std::vector<std::string> kTags = {"x", "y", "z"};
constexpr int kWords = 6;

struct RandomModel {
  std::map<std::string, std::map<std::vector<std::string>, int>> rules;  // mother -> daughters
  std::map<std::string, std::map<std::vector<std::string>, int>> heads;  // head daughter index
  std::map<std::string, std::map<std::string, int>> readings;            // word -> tag -> count
  std::map<std::string, int> starts;
};

using velmo::testing::lines_of;
using velmo::testing::read_file;
using velmo::testing::Result;
using velmo::testing::Scratch;

// --- Random models -------------------------------------------------------------------------

std::string random_daughter(std::mt19937& rng, std::size_t below_phrase) {
  std::size_t pick = rng() % (below_phrase + kTags.size());
  return pick < below_phrase ? kPhrases[pick] : kTags[pick - below_phrase];
}

void add_phrase_rules(RandomModel& model, std::mt19937& rng, std::size_t rank) {
  auto& rules = model.rules[kPhrases[rank]];
  rules[{kTags[rank % kTags.size()]}] = 1 + rng() % 5;  // every phrase can be reached from a word
  for (int r = 0; r < 3; ++r) {
    std::size_t length = 1 + rng() % 3;
    std::vector<std::string> daughters;
    // One daughter: only lower phrases, so the grammar has no unary cycle.
    std::size_t phrases = length == 1 ? rank : kPhrases.size();
    for (std::size_t d = 0; d < length; ++d) daughters.push_back(random_daughter(rng, phrases));
    rules[daughters] = 1 + rng() % 9;
  }
  for (const auto& [daughters, freq] : rules)
    model.heads[kPhrases[rank]][daughters] = rng() % daughters.size();
}

RandomModel make_model(std::mt19937& rng) {
  RandomModel model;
  for (std::size_t rank = 0; rank < kPhrases.size(); ++rank) add_phrase_rules(model, rng, rank);
  for (int w = 0; w < kWords; ++w) {
    auto& tags = model.readings["w" + std::to_string(w)];
    tags[kTags[w % kTags.size()]] = 1 + rng() % 4;
    if (rng() % 2) tags[kTags[rng() % kTags.size()]] = 1 + rng() % 4;
  }
  model.starts["S"] = 3;
  model.starts["A"] = 1;  // so that some sentences have two roots
  return model;
}

// The rule as the lexicalised files print it: "S -> A B'" with the head daughter marked.
std::string rule_text(const RandomModel& model, const std::string& mother,
                      const std::vector<std::string>& daughters) {
  std::string text = mother + " ->";
  const int head = model.heads.at(mother).at(daughters);
  for (std::size_t d = 0; d < daughters.size(); ++d)
    text += " " + daughters[d] + (static_cast<int>(d) == head ? "'" : "");
  return text;
}

void write_model(const RandomModel& model, const Scratch& dir) {
  std::ofstream gram(dir / "g.gram"), lex(dir / "g.lex"), start(dir / "g.start");
  for (const auto& [mother, rules] : model.rules) {
    for (const auto& [daughters, freq] : rules)
      gram << freq << ' ' << mother << rule_text(model, mother, daughters).substr(mother.size() + 3)
           << '\n';
  }
  for (const auto& [word, tags] : model.readings) {
    lex << word << '\t';
    for (const auto& [tag, count] : tags) lex << tag << ' ' << count << ' ';
    lex << '\n';
  }
  for (const auto& [symbol, freq] : model.starts) start << symbol << ' ' << freq << '\n';
}

// Grows a phrase top-down into words; false when the sentence gets longer than max_length.
bool generate(const RandomModel& model, std::mt19937& rng, const std::string& symbol,
              std::vector<std::string>& words, std::size_t max_length) {
  if (words.size() > max_length) return false;
  auto rules = model.rules.find(symbol);
  if (rules == model.rules.end()) {
    std::vector<std::string> carriers;
    for (const auto& [word, tags] : model.readings) {
      if (tags.count(symbol)) carriers.push_back(word);
    }
    words.push_back(carriers[rng() % carriers.size()]);
    return true;
  }
  auto rule = rules->second.begin();
  std::advance(rule, rng() % rules->second.size());
  for (const std::string& d : rule->first) {
    if (!generate(model, rng, d, words, max_length)) return false;
  }
  return true;
}

std::vector<std::vector<std::string>> make_sentences(const RandomModel& model, std::mt19937& rng) {
  std::vector<std::vector<std::string>> sentences;
  while (sentences.size() < 6) {
    std::vector<std::string> words;
    if (generate(model, rng, "S", words, 6) && words.size() <= 6) sentences.push_back(words);
  }
  for (int s = 0; s < 3; ++s) {  // random word strings, which mostly fail
    std::vector<std::string> words(1 + rng() % 4);
    for (std::string& w : words) w = "w" + std::to_string(rng() % kWords);
    sentences.push_back(words);
  }
  return sentences;
}

std::string sentence_lines(const std::vector<std::vector<std::string>>& sentences) {
  std::string text;
  for (const auto& words : sentences) {
    for (const std::string& w : words) text += w + '\n';
    text += '\n';
  }
  return text;
}

// --- Probabilities of printed trees ----------------------------------------------------------

// No frequency is below 0.9, so the estimation does no smoothing: a rule gets its frequency over
// the sum of its mother's rules, a word its count over the tag's lexical mass (in single
// precision), a start symbol its frequency over the sum of the start frequencies.
class TreeScorer {
 public:
  explicit TreeScorer(const RandomModel& model) : model_(model) {
    for (const auto& [word, tags] : model.readings) {
      for (const auto& [tag, count] : tags) lexical_mass_[tag] += count;
    }
    for (const auto& [symbol, freq] : model.starts) start_sum_ += freq;
  }

  // ln P(tree) of a tree line as -trees writes it: (S (A (x w0))(y w1)).
  double log_prob(const std::string& tree) {
    text_ = tree;
    at_ = 0;
    std::string root = peek_category();
    double lp = std::log(double(model_.starts.at(root)) / start_sum_) + node();
    EXPECT_EQ(at_, text_.size()) << tree;
    return lp;
  }

 private:
  std::string peek_category() const {
    return text_.substr(1, text_.find(' ') - 1);
  }

  std::string read_until(const std::string& stops) {
    std::size_t end = text_.find_first_of(stops, at_);
    std::string token = text_.substr(at_, end - at_);
    at_ = end;
    return token;
  }

  double node() {
    ++at_;  // (
    std::string category = read_until(" ");
    ++at_;  // blank
    if (text_[at_] != '(') {
      std::string word = read_until(")");
      ++at_;
      float p = float(model_.readings.at(word).at(category) / lexical_mass_.at(category));
      return std::log(double(p));
    }
    std::vector<std::string> daughters;
    double lp = 0;
    while (text_[at_] == '(') {
      daughters.push_back(text_.substr(at_ + 1, text_.find(' ', at_) - at_ - 1));
      lp += node();
    }
    ++at_;  // )
    return lp + std::log(rule_prob(category, daughters));
  }

  double rule_prob(const std::string& mother, const std::vector<std::string>& daughters) const {
    const auto& rules = model_.rules.at(mother);
    double total = 0;
    for (const auto& [ds, freq] : rules) total += freq;
    return rules.at(daughters) / total;
  }

  const RandomModel& model_;
  std::map<std::string, double> lexical_mass_;
  double start_sum_ = 0;
  std::string text_;
  std::size_t at_ = 0;
};

// The trees of each sentence: -trees ends every sentence's list with an empty line.
std::vector<std::vector<std::string>> trees_per_sentence(const std::string& output) {
  std::vector<std::vector<std::string>> sentences(1);
  for (const std::string& line : lines_of(output)) {
    if (line.empty()) {
      sentences.emplace_back();
    } else {
      sentences.back().push_back(line);
    }
  }
  sentences.pop_back();
  return sentences;
}

// The values of "logSP: %g" or "logVP: %g" lines, in order; "0.0" (zero probability) is -inf.
std::vector<double> log_probs(const std::string& err, const std::string& label) {
  std::vector<double> values;
  for (const std::string& line : lines_of(err)) {
    if (line.rfind(label + ": ", 0) != 0) continue;
    std::string number = line.substr(label.size() + 2);
    values.push_back(number == "0.0" ? -INFINITY : std::stod(number));
  }
  return values;
}

double log_sum(const std::vector<double>& logs) {
  double best = -INFINITY;
  for (double l : logs) best = std::max(best, l);
  if (best == -INFINITY) return best;
  double sum = 0;
  for (double l : logs) sum += std::exp(l - best);
  return best + std::log(sum);
}

// %g keeps six significant digits of the logarithm.
void expect_printed_log(double printed, double computed, const std::string& what) {
  if (printed == -INFINITY || computed == -INFINITY) {
    EXPECT_EQ(printed, computed) << what;
    return;
  }
  EXPECT_NEAR(printed, computed, 1e-5 * std::fabs(computed) + 1e-9) << what;
}

struct RunResults {
  std::vector<std::vector<std::string>> trees;
  std::vector<std::string> counts;
  std::vector<double> log_sp;
  std::vector<double> log_vp;
};

RunResults run_on(const Scratch& dir, const std::string& sentences) {
  const velmo::testing::Args model = {"-quiet", "-l", "g.lex", "-s", "g.start", "g.gram"};
  Result trees = dir.velmo(velmo::testing::concat(
      {"-trees", "-inside", "-sent-probs", "-analysis-count", "count.txt"}, model), sentences);
  Result viterbi = dir.velmo(velmo::testing::concat({"-viterbi", "-sent-probs"}, model), sentences);
  EXPECT_EQ(trees.status, 0) << trees.err;
  EXPECT_EQ(viterbi.status, 0) << viterbi.err;
  return {trees_per_sentence(trees.out), lines_of(dir.read("count.txt")),
          log_probs(trees.err, "logSP"), log_probs(viterbi.err, "logVP")};
}

void check_sentence(const RunResults& run, std::size_t s, TreeScorer& scorer) {
  const std::vector<std::string>& trees = run.trees[s];
  EXPECT_EQ(run.counts[s], std::to_string(trees.size()));
  EXPECT_EQ(std::set<std::string>(trees.begin(), trees.end()).size(), trees.size())
      << "a tree printed twice";
  std::vector<double> logs;
  for (const std::string& tree : trees) logs.push_back(scorer.log_prob(tree));
  double best = -INFINITY;
  for (double l : logs) best = std::max(best, l);
  expect_printed_log(run.log_sp[s], log_sum(logs), "sentence probability");
  expect_printed_log(run.log_vp[s], best, "Viterbi probability");
}

TEST(ForestProperties, TreesCountsAndProbabilitiesAgree) {
  std::mt19937 rng(20240607);
  int parsed = 0;
  for (int g = 0; g < 5; ++g) {
    SCOPED_TRACE("grammar " + std::to_string(g));
    Scratch dir;
    RandomModel model = make_model(rng);
    write_model(model, dir);
    auto sentences = make_sentences(model, rng);
    RunResults run = run_on(dir, sentence_lines(sentences));
    ASSERT_EQ(run.trees.size(), sentences.size());
    ASSERT_EQ(run.counts.size(), sentences.size());
    ASSERT_EQ(run.log_sp.size(), sentences.size());
    ASSERT_EQ(run.log_vp.size(), sentences.size());
    TreeScorer scorer(model);
    for (std::size_t s = 0; s < sentences.size(); ++s) {
      SCOPED_TRACE("sentence " + std::to_string(s));
      check_sentence(run, s, scorer);
      if (!run.trees[s].empty()) ++parsed;
    }
  }
  EXPECT_GE(parsed, 30);  // the generated sentences do parse
}

// --- Lattices ---------------------------------------------------------------------------------

// Every tree of every sentence, with the model write_model made.
const velmo::testing::Args kTreeListing = {"-quiet", "-trees",  "-l",    "g.lex",
                                           "-s",     "g.start", "g.gram"};

// The trees of each sentence, sorted: the order of a forest's lists may follow the order in which
// the words went in, the trees may not.
std::vector<std::vector<std::string>> sorted_trees(const std::string& output) {
  std::vector<std::vector<std::string>> sentences = trees_per_sentence(output);
  for (std::vector<std::string>& trees : sentences) std::sort(trees.begin(), trees.end());
  return sentences;
}

// A sentence given as a lattice, its words in position order or in any other, has the trees of
// the plain sentence: the chart takes the words in an order it can combine them in, and its
// filters (lookahead, prediction) drop nothing a tree needs.
TEST(ForestProperties, LatticeWordsInAnyOrderGiveTheTreesOfTheSentence) {
  std::mt19937 rng(20261207);
  int ambiguous = 0;
  for (int g = 0; g < 5; ++g) {
    SCOPED_TRACE("grammar " + std::to_string(g));
    Scratch dir;
    RandomModel model = make_model(rng);
    write_model(model, dir);
    auto sentences = make_sentences(model, rng);
    std::string in_order, shuffled;
    for (const std::vector<std::string>& words : sentences) {
      std::vector<std::string> lines;
      for (std::size_t i = 0; i < words.size(); ++i)
        lines.push_back(std::to_string(i) + " " + std::to_string(i + 1) + " " + words[i] + "\n");
      for (const std::string& line : lines) in_order += line;
      std::shuffle(lines.begin(), lines.end(), rng);
      for (const std::string& line : lines) shuffled += line;
      in_order += "\n";
      shuffled += "\n";
    }
    const auto lattice = velmo::testing::concat({"-lattice-input"}, kTreeListing);
    const auto plain = sorted_trees(dir.velmo(kTreeListing, sentence_lines(sentences)).out);
    EXPECT_EQ(sorted_trees(dir.velmo(lattice, in_order).out), plain);
    EXPECT_EQ(sorted_trees(dir.velmo(lattice, shuffled).out), plain);
    for (const auto& trees : plain) ambiguous += trees.size() > 1;
  }
  EXPECT_GE(ambiguous, 5);  // the sentences have forests worth comparing
}

// The positions at which `first` is followed by `second`.
std::vector<std::size_t> pair_positions(const std::vector<std::string>& words,
                                        const std::string& first, const std::string& second) {
  std::vector<std::size_t> at;
  for (std::size_t i = 0; i + 1 < words.size(); ++i)
    if (words[i] == first && words[i + 1] == second) at.push_back(i);
  return at;
}

// A multi-word lexeme adds the trees in which its words are one reading of its tag, and no
// others: with the lexeme "u v" of tag T in the lexicon, a sentence in which u is followed by v
// once has the trees it has without the lexeme and those of the sentence in which the pair is
// one word of tag T (printed back as the pair); a sentence without the pair keeps its trees.
// Whatever T is a daughter of, the lookahead must know that T can begin where u does.
TEST(ForestProperties, AMultiWordLexemeAddsTheTreesOfItsReading) {
  std::mt19937 rng(1207);
  int gained = 0;
  for (int g = 0; g < 20; ++g) {
    SCOPED_TRACE("grammar " + std::to_string(g));
    const RandomModel model = make_model(rng);
    const auto sentences = make_sentences(model, rng);
    const std::vector<std::string>& source = sentences[rng() % 6];  // a generated sentence
    if (source.size() < 2) continue;
    const std::size_t i = rng() % (source.size() - 1);
    const std::string u = source[i], v = source[i + 1];
    // A tag u cannot have: only the lexeme announces it where u begins.
    std::string tag = kTags[rng() % kTags.size()];
    while (model.readings.at(u).count(tag)) tag = kTags[rng() % kTags.size()];
    Scratch plain, lexeme, merged;
    RandomModel with_lexeme = model, with_word = model;
    with_lexeme.readings[u + " " + v][tag] = 1;
    with_word.readings["W"][tag] = 1;
    write_model(model, plain);
    write_model(with_lexeme, lexeme);
    write_model(with_word, merged);
    std::vector<std::vector<std::string>> joined;
    for (std::vector<std::string> words : sentences) {
      std::vector<std::size_t> at = pair_positions(words, u, v);
      if (at.size() == 1) {
        words[at[0]] = "W";
        words.erase(words.begin() + static_cast<long>(at[0]) + 1);
      }
      joined.push_back(words);
    }
    const auto without = sorted_trees(plain.velmo(kTreeListing, sentence_lines(sentences)).out);
    const auto with = sorted_trees(lexeme.velmo(kTreeListing, sentence_lines(sentences)).out);
    const auto as_one = trees_per_sentence(merged.velmo(kTreeListing, sentence_lines(joined)).out);
    ASSERT_EQ(with.size(), sentences.size());
    for (std::size_t s = 0; s < sentences.size(); ++s) {
      const std::size_t pairs = pair_positions(sentences[s], u, v).size();
      if (pairs > 1) continue;
      std::vector<std::string> expected = without[s];
      if (pairs == 1) {
        for (std::string tree : as_one[s]) {
          const std::string word = "(" + tag + " W)";
          tree.replace(tree.find(word), word.size(), "(" + tag + " " + u + " " + v + ")");
          expected.push_back(tree);
        }
        std::sort(expected.begin(), expected.end());
        gained += with[s].size() > without[s].size();
      }
      EXPECT_EQ(with[s], expected) << "sentence " << s;
    }
  }
  EXPECT_GE(gained, 5) << "the lexemes should make trees";
}

// --- Lexicalised events -------------------------------------------------------------------------

// Calls count(tree, posterior) for every tree of every sentence that -trees printed.
template <class Count>
void for_each_tree(const RandomModel& model, const std::string& trees_output, Count count) {
  TreeScorer scorer(model);
  for (const std::vector<std::string>& sentence : trees_per_sentence(trees_output)) {
    std::vector<double> logs;
    for (const std::string& tree : sentence) logs.push_back(scorer.log_prob(tree));
    const double total = log_sum(logs);
    for (std::size_t t = 0; t < sentence.size(); ++t) count(sentence[t], std::exp(logs[t] - total));
  }
}



// The lexicalised events of trees as -trees writes them, each weighted by the tree's posterior:
// start events "S w3", rule events "w3 S -> A B'", lexical choices "w1 A S w3" (daughter head,
// daughter, mother, mother head), keyed as the text forms of the frequency files write them.
class EventCounter {
 public:
  explicit EventCounter(const RandomModel& model) : model_(model) {}

  void count(const std::string& tree, double weight) {
    text_ = tree;
    at_ = 0;
    weight_ = weight;
    const std::string root = text_.substr(1, text_.find(' ') - 1);
    const std::string head = node();
    starts[root + " " + head] += weight;
  }

  std::map<std::string, double> starts, rules, choices;

 private:
  std::string read_until(char stop) {
    std::size_t end = text_.find(stop, at_);
    std::string token = text_.substr(at_, end - at_);
    at_ = end;
    return token;
  }

  // The head word of the node at at_; its events are counted on the way.
  std::string node() {
    ++at_;  // (
    const std::string category = read_until(' ');
    ++at_;
    if (text_[at_] != '(') {
      std::string word = read_until(')');
      ++at_;
      return word;
    }
    std::vector<std::string> daughters, heads;
    while (text_[at_] == '(') {
      daughters.push_back(text_.substr(at_ + 1, text_.find(' ', at_) - at_ - 1));
      heads.push_back(node());
    }
    ++at_;  // )
    const int head = model_.heads.at(category).at(daughters);
    rules[heads[head] + " " + rule_text(model_, category, daughters)] += weight_;
    for (std::size_t d = 0; d < daughters.size(); ++d) {
      if (static_cast<int>(d) == head) continue;
      choices[heads[d] + " " + daughters[d] + " " + category + " " + heads[head]] += weight_;
    }
    return heads[head];
  }

  const RandomModel& model_;
  std::string text_;
  std::size_t at_ = 0;
  double weight_ = 0;
};

// A text form of a lexicalised frequency file: "%.2f <key>" per line.
std::map<std::string, double> read_event_file(const std::string& text) {
  std::map<std::string, double> events;
  for (const std::string& line : lines_of(text)) {
    std::size_t blank = line.find(' ');
    events[line.substr(blank + 1)] = std::stod(line.substr(0, blank));
  }
  return events;
}

void expect_events(const std::map<std::string, double>& written,
                   const std::map<std::string, double>& enumerated, const std::string& file) {
  std::set<std::string> written_keys, enumerated_keys;
  for (const auto& [key, f] : written) written_keys.insert(key);
  for (const auto& [key, f] : enumerated) enumerated_keys.insert(key);
  EXPECT_EQ(written_keys, enumerated_keys) << file;
  EXPECT_FALSE(enumerated.empty()) << file;
  for (const auto& [key, f] : enumerated) {
    auto it = written.find(key);
    if (it == written.end()) continue;
    EXPECT_NEAR(it->second, f, 0.0051) << file << ": " << key;
  }
}

// One pass of lexicalised training counts every start, rule and lexical-choice event with the
// sum of the posteriors of the trees that contain it (all thresholds 0, so every event is
// written).
TEST(ForestProperties, LexicalisedCountsAreThoseOfTheEnumeratedTrees) {
  std::mt19937 rng(20261207);
  for (int g = 0; g < 4; ++g) {
    SCOPED_TRACE("grammar " + std::to_string(g));
    Scratch dir;
    RandomModel model = make_model(rng);
    write_model(model, dir);
    const std::string sentences = sentence_lines(make_sentences(model, rng));
    const velmo::testing::Args files = {"-l", "g.lex", "-s", "g.start", "g.gram"};
    Result trees = dir.velmo(velmo::testing::concat({"-quiet", "-trees"}, files), sentences);
    Result trained = dir.velmo(
        velmo::testing::concat({"-quiet", "-heads", "-textpar", "-t", "out", "-min-rule-freq",
                                "0", "-min-choice-freq", "0", "-min-start-freq", "0"},
                               files),
        sentences);
    ASSERT_EQ(trained.status, 0) << trained.err;
    EventCounter counter(model);
    for_each_tree(model, trees.out,
                  [&](const std::string& tree, double weight) { counter.count(tree, weight); });
    expect_events(read_event_file(dir.read("out.lstart.txt")), counter.starts, "out.lstart.txt");
    expect_events(read_event_file(dir.read("out.lgram.txt")), counter.rules, "out.lgram.txt");
    expect_events(read_event_file(dir.read("out.lchoice.txt")), counter.choices,
                  "out.lchoice.txt");
  }
}

// --- Governors -------------------------------------------------------------------------------

// The governors of every word of trees as -trees writes them, weighted by the trees'
// posteriors, keyed as -governors prints them: "w1 y 1:\tS w3 A" (word, tag and position of the
// governed word; mother, head and daughter of the government).
class GovernorCounter {
 public:
  explicit GovernorCounter(const RandomModel& model) : model_(model) {}

  void count(const std::string& tree, double weight) {
    text_ = tree;
    at_ = 0;
    position_ = 0;
    weight_ = weight;
    node();
  }

  std::map<std::string, double> governors;

 private:
  struct Head {
    std::string word;
    std::string word_line;  // "w1 y 1:", the header of the word
  };

  std::string read_until(char stop) {
    std::size_t end = text_.find(stop, at_);
    std::string token = text_.substr(at_, end - at_);
    at_ = end;
    return token;
  }

  Head node() {
    ++at_;
    const std::string category = read_until(' ');
    ++at_;
    if (text_[at_] != '(') {
      const std::string word = read_until(')');
      ++at_;
      return {word, word + " " + category + " " + std::to_string(position_++) + ":"};
    }
    std::vector<std::string> daughters;
    std::vector<Head> heads;
    while (text_[at_] == '(') {
      daughters.push_back(text_.substr(at_ + 1, text_.find(' ', at_) - at_ - 1));
      heads.push_back(node());
    }
    ++at_;
    const int head = model_.heads.at(category).at(daughters);
    for (std::size_t d = 0; d < daughters.size(); ++d) {
      if (static_cast<int>(d) == head) continue;
      governors[heads[d].word_line + "\t" + category + " " + heads[head].word + " " +
                daughters[d]] += weight_;
    }
    return heads[head];
  }

  const RandomModel& model_;
  std::string text_;
  std::size_t at_ = 0;
  int position_ = 0;
  double weight_ = 0;
};

// -governors output at threshold 0 as "header\tentry" keys with their probabilities.
std::map<std::string, double> read_governors(const std::string& output) {
  std::map<std::string, double> governors;
  std::string header;
  for (const std::string& line : lines_of(output)) {
    if (line.empty()) continue;
    if (line[0] != '\t') {
      header = line;
      continue;
    }
    const std::size_t blank = line.rfind(' ');
    governors[header + line.substr(0, blank)] += std::stod(line.substr(blank + 1));
  }
  return governors;
}

// Every analysis gives each word that does not head its sentence one governor; -governors sums
// their posteriors.
TEST(ForestProperties, GovernorsAreThoseOfTheEnumeratedTrees) {
  std::mt19937 rng(4242);
  std::size_t governed = 0;
  for (int g = 0; g < 4; ++g) {
    SCOPED_TRACE("grammar " + std::to_string(g));
    Scratch dir;
    RandomModel model = make_model(rng);
    write_model(model, dir);
    const std::string sentences = sentence_lines(make_sentences(model, rng));
    const velmo::testing::Args files = {"-l", "g.lex", "-s", "g.start", "g.gram"};
    Result trees = dir.velmo(velmo::testing::concat({"-quiet", "-trees"}, files), sentences);
    Result governors = dir.velmo(
        velmo::testing::concat({"-quiet", "-governors", "-gov-threshold", "0"}, files), sentences);
    ASSERT_EQ(governors.status, 0) << governors.err;
    std::map<std::string, double> written = read_governors(governors.out);
    GovernorCounter counter(model);
    for_each_tree(model, trees.out,
                  [&](const std::string& tree, double weight) { counter.count(tree, weight); });
    const std::map<std::string, double>& enumerated = counter.governors;
    governed += enumerated.size();
    std::set<std::string> written_keys, enumerated_keys;
    for (const auto& [key, p] : written) written_keys.insert(key);
    for (const auto& [key, p] : enumerated) enumerated_keys.insert(key);
    EXPECT_EQ(written_keys, enumerated_keys);
    for (const auto& [key, p] : enumerated) {
      if (written.count(key)) {
        EXPECT_NEAR(written.at(key), p, 1e-5 * p + 1e-9) << key;
      }
    }
  }
  EXPECT_GE(governed, 20u);  // the sentences have words that are governed
}

// --- Chunks -----------------------------------------------------------------------------------

// Whatever the grammar and the chunk categories: a -chunking line, brackets and labels removed,
// is the sentence; -opt-chunking writes each word once, and its chunk tags nest.
TEST(ForestProperties, ChunksCoverEveryWordOnce) {
  std::mt19937 rng(777);
  for (int g = 0; g < 4; ++g) {
    SCOPED_TRACE("grammar " + std::to_string(g));
    Scratch dir;
    RandomModel model = make_model(rng);
    write_model(model, dir);
    dir.write("chunks.txt", kPhrases[rng() % 3] + " " + kTags[rng() % kTags.size()] + "\n");
    const auto sentences = make_sentences(model, rng);
    const velmo::testing::Args files = {"-l", "g.lex", "-s", "g.start", "g.gram"};
    for (const char* max : {"", "-max-chunks"}) {
      velmo::testing::Args args = {"-quiet", "-chunking", "chunks.txt"};
      if (*max) args.push_back(max);
      Result r = dir.velmo(velmo::testing::concat(args, files), sentence_lines(sentences));
      ASSERT_EQ(r.status, 0) << r.err;
      std::vector<std::string> lines = lines_of(r.out);
      ASSERT_EQ(lines.size(), sentences.size());
      for (std::size_t s = 0; s < sentences.size(); ++s) {
        std::vector<std::string> words;
        std::istringstream in(lines[s]);
        for (std::string token; in >> token;) {
          if (token == "[") {
            in >> token;  // the chunk's category
            continue;
          }
          if (token != "]") words.push_back(token);
        }
        if (!words.empty()) {
          EXPECT_EQ(words, sentences[s]) << lines[s];
        }
      }
    }
    Result r = dir.velmo(velmo::testing::concat({"-quiet", "-opt-chunking", "chunks.txt",
                                                 "-recursive-chunks", "-labelled-chunks"},
                                                files),
                         sentence_lines(sentences));
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> words;
    int depth = 0;
    for (const std::string& line : lines_of(r.out)) {
      if (line.rfind("parsing failed:", 0) == 0) continue;
      if (line.rfind("<chunk", 0) == 0) {
        ++depth;
      } else if (line == "</chunk>") {
        ASSERT_GT(depth, 0);
        --depth;
      } else {
        words.push_back(line);
      }
    }
    EXPECT_EQ(depth, 0);
    std::vector<std::string> parsed;  // the words of the sentences that have a parse
    for (const auto& sentence : sentences) {
      Result one = dir.velmo(velmo::testing::concat({"-quiet", "-opt-chunking", "chunks.txt"},
                                                    files),
                             sentence_lines({sentence}));
      if (one.out.rfind("parsing failed:", 0) != 0)
        parsed.insert(parsed.end(), sentence.begin(), sentence.end());
    }
    EXPECT_EQ(words, parsed);
  }
}

// --- ATIS ---------------------------------------------------------------------------------------

std::vector<std::string> words_of(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

TEST(ForestProperties, AtisTreeCountsMatchThePublishedOnes) {
  const fs::path data = fs::path(VELMO_SOURCE_DIR) / "../shared/data/atis";
  if (!fs::exists(data / "counts.txt")) {
    GTEST_SKIP() << "no ATIS data at " << data.string();
  }
  Scratch dir;
  Result r = dir.velmo({"-quiet", "-symbolic", "-l", data / "atis.lex", "-s",
                        data / "atis.start", data / "atis.gram", data / "sentences.txt",
                        "-analysis-count", "count.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(words_of(dir.read("count.txt")), words_of(read_file(data / "counts.txt")));
}

}  // namespace
