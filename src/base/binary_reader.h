// BinaryReader: the values of the program's binary files (parameter file, lexicalised frequency
// and pooling files) read with every check a damaged file needs. A count is checked against
// its limit and against what the rest of the file can still hold before anything is sized by
// it, an id against the table it indexes; a short read is "while reading from input file", a
// value no sound file holds "Corrupt parameter file: <name>".
#pragma once

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>

namespace velmo {

class BinaryReader {
 public:
  // `name` names the file in messages; the stream stays the caller's.
  BinaryReader(FILE* in, std::string name);

  int32_t int32();
  int16_t int16();
  float float32();
  double float64();
  // A NUL-terminated string of at most 999 bytes.
  std::string string();
  // 0 or 1.
  bool flag();
  // A count of records of at least `min_bytes` each, at most `limit`. Records that the rest of
  // the file cannot hold mean the file was cut short: reported as the short read it would
  // become.
  int count(long long min_bytes, long long limit = INT32_MAX);
  // At least `bytes` more bytes must follow.
  void expect(long long bytes) const;
  // An id from `low` to below `limit`.
  int id(int limit, int low = 0);
  // True when nothing follows.
  bool at_end();
  [[noreturn]] void corrupt() const;
  const std::string& name() const { return name_; }

 private:
  [[noreturn]] void short_read() const;
  bool can_hold(long long bytes) const;
  void get(void* data, size_t size);

  FILE* in_;
  std::string name_;
  long size_ = -1;  // unknown for a pipe
};

}  // namespace velmo
