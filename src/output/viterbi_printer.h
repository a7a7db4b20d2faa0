// The best analysis of a sentence: Viterbi trees (-viterbi, -viterbi1), best tag sequences
// (from the best parse, or position-wise from inside and outside values with -tagging alone),
// and the per-forest dump of model parameters (-print-probs).
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "parser/forest_stage.h"

namespace velmo {

// Reorders the forest so that first entries lead along the best parse; returns its root or
// null. Needs Viterbi values.
ForestNode* select_best_parse(const ParsedSentence& ctx);

// The daughters of the node's first analysis along first links, first daughter first (empty
// for a lexical node): the best parse's daughters once select_best_parse has run.
void first_analysis_daughters(const ForestNode* node, std::vector<ForestNode*>& daughters);

// Calls visit on each of those daughters of a rule-built node, unless the node is already on
// the path being followed (marked with `path_stamp`): with all values zero the first analyses
// may lead round a cycle of the grammar.
template <class Visit>
void for_each_best_daughter(ForestNode* node, uint16_t path_stamp, Visit&& visit) {
  if (node->stamp == path_stamp) return;
  uint16_t saved = node->stamp;
  node->stamp = path_stamp;
  std::vector<ForestNode*> daughters;
  first_analysis_daughters(node, daughters);
  for (ForestNode* daughter : daughters) visit(daughter);
  node->stamp = saved;
}

void print_viterbi_tree(FILE* out, const ParsedSentence& ctx);
void print_viterbi_tags(FILE* out, const ParsedSentence& ctx);
// Needs inside and outside values.
void print_best_tags(FILE* out, const ParsedSentence& ctx);
void print_parameters(FILE* out, const ParsedSentence& ctx);

// The consumer of -viterbi runs: Viterbi values, then the best tree (or its tags with
// -tagging); with -timing the time taken.
std::unique_ptr<ForestStage> make_viterbi_printer(FILE* out);
// The consumer of -tagging without -viterbi: inside and outside values, then the best tags.
std::unique_ptr<ForestStage> make_tag_printer(FILE* out);
// The -print-probs stage: the parameters of each forest written to `file` ("-": standard
// output) before the consumer takes the forest.
std::unique_ptr<ForestStage> make_parameter_printer(const std::string& file);

}  // namespace velmo
