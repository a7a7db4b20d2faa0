// What the forest printers share: the probability an option asks for on a node or an analysis,
// and the enumeration of the analyses that one complete item stands for.
#pragma once

#include <cstdio>
#include <vector>

#include "parser/forest_stage.h"
#include "parser/inside_outside.h"

namespace velmo {

// Which value annotates nodes and analyses. kInside covers -viterbi-probs too: the inside
// fields then hold Viterbi values.
enum class ForestValue { kNone, kInside, kOutside, kFreq };

// The default listing: -inside / -viterbi-probs before -outside before -freq.
ForestValue listing_value(const RunConfig& config);
// vpf: -freq first, then -inside / -viterbi-probs, then -outside.
ForestValue vpf_value(const RunConfig& config);

// The node's own value: inside, outside, or outside * inside * scale.
PROB node_value(ForestValue kind, const ForestNode* node, const ForestProbs& probs);

// A consumer that computes the inside and outside values of each forest, then prints.
class PosteriorPrinter : public ForestStage {
 public:
  using Print = void (*)(FILE*, const ParsedSentence&);
  PosteriorPrinter(FILE* out, Print print) : out_(out), print_(print) {}
  void apply(ParsedSentence& parsed) override {
    compute_inside_outside(parsed.chart, parsed.pm, parsed.sentence, parsed.probs);
    print_(out_, parsed);
  }

 private:
  FILE* out_;
  Print print_;
};

// One step of an analysis: the link taken and the item it belongs to.
struct AnalysisStep {
  const DaughterLink* link;
  const ChartItem* item;
};

// The value of the analysis of `node` whose steps are path[from..]: the rule's base value
// (times the node's outside, and the scale for -freq), with -inside, -viterbi-probs and -freq
// multiplied by every daughter's inside and the link's choice probability.
PROB analysis_value(ForestValue kind, const ForestNode* node, const std::vector<AnalysisStep>& path,
                    std::size_t from, const ParsedSentence& ctx);

// Calls emit() once for every choice of links from `item` back to its first daughter, the last
// daughter's links in the outer loop. During a call the steps of the analysis are
// path[from..size), last daughter first; emit may use path as a stack above them.
template <class Emit>
void for_each_analysis(ChartItem* item, std::vector<AnalysisStep>& path, Emit&& emit) {
  for (const DaughterLink* link : links(item)) {
    path.push_back({link, item});
    if (link->previous) {
      for_each_analysis(link->previous, path, emit);
    } else {
      emit();
    }
    path.pop_back();
  }
}

}  // namespace velmo
