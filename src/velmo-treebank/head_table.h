// Head-percolation tables: which daughter of a constituent is its head. A table is text, one
// search per line: a category, a direction and a list of categories,
//
//   VP left TO VBD VBN MD VBZ VB VBG VBP VP ADJP NN NNS NP
//
// "left" and "right" take the listed categories in turn and look for each among the daughters
// from the left (right); "leftdis" and "rightdis" take the daughters in turn from the left
// (right) and stop at the first that is any listed category. A category's lines are tried in
// order; when none finds a head, the first daughter in the direction of its first line that is
// no punctuation or bracket is the head, and for a category without lines the leftmost. '#'
// starts a comment.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace velmo {

class HeadTable {
 public:
  // Fatal "<name>: line <n>: ..." for a line that is not a search.
  HeadTable(std::string_view text, const std::string& name);

  // The index of the head among the daughters' labels.
  std::size_t head(const std::string& mother, const std::vector<std::string>& daughters) const;

 private:
  struct Search {
    bool from_right;
    bool daughters_first;  // the -dis searches
    std::vector<std::string> categories;
  };
  std::map<std::string, std::vector<Search>, std::less<>> searches_;
};

// The usual table for the Penn treebank (Collins's, with his rules for noun phrases).
extern const char* const kPennHeadTable;

}  // namespace velmo
