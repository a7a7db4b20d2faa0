// velmo-eval: labelled-bracket scores of test trees against gold trees, one tree per line in
// the form velmo -viterbi prints, in the conventions parsing results are usually compared in:
// preterminals are not brackets; the punctuation tags , : `` '' . (the quote tags also as
// velmo-treebank renames them, -LQ- -RQ-) and empty elements (-NONE-) are left out of the
// words that spans count (empty elements also out of the length); function tags are cut
// (NP-SBJ is NP); ADVP and PRT count as one label; the root bracket counts; a "No parse for:"
// line counts as a tree without brackets and with no tag right. Parent annotations of the
// labels (NP^S, from velmo-treebank --parent) are cut from both files first.
//
// Usage: velmo-eval [-q] [--keep-annotation] gold-file [test-file]
// The test trees come from standard input when test-file is absent or "-".
//   -q                 the summary only, without the line per sentence
//   --keep-annotation  score NP^S and NP^VP as labels of their own
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "base/diagnostics.h"
#include "parser/sentence.h"
#include "trees/tree.h"

namespace velmo {
namespace {

constexpr int kShortLength = 40;
constexpr const char* kUsage =
    "usage: velmo-eval [-q] [--keep-annotation] gold-file [test-file]\n"
    "  (test trees from standard input when test-file is absent or -)\n";

// Labels without function tags; PRT counts as ADVP.
std::string scoring_label(const std::string& label) {
  std::string cut = without_function_tags(label);
  return cut == "PRT" ? "ADVP" : cut;
}

struct Bracket {
  std::string label;
  int start, end;
  bool operator<(const Bracket& o) const {
    return std::tie(start, end, label) < std::tie(o.start, o.end, o.label);
  }
};

// The brackets of a tree and its scored tags, spans counted in the words that are scored:
// which those are the gold tree's tags decide, for the test tree too.
struct Analysis {
  std::vector<Bracket> brackets;
  std::vector<std::string> tags;  // of the scored words
};

// The words of a tree but its empty elements: (tag, word).
std::vector<Leaf> words_of(const Tree& tree) {
  std::vector<Leaf> leaves;
  collect_leaves(tree, leaves);
  std::erase_if(leaves, [](const Leaf& leaf) { return leaf.tag == "-NONE-"; });
  return leaves;
}

class Analyser {
 public:
  explicit Analyser(const std::vector<bool>& scored) : scored_(scored) {}

  Analysis analyse(const Tree& tree) {
    collect(tree, true);
    std::sort(result_.brackets.begin(), result_.brackets.end());
    return std::move(result_);
  }

 private:
  // The number of scored words below the node.
  int collect(const Tree& node, bool root) {
    if (node.is_preterminal()) {
      if (node.label == "-NONE-") return 0;
      const bool scored = scored_[word_++];
      if (scored) result_.tags.push_back(node.label);
      return scored ? 1 : 0;
    }
    const int start = static_cast<int>(result_.tags.size());
    int size = 0;
    for (const Tree& child : node.children) size += collect(child, false);
    // An unlabelled outer bracket (Penn files) and TOP are no brackets; neither is a
    // constituent of nothing but words that are not scored.
    const bool counted = size > 0 && !node.label.empty() && !(root && node.label == "TOP");
    if (counted) result_.brackets.push_back({scoring_label(node.label), start, start + size});
    return size;
  }

  const std::vector<bool>& scored_;
  Analysis result_;
  std::size_t word_ = 0;
};

struct Score {
  int sentences = 0, no_parse = 0, exact = 0, no_crossing = 0, two_or_less = 0;
  long matched = 0, gold = 0, test = 0, crossing = 0, words = 0, right_tags = 0;

