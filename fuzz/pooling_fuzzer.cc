// Pooling class files (-pooling, -cpooling) over a fixed grammar, then head counting. Flag bit
// 1: parent classes, else child classes.
#include "fuzz_model.h"
#include "lexmodel/head_counts.h"
#include "lexmodel/pooling.h"

using namespace velmo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes = fuzz::bytes_of(data, size);
  const uint8_t flags = fuzz::flags_of(bytes);
  RunConfig config = fuzz::quiet_config();
  config.lexicalise = config.heads = true;
  try {
    Model model = fuzz::small_model(config);
    PoolingClasses pooling;
    MemoryInput file(bytes);
    if (flags & 1)
      read_parent_pooling(file.get(), model.grammar, pooling, config);
    else
      read_child_pooling(file.get(), model.grammar, pooling, config);
    count_heads(model, pooling, config);
  } catch (const FatalError&) {
  }
  return 0;
}
