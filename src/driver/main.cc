// velmo: a probabilistic context-free parser. main only runs the program on a thread with a
// large stack and turns the fatal error into its message and exit status.
#include <pthread.h>

#include <cstdio>
#include <new>

#include "base/diagnostics.h"
#include "driver/run.h"

namespace {

// The chart's propagation and the forest walks recurse once per level of a parse tree, so a
// sentence of thousands of words needs far more than the usual 8 MB of stack. The stack is
// reserved address space; only the pages a sentence touches are used.
constexpr std::size_t kStackBytes = std::size_t{1} << 30;

struct Invocation {
  int argc;
  char** argv;
  int status = 1;
};

int run_reporting_errors(int argc, char** argv) {
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

void* run_invocation(void* data) {
  auto* invocation = static_cast<Invocation*>(data);
  invocation->status = run_reporting_errors(invocation->argc, invocation->argv);
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  Invocation invocation{argc, argv};
  pthread_attr_t attributes;
  pthread_t thread;
  bool started = pthread_attr_init(&attributes) == 0 &&
                 pthread_attr_setstacksize(&attributes, kStackBytes) == 0 &&
                 pthread_create(&thread, &attributes, run_invocation, &invocation) == 0;
  if (!started) return run_reporting_errors(argc, argv);
  pthread_join(thread, nullptr);
  return invocation.status;
}
