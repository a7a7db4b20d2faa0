// velmo: a probabilistic context-free parser. main only turns the fatal error into its message
// and exit status.
#include <cstdio>
#include <new>

#include "driver/diagnostics.h"
#include "driver/run.h"

int main(int argc, char** argv) {
  try {
    return velmo::run(argc - 1, argv + 1);
  } catch (const velmo::FatalError& e) {
    std::fflush(stdout);
    std::fputs(e.text().c_str(), stderr);
    return e.status();
  } catch (const std::bad_alloc&) {
    std::fflush(stdout);
    std::fputs("\nERROR: Not enough memory!\naborted.\n", stderr);
    return 1;
  }
}
