#include "lexmodel/fixed_choices.h"

#include <algorithm>
#include <string>
#include <tuple>

#include "base/diagnostics.h"

namespace velmo {
namespace {

// Lines as a 1000-byte line buffer counts them (a longer line counts as several): the most
// records the file may hold.
long count_lines(FILE* in) {
  long lines = 0;
  char buffer[1000];
  while (std::fgets(buffer, sizeof buffer, in)) ++lines;
  std::rewind(in);
  return lines;
}

auto context(const FixedChoice& f) {
  return std::tuple(f.daughter_class, f.parent_class, f.parent_head);
}

void print_record(const char* format, const FixedChoice& f, const Model& model,
                  const PoolingClasses& pooling, const RunConfig& config) {
  const std::string daughter(lexical_item_name(model.lexicon, f.daughter_head, config));
  const std::string parent(lexical_item_name(model.lexicon, f.parent_head, config));
  std::fprintf(stderr, format, daughter.c_str(),
               pooling.child_class_name(model.grammar, f.daughter_class).c_str(),
               pooling.parent_class_name(model.grammar, f.parent_class).c_str(), parent.c_str());
}

}  // namespace

void read_fixed_lexical_choices(FILE* in, const Model& model, LexicalisedModel& lexicalised,
                                const RunConfig& config) {
  const PoolingClasses& pooling = lexicalised.pooling;
  LexModel& lex = lexicalised.lex;
  const long capacity = count_lines(in);
  lex.fixed.clear();
  char daughter_head[1001], daughter_class[101], parent_class[101], parent_head[1001];
  long records = 0;
  while (std::fscanf(in, "%1000s%100s%100s%1000s", daughter_head, daughter_class, parent_class,
                     parent_head) == 4) {
    if (++records > capacity) fatal_error("in fixed lexical choice parameters file");
    FixedChoice f;
    f.daughter_head = lexical_item_index(model.lexicon, daughter_head, config);
    if (f.daughter_head < 0) {
      warning2(config, "unknown head in fixed lexical choice parameter file", daughter_head);
      continue;
    }
    f.parent_head = lexical_item_index(model.lexicon, parent_head, config);
    if (f.parent_head < 0) {
      warning2(config, "unknown head in fixed lexical choice parameter file", parent_head);
      continue;
    }
    f.daughter_class = child_class_id(daughter_class, model.grammar, pooling, config);
    if (f.daughter_class < 0) fatal_error2("unknown category", daughter_class);
    f.parent_class = parent_class_id(parent_class, model.grammar, pooling, config);
    if (f.parent_class < 0) fatal_error2("unknown category", parent_class);
    lex.fixed.push_back(f);
  }
  std::stable_sort(lex.fixed.begin(), lex.fixed.end(),
                   [](const FixedChoice& a, const FixedChoice& b) { return context(a) < context(b); });
  for (size_t i = 1; i < lex.fixed.size(); ++i) {
    if (context(lex.fixed[i - 1]) != context(lex.fixed[i])) continue;
    print_record("\n%s %s %s %s\n", lex.fixed[i - 1], model, pooling, config);
    print_record("%s %s %s %s\n", lex.fixed[i], model, pooling, config);
    fatal_error("Contradicting entries in fixed lexical choice parameters file");
  }
}

}  // namespace velmo
