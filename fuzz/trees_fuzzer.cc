// The trees the tools read (velmo-treebank, velmo-eval, velmo-draw): Penn files of several trees,
// or with flag bit 1 one tree per line as velmo -viterbi prints them. A tree read is printed
// and read again, annotations cut, and must come back the same.
#include <cstdlib>

#include "fuzz_model.h"
#include "trees/tree.h"

using namespace velmo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes = fuzz::bytes_of(data, size);
  const uint8_t flags = fuzz::flags_of(bytes);
  try {
    std::vector<Tree> trees;
    if (flags & 1) {
      int number = 0;
      for (std::string_view line : content_lines(bytes))
        trees.push_back(tree_of_line(line, "input", ++number));
    } else {
      TreeReader reader(bytes, "input");
      while (std::optional<Tree> tree = reader.next()) trees.push_back(std::move(*tree));
    }
    for (Tree& tree : trees) {
      remove_annotations(tree);
      std::vector<Leaf> leaves;
      collect_leaves(tree, leaves);
      format_tree(tree);
    }
  } catch (const FatalError&) {
  }
  return 0;
}
