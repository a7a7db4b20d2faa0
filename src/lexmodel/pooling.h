// Pooling classes: categories that behave alike as parents (mothers) or as children (non-head
// daughters) share their lexical-choice statistics. A class has the id (number of symbols +
// its number in the file), so class and symbol ids can stand in one field; a symbol's parent
// and child pool are its own id unless a pooling file puts it in a class.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_config.h"
#include "grammar/grammar.h"

namespace velmo {

struct PoolingClasses {
  std::vector<std::string> parent_names;  // in file order
  std::vector<std::string> child_names;
  std::vector<int> child_head_counts;     // per child class

  // The symbol's name for a symbol id, else the class's.
  const std::string& parent_class_name(const Grammar& grammar, int id) const;
  const std::string& child_class_name(const Grammar& grammar, int id) const;
};

// The id a name stands for as a parent (child) class: a class of that name, else a category
// that is in no class of the kind; -1 (with a warning) for an unknown name or a category that
// must be named by its class. A head mark is fatal "Unexpected head marking".
int parent_class_id(std::string_view name, const Grammar& grammar, const PoolingClasses& pooling,
                    const RunConfig& config);
int child_class_id(std::string_view name, const Grammar& grammar, const PoolingClasses& pooling,
                   const RunConfig& config);

// Reads a pooling text file (-pooling, -cpooling): per line a class name and its member
// categories, which get the class as their parent (child) pool.
void read_parent_pooling(FILE* in, Grammar& grammar, PoolingClasses& pooling,
                         const RunConfig& config);
void read_child_pooling(FILE* in, Grammar& grammar, PoolingClasses& pooling,
                        const RunConfig& config);


}  // namespace velmo
