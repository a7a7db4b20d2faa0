// Treebank matching: the insertable categories (-isym), the translation of treebank labels into
// grammar categories (-bsmatch), and the restriction of a forest to the brackets of its
// sentence.
//
// The filter copies the nodes and items that agree with the brackets into the chart's tables,
// keyed by the matching state: a copy made while bracket k is the next one to match has head
// -3-k. A copy's `number` holds its result, the next bracket still to match after its span, or
// -2 for a recorded failure; so each (record, bracket) pair is matched once per sentence.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_config.h"
#include "grammar/grammar.h"
#include "parser/bracket_matching.h"

namespace velmo {

class TreebankMatching final : public BracketMatching {
 public:
  // Every category is insertable and no label is translated.
  explicit TreebankMatching(const Grammar& grammar);

  // Only the categories the file names (any number per line) stay insertable.
  void read_insertable_symbols(const std::string& name, const RunConfig& config);
  // Lines of a treebank label followed by the grammar categories it stands for; a label on
  // several lines collects the categories of all of them.
  void read_symbol_matching(const std::string& name, const RunConfig& config);

  const std::vector<int>* map_treebank_label(std::string_view label) const override;
  const std::vector<bool>& insertable() const override { return insertable_; }
  // Only root copies that matched every bracket become roots.
  void filter_forest(Chart& chart, const std::vector<Bracket>& brackets) const override;

 private:
  void read_lines(const std::string& name,
                  const std::function<void(std::string_view line)>& take) const;

  const Grammar& grammar_;
  std::vector<bool> insertable_;
  std::map<std::string, std::vector<int>, std::less<>> labels_;
};

}  // namespace velmo
