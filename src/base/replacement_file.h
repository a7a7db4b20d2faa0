// ReplacementFile: an output file that replaces its target only when it is complete. The data
// go to a temporary file in the target's folder; finish() flushes it to disk and closes it, and
// install() renames it over the target, so a run killed while writing leaves the previous
// version of the target intact, and a power loss cannot leave an empty file under the final
// name. A set of files (the frequency files of one model) finishes every member before it
// installs the first, so the set is replaced whole unless the run dies between its renames.
// A target that exists and is not a regular file (a terminal, /dev/stdout, a pipe) cannot be
// replaced by renaming and is written directly. A symbolic link stays a link to the new
// content, and the new file keeps the permissions of the old one.
#pragma once

#include <cstdio>
#include <string>

namespace velmo {

class ReplacementFile {
 public:
  // `mode` is "wt" or "wb". Fatal "Can't open file: <target>" when the file cannot be created.
  ReplacementFile(std::string target, const char* mode);
  // Removes the temporary file unless it has been installed.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  FILE* stream() const { return stream_; }
  // Flushes the data to disk and closes the stream; fatal "Can't write to output file:
  // <target>" when that fails (the target then keeps its previous content).
  void finish();
  // Renames the finished temporary file over the target; fatal as finish().
  void install();
  void commit() {
    finish();
    install();
  }

 private:
  std::string target_;       // the name given, used in messages
  std::string destination_;  // the file renamed over: the target, symbolic links followed
  std::string temporary_;    // empty when writing the target directly
  FILE* stream_ = nullptr;
};

// Removes the temporary files that runs killed while writing `target` left beside it (their
// names hold the process id of a process that no longer exists).
void remove_stale_temporaries(const std::string& target);

}  // namespace velmo
