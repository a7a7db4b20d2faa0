// The binary pooling file (<base>.pool) of a lexicalised training run: child classes and every
// symbol's child pool, then the same for parent classes.
#pragma once

#include <cstdio>
#include <string>

#include "lexmodel/pooling.h"
#include "model/model.h"

namespace velmo {

void write_pool_file(FILE* out, const Grammar& grammar, const PoolingClasses& pooling);
// A file that cannot be opened leaves no classes.
void read_pool_file(const std::string& name, Model& model, PoolingClasses& pooling);
// The same from an open stream (`name` for messages).
void read_pools(FILE* in, const std::string& name, Model& model, PoolingClasses& pooling);

}  // namespace velmo
