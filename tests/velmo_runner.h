// Runs the velmo binary as a user does, in a scratch folder of its own, and keeps what it
// writes to its standard streams.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/test_support.h"

namespace velmo::testing {

namespace fs = std::filesystem;

using Args = std::vector<std::string>;

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

// A scratch folder: velmo runs in its subfolder run/, its standard streams are kept beside it.
class Scratch {
 public:
  Scratch() { fs::create_directory(run_dir()); }

  fs::path run_dir() const { return root_ / "run"; }
  fs::path operator/(const std::string& name) const { return run_dir() / name; }
  void write(const std::string& name, const std::string& text) const {
    write_file(run_dir() / name, text);
  }
  std::string read(const std::string& name) const { return read_file(run_dir() / name); }
  std::set<std::string> files() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(run_dir()))
      names.insert(entry.path().filename().string());
    return names;
  }

  // Runs velmo in run/ with `input` on standard input. `in_child` runs in the child process
  // just before velmo replaces it (same process id).
  Result velmo(const Args& args, const std::string& input = "",
               const std::function<void()>& in_child = {}) const {
    write_file(root_ / "stdin", input);
    pid_t pid = fork();
    if (pid == 0) exec_velmo(args, in_child);
    int status = 0;
    waitpid(pid, &status, 0);
    Result result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = read_file(root_ / "stdout");
    result.err = read_file(root_ / "stderr");
    return result;
  }

 private:
  [[noreturn]] void exec_velmo(const Args& args, const std::function<void()>& in_child) const {
    redirect((root_ / "stdin").c_str(), O_RDONLY, 0);
    redirect((root_ / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 1);
    redirect((root_ / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 2);
    if (chdir(run_dir().c_str()) != 0) _exit(126);
    if (in_child) in_child();
    std::vector<char*> argv{const_cast<char*>(VELMO_BINARY)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(VELMO_BINARY, argv.data());
    _exit(127);
  }
  static void redirect(const char* name, int flags, int fd) {
    int opened = open(name, flags, 0644);
    if (opened < 0 || dup2(opened, fd) < 0) _exit(126);
    close(opened);
  }

  testing::ScratchDir root_;
};

inline Args concat(Args a, const Args& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace velmo::testing
