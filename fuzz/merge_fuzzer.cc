// The files of a set that -merge adds to a model: the bytes are the set's .gram (flag value 0),
// .lex (1), .start (2) or .oc (3); its other files are empty. The set is written to a scratch
// folder, since merging reads files by name.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_model.h"
#include "lexmodel/merge.h"
#include "lexmodel/pooling.h"

using namespace velmo;

namespace {

const std::string& scratch() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/velmo_merge_fuzz_XXXXXX";
    return std::string(mkdtemp(pattern));
  }();
  return folder;
}

void write(const std::string& name, std::string_view bytes) {
  FILE* f = std::fopen(name.c_str(), "wb");
  if (f == nullptr) std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes = fuzz::bytes_of(data, size);
  const uint8_t flags = fuzz::flags_of(bytes);
  RunConfig config = fuzz::quiet_config();
  const std::string base = scratch() + "/set";
  const char* const suffixes[] = {".gram", ".lex", ".start", ".oc", ".OC"};
  for (int i = 0; i < 5; ++i) write(base + suffixes[i], i == (flags & 3) ? bytes : "");
  config.merge_files = {base};
  try {
    Model model = fuzz::small_model(config);
    PoolingClasses pooling;
    merge_frequency_files(model, pooling, nullptr, config);
  } catch (const FatalError&) {
  }
  return 0;
}
