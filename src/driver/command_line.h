// The command line: turns the argument words into the RunConfig, checks the options against
// each other, prints the usage text and the version banner.
#pragma once

#include <cstdio>

#include "base/run_config.h"

namespace velmo {

enum class CommandLineResult {
  kRun,      // the configuration is complete: go on
  kUsage,    // print the usage text and exit with status 1
  kVersion,  // the version banner was printed: exit with status 0
};

// `args` are the words after the program name. Messages about unrecognised options and
// invalid numbers, the version banner and warnings go to `err`. Fatal conditions throw.
CommandLineResult parse_command_line(int count, const char* const* args, RunConfig& config,
                                     FILE* err = stderr);

void print_usage(FILE* err);

}  // namespace velmo