  void add(const Score& s) {
    sentences += s.sentences;
    no_parse += s.no_parse;
    exact += s.exact;
    no_crossing += s.no_crossing;
    two_or_less += s.two_or_less;
    matched += s.matched;
    gold += s.gold;
    test += s.test;
    crossing += s.crossing;
    words += s.words;
    right_tags += s.right_tags;
  }
};

double percent(long part, long whole) { return whole == 0 ? 0.0 : 100.0 * part / whole; }

bool crosses(const Bracket& a, const Bracket& b) {
  return (a.start < b.start && b.start < a.end && a.end < b.end) ||
         (b.start < a.start && a.start < b.end && b.end < a.end);
}

// One sentence; `test` is absent for a failed parse.
Score score(const Analysis& gold, const Analysis* test) {
  Score s;
  s.sentences = 1;
  s.gold = static_cast<long>(gold.brackets.size());
  s.words = static_cast<long>(gold.tags.size());
  if (!test) {
    s.no_parse = 1;
    s.no_crossing = s.two_or_less = 1;
    s.exact = s.gold == 0;
    return s;
  }
  s.test = static_cast<long>(test->brackets.size());
  // Brackets are sorted: the matches are the size of the multiset intersection.
  std::vector<Bracket> common;
  std::set_intersection(gold.brackets.begin(), gold.brackets.end(), test->brackets.begin(),
                        test->brackets.end(), std::back_inserter(common));
  s.matched = static_cast<long>(common.size());
  for (const Bracket& b : test->brackets) {
    for (const Bracket& g : gold.brackets) {
      if (crosses(b, g)) {
        ++s.crossing;
        break;
      }
    }
  }
  s.exact = s.matched == s.gold && s.matched == s.test;
  s.no_crossing = s.crossing == 0;
  s.two_or_less = s.crossing <= 2;
  for (std::size_t i = 0; i < gold.tags.size(); ++i) s.right_tags += gold.tags[i] == test->tags[i];
  return s;
}

void print_summary(const char* title, const Score& s) {
  const double recall = percent(s.matched, s.gold), precision = percent(s.matched, s.test);
  const double f1 = recall + precision == 0 ? 0.0 : 2 * recall * precision / (recall + precision);
  std::printf("-- %s --\n", title);
  std::printf("Number of sentences       = %6d\n", s.sentences);
  std::printf("Number without parse      = %6d\n", s.no_parse);
  std::printf("Bracketing recall         = %6.2f\n", recall);
  std::printf("Bracketing precision      = %6.2f\n", precision);
  std::printf("Bracketing F1             = %6.2f\n", f1);
  std::printf("Exact match               = %6.2f\n", percent(s.exact, s.sentences));
  std::printf("Average crossing          = %6.2f\n",
              s.sentences == 0 ? 0.0 : static_cast<double>(s.crossing) / s.sentences);
  std::printf("No crossing               = %6.2f\n", percent(s.no_crossing, s.sentences));
  std::printf("2 or less crossing        = %6.2f\n", percent(s.two_or_less, s.sentences));
  std::printf("Tagging accuracy          = %6.2f\n", percent(s.right_tags, s.words));
}

constexpr std::string_view kNoParse = "No parse for: ";

// The trees of a file, one per line; a "No parse for:" line is an absent tree, whose sentence
// goes to `failed` (at the tree's place; empty for a tree). Empty lines are skipped.
// `name` becomes "standard input" for "-".
std::vector<std::optional<Tree>> read_trees(std::string& name,
                                            std::vector<std::string>* failed = nullptr) {
  const std::string text = read_input(name);
  std::vector<std::optional<Tree>> trees;
  int number = 0;
  for (std::string_view line : content_lines(text)) {
    ++number;
    const bool no_parse = line.starts_with(kNoParse.substr(0, kNoParse.size() - 1));
    if (no_parse) {
      trees.emplace_back();
    } else {
      trees.push_back(tree_of_line(line, name, number));
    }
    if (!failed) continue;
    std::string sentence;
    if (no_parse) sentence = line.substr(std::min(line.size(), kNoParse.size()));
    while (!sentence.empty() && std::isspace(static_cast<unsigned char>(sentence.back())))
      sentence.pop_back();
    failed->push_back(std::move(sentence));
  }
  if (trees.empty()) throw FatalError(name + ": no trees in the file\n");
  return trees;
}

// The words as velmo writes a sentence it cannot parse.
std::string quoted_sentence(const std::vector<Leaf>& leaves) {
  std::vector<std::string> words;
  for (const Leaf& leaf : leaves) words.push_back(leaf.word);
  return sentence_text(words);
}

struct Options {
  bool quiet = false;
  bool keep_annotation = false;
  std::string gold_name, test_name;
};

// The options, or the exit status when there is nothing to run (--help, a usage error).
std::optional<int> parse_options(int argc, char** argv, Options& options) {
  int first = 1;
  for (; first < argc && argv[first][0] == '-' && argv[first][1] != '\0'; ++first) {
    if (std::strcmp(argv[first], "-q") == 0) {
      options.quiet = true;
    } else if (std::strcmp(argv[first], "--keep-annotation") == 0) {
      options.keep_annotation = true;
    } else if (std::strcmp(argv[first], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    } else {
      break;
    }
  }
  if (argc - first != 1 && argc - first != 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  options.gold_name = argv[first];
  options.test_name = argc - first == 2 ? argv[first + 1] : "-";
  if (options.gold_name == "-" && options.test_name == "-") {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return std::nullopt;
}

struct Pair {
  Score score;
  int length;
};

// The score of test tree `i` (null: a failed parse of `failed_sentence`) against its gold tree;
// fatal when the two are not of the same words.
Pair score_pair(const Tree& gold, const Tree* test, const std::string& failed_sentence,
                const Options& options, std::size_t i) {
  const std::string number = std::to_string(i + 1);
  const std::vector<Leaf> gold_words = words_of(gold);
  std::vector<bool> scored;
  for (const Leaf& leaf : gold_words) scored.push_back(!is_punctuation_tag(leaf.tag));
  const Analysis g = Analyser(scored).analyse(gold);
  std::optional<Analysis> t;
  bool same;
  if (test) {
    const std::vector<Leaf> test_words = words_of(*test);
    same = test_words.size() == gold_words.size();
    for (std::size_t w = 0; same && w < test_words.size(); ++w)
      same = test_words[w].word == gold_words[w].word;
    if (same) t = Analyser(scored).analyse(*test);
  } else {
    // A failed parse is still a sentence: another one means the files are out of step.
    same = failed_sentence == quoted_sentence(gold_words);
  }
  if (!same) {
    throw FatalError(options.test_name + ": tree " + number +
                     ": its words are not those of the gold tree\n");
  }
  return {score(g, t ? &*t : nullptr), static_cast<int>(gold_words.size())};
}

// Every pair, checked before anything is printed.
std::vector<Pair> score_pairs(Options& options) {
  auto gold = read_trees(options.gold_name);
  std::vector<std::string> failed_sentences;
  auto test = read_trees(options.test_name, &failed_sentences);
  // A grammar with parent annotations (NP^S) is scored on the treebank's own labels.
  if (!options.keep_annotation) {
    for (auto* trees : {&gold, &test})
      for (auto& tree : *trees)
        if (tree) remove_annotations(*tree);
  }
  if (gold.size() != test.size()) {
    throw FatalError(options.test_name + ": " + std::to_string(test.size()) + " trees, but " +
                     options.gold_name + " has " + std::to_string(gold.size()) + "\n");
  }
  std::vector<Pair> pairs;
  for (std::size_t i = 0; i < gold.size(); ++i) {
    if (!gold[i]) {
      throw FatalError(options.gold_name + ": tree " + std::to_string(i + 1) +
                       ": a gold tree is missing\n");
    }
    pairs.push_back(score_pair(*gold[i], test[i] ? &*test[i] : nullptr, failed_sentences[i],
                               options, i));
  }
  return pairs;
}

void print_pair(std::size_t i, const Pair& pair) {
  const Score& s = pair.score;
  std::printf("%4zu %4d  %4d  %6.2f %6.2f %5ld %5ld %5ld %5ld %5ld %5ld %6.2f\n", i + 1,
              pair.length, s.no_parse ? 2 : 0, percent(s.matched, s.gold),
              percent(s.matched, s.test), s.matched, s.gold, s.test, s.crossing, s.words,
              s.right_tags, percent(s.right_tags, s.words));
}

int run(int argc, char** argv) {
  Options options;
  if (std::optional<int> status = parse_options(argc, argv, options)) return *status;
  const std::vector<Pair> pairs = score_pairs(options);  // names "-" as "standard input"
  const char* const rule =
      "============================================================================\n";
  if (!options.quiet) {
    std::printf("  Sent.                        Matched  Bracket   Cross        Correct Tag\n");
    std::printf(" ID  Len.  Stat. Recal  Prec.  Bracket gold test Bracket Words  Tags Accuracy\n");
    std::fputs(rule, stdout);
  }
  Score all, short_ones;
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    all.add(pairs[i].score);
    if (pairs[i].length <= kShortLength) short_ones.add(pairs[i].score);
    if (!options.quiet) print_pair(i, pairs[i]);
  }
  if (!options.quiet) std::fputs(rule, stdout);
  print_summary("All", all);
  print_summary("length <= 40", short_ones);
  return 0;
}

}  // namespace
}  // namespace velmo

int main(int argc, char** argv) { return velmo::run_tool("velmo-eval", argc, argv, velmo::run); }
