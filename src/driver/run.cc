#include "driver/run.h"

#include <cstdio>

#include "driver/command_line.h"
#include "driver/diagnostics.h"
#include "driver/run_config.h"

namespace velmo {

int run(int count, const char* const* args) {
  RunConfig config;
  if (count == 0) {
    print_usage(stderr);
    return 1;
  }
  switch (parse_command_line(count, args, config)) {
    case CommandLineResult::kUsage:
      print_usage(stderr);
      return 1;
    case CommandLineResult::kVersion:
      return 0;
    case CommandLineResult::kRun:
      break;
  }
  fatal_error("Model loading is not available yet");
}

}  // namespace velmo
