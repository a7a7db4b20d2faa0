// Cost per link of the chart parser: parses the sentences of a file with a model's text files
// (grammar, lexicon, open classes, start file) as `velmo -viterbi` does for plain words, and
// prints the links the chart made (and how many of them the roots reach) and the nanoseconds
// per link spent building the chart and running the Viterbi pass. Built and run by bench/chart_cost.sh.
// Usage: chart_cost [--each] BASE SENTENCES   (BASE.gram, BASE.lex, BASE.oc, BASE.OC,
// BASE.start); with --each also one line per sentence: words, nodes, items, links, pool KiB.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "base/diagnostics.h"
#include "base/run_config.h"
#include "grammar/grammar_reader.h"
#include "lexicon/lexicon.h"
#include "model/estimation.h"
#include "parser/chart.h"
#include "parser/forest_walk.h"
#include "parser/inside_outside.h"

namespace {

using namespace velmo;
using Clock = std::chrono::steady_clock;

template <class Read>
void read_file(const std::string& name, Read read) {
  FILE* in = std::fopen(name.c_str(), "r");
  if (!in) {
    std::cerr << "cannot open " << name << "\n";
    std::exit(1);
  }
  read(in);
  std::fclose(in);
}

struct LinkCounter : ForestVisitor<LinkCounter> {
  long count = 0;
  void item_before(ChartItem* item) {
    for ([[maybe_unused]] DaughterLink* l : links(item)) ++count;
  }
};

double nanoseconds(Clock::duration d) {
  return static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(d).count());
}

}  // namespace

int main(int argc, char** argv) {
  const bool each = argc == 4 && std::string(argv[1]) == "--each";
  if (argc != 3 + each) {
    std::cerr << "usage: chart_cost [--each] BASE SENTENCES\n";
    return 2;
  }
  argv += each;
  const std::string base = argv[1];
  RunConfig config;
  config.quiet = true;
  Model model;
  read_file(base + ".gram", [&](FILE* in) { model.grammar = read_grammar(in, config); });
  read_file(base + ".lex",
            [&](FILE* in) { read_lexicon(in, model.grammar, model.lexicon, config); });
  read_file(base + ".oc", [&](FILE* in) {
    read_open_classes(in, model.grammar, model.lexicon.open_class, config);
  });
  read_file(base + ".OC", [&](FILE* in) {
    read_open_classes(in, model.grammar, model.lexicon.cap_open_class, config);
  });
  read_start_file(base + ".start", model.grammar, config);
  estimate_probabilities(model, config, nullptr);

  Chart chart(model.grammar);
  ProbModel pm(model, config);
  std::ifstream text(argv[2]);
  std::vector<std::string> words;
  long links = 0, reachable = 0, sentences = 0;
  double build = 0, viterbi = 0;
  auto parse = [&] {
    const auto started = Clock::now();
    chart.begin_sentence();
    std::vector<std::vector<int>> tags(words.size());
    for (std::size_t i = 0; i < words.size(); ++i) {
      if (const LexEntry* entry = model.lexicon.find_word(words[i])) {
        for (const TagEntry& t : entry->tags) tags[i].push_back(t.tag);
      } else {
        const OpenClassTable& table = model.lexicon.table_for(words[i]);
        for (int c = 0; c < static_cast<int>(table.entries.size()); ++c)
          if (table.entries[c].open) tags[i].push_back(c);
      }
      for (int t : tags[i]) chart.expect_start(static_cast<int>(i), t);
    }
    chart.predict();
    for (std::size_t i = 0; i < words.size(); ++i) {
      const int at = static_cast<int>(i);
      chart.open_position(at + 1);
      for (int t : tags[i]) chart.add_node(t, at, at + 1, nullptr)->word = words[i].c_str();
    }
    chart.collect_roots(static_cast<int>(words.size()));
    const auto built = Clock::now();
    ForestProbs probs;
    compute_viterbi(chart, pm, probs);
    viterbi += nanoseconds(Clock::now() - built);
    build += nanoseconds(built - started);
    links += chart.link_count();
    if (each) {
      std::printf("%zu words: %d nodes, %d items, %ld links, %zu KiB\n", words.size(),
                  chart.node_count(), chart.item_count(), chart.link_count(),
                  chart.pool().block_count() * BlockPool::kUsableBytes / 1024);
    }
    LinkCounter counter;
    walk(chart, counter);
    reachable += counter.count;
    ++sentences;
    words.clear();
  };
  for (std::string line; std::getline(text, line);) {
    std::string word = line.substr(0, line.find_first_of(" \t"));
    if (!word.empty()) {
      words.push_back(word);
    } else if (!words.empty()) {
      parse();
    }
  }
  if (!words.empty()) parse();
  std::printf(
      "%ld sentences, %ld links (%ld reachable from the roots); per link: building %.1f ns, "
      "Viterbi pass %.1f ns (%.1f ns per reachable link)\n",
      sentences, links, reachable, build / static_cast<double>(links),
      viterbi / static_cast<double>(links), viterbi / static_cast<double>(reachable));
}
