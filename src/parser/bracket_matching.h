// Treebank matching as the sentence loop sees it: annotation labels are translated while the
// sentence is read, and a parsed forest is cut down to the analyses that agree with the
// sentence's brackets.
#pragma once

#include <string_view>
#include <vector>

#include "parser/chart.h"
#include "parser/sentence.h"

namespace velmo {

class BracketMatching {
 public:
  virtual ~BracketMatching() = default;
  // The grammar categories a treebank label stands for; null for a label without translation
  // (which must then be a grammar category).
  virtual const std::vector<int>* map_treebank_label(std::string_view label) const = 0;
  // Per category: whether it may stand in an analysis without a bracket of its own.
  virtual const std::vector<bool>& insertable() const = 0;
  // Replaces the chart's roots by copies whose analyses agree with the brackets (none when no
  // analysis does). Called only for a sentence with brackets.
  virtual void filter_forest(Chart& chart, const std::vector<Bracket>& brackets) const = 0;
};

}  // namespace velmo
