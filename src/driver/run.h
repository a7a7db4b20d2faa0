// The run sequence: parse the command line, load the model in its fixed order, estimate the
// probabilities, then take exactly one terminal activity (store the parameters, or process
// the sentences, which with -print-model means printing the model only).
#pragma once

namespace velmo {

// `args` are the words after the program name. Returns the exit status; fatal errors throw.
int run(int count, const char* const* args);

}  // namespace velmo
