#include "driver/command_line.h"

namespace velmo {

CommandLineResult parse_command_line(int, const char* const*, RunConfig&, FILE*) {
  return CommandLineResult::kUsage;
}

void print_usage(FILE* err) {
  std::fputs("USAGE:  velmo [ -options- ] grammar-file [input-file [ output-file ]]\n\n", err);
}

}  // namespace velmo
