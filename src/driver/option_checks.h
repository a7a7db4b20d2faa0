// The cross-checks of the command line after its words were scanned: options that exclude or
// need each other, the file names that -in and -params imply, and the positional arguments.
#pragma once

#include <string_view>

#include "base/run_config.h"

namespace velmo {

// Grammar (or -in/-params), input and output file.
constexpr int kMaxPositional = 3;

// Checks and completes `config` in a fixed order; fatal for a combination that cannot run.
// `positional` counts the positional arguments; -in and -params each count as one, since they
// take the grammar's place. The third positional word is passed apart because -merge reuses
// output_file before -params looks. False when the usage text is to be printed.
bool check_options(RunConfig& config, int positional, std::string_view third_positional);

}  // namespace velmo
