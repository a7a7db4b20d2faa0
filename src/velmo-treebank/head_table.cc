#include "velmo-treebank/head_table.h"

#include <algorithm>
#include <sstream>

#include "base/diagnostics.h"
#include "trees/tree.h"

namespace velmo {

namespace {

// Punctuation and round brackets, which a fallback head skips.
bool is_punctuation(const std::string& tag) {
  return is_punctuation_tag(tag) || tag == "-LRB-" || tag == "-RRB-";
}

}  // namespace

const char* const kPennHeadTable = R"(# The usual head table for the Penn treebank (Collins 1999), labels without function tags.
ADJP left NNS QP NN $ ADVP JJ VBN VBG ADJP JJR NP JJS DT FW RBR RBS SBAR RB
ADVP right RB RBR RBS FW ADVP TO CD JJR JJ IN NP JJS NN
CONJP right CC RB IN
FRAG right
INTJ left
LST right LS :
NAC left NN NNS NNP NNPS NP NAC EX $ CD QP PRP VBG JJ JJS JJR ADJP FW
PP right IN TO VBG VBN RP FW
PRN left
PRT right RP
QP left $ IN NNS NN JJ RB DT CD NCD QP JJR JJS
RRC right VP NP ADVP ADJP PP
S left TO IN VP S SBAR ADJP UCP NP
SBAR left WHNP WHPP WHADVP WHADJP IN DT S SQ SINV SBAR FRAG
SBARQ left SQ S SINV SBARQ FRAG
SINV left VBZ VBD VBP VB MD VP S SINV ADJP NP
SQ left VBZ VBD VBP VB MD VP SQ
UCP right
VP left TO VBD VBN MD VBZ VB VBG VBP VP ADJP NN NNS NP
WHADJP left CC WRB JJ ADJP
WHADVP right CC WRB
WHNP left WDT WP WP$ WHADJP WHPP WHNP
WHPP right IN TO FW
X right
# Noun phrases: the last noun (or possessive), else the first NP, else the last $, ADJP or
# PRN, else the last CD, else the last JJ, JJS, RB or QP, else the last word.
NP rightdis NN NNP NNPS NNS NX POS JJR
NP left NP
NP rightdis $ ADJP PRN
NP right CD
NP rightdis JJ JJS RB QP
NX rightdis NN NNP NNPS NNS NX POS JJR
NX left NP
NX rightdis $ ADJP PRN
NX right CD
NX rightdis JJ JJS RB QP
)";

HeadTable::HeadTable(std::string_view text, const std::string& name) {
  std::istringstream in{std::string(text)};
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    line = line.substr(0, line.find('#'));
    std::istringstream fields(line);
    std::string category, direction;
    if (!(fields >> category)) continue;
    auto fail = [&](const std::string& what) {
      throw FatalError(name + ": line " + std::to_string(number) + ": " + what + "\n");
    };
    if (!(fields >> direction)) fail("a category without a direction");
    Search search;
    if (direction == "left" || direction == "leftdis") {
      search.from_right = false;
    } else if (direction == "right" || direction == "rightdis") {
      search.from_right = true;
    } else {
      fail("the direction is not left, right, leftdis or rightdis: " + direction);
    }
    search.daughters_first = direction.ends_with("dis");
    for (std::string c; fields >> c;) search.categories.push_back(c);
    searches_[category].push_back(std::move(search));
  }
}

std::size_t HeadTable::head(const std::string& mother,
                            const std::vector<std::string>& daughters) const {
  const std::size_t n = daughters.size();
  auto found = searches_.find(mother);
  if (found == searches_.end() || n == 1) return 0;
  // The i-th daughter in a search's direction.
  auto at = [n](const Search& s, std::size_t i) { return s.from_right ? n - 1 - i : i; };
  for (const Search& s : found->second) {
    if (s.daughters_first) {
      for (std::size_t i = 0; i < n; ++i) {
        const std::string& d = daughters[at(s, i)];
        if (std::find(s.categories.begin(), s.categories.end(), d) != s.categories.end()) {
          return at(s, i);
        }
      }
    } else {
      for (const std::string& c : s.categories) {
        for (std::size_t i = 0; i < n; ++i) {
          if (daughters[at(s, i)] == c) return at(s, i);
        }
      }
    }
  }
  // No search found a head: the first daughter in the direction of the first search that is
  // not punctuation, if there is one.
  const Search& first = found->second.front();
  for (std::size_t i = 0; i < n; ++i) {
    if (!is_punctuation(daughters[at(first, i)])) return at(first, i);
  }
  return at(first, 0);
}

}  // namespace velmo
