// ReplacementFile: an output file that replaces its target only when it is complete. The data
// go to a temporary file in the target's folder, which commit() closes and renames over the
// target, so a run killed while writing leaves the previous version of the target intact.
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
  // Removes the temporary file unless commit() has run.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  FILE* stream() const { return stream_; }
  // Flushes, closes and renames over the target; fatal "Can't write to output file: <target>"
  // when any of these fails (the target then keeps its previous content).
  void commit();

 private:
  std::string target_;       // the name given, used in messages
  std::string destination_;  // the file renamed over: the target, symbolic links followed
  std::string temporary_;    // empty when writing the target directly
  FILE* stream_ = nullptr;
};

}  // namespace velmo
