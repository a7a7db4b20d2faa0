// Helpers every test may use: a fatal error as its text, streams over strings and what a printer
// writes, files and scratch folders on disk.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "base/diagnostics.h"

namespace velmo::testing {

// The text of the fatal error `f` raises, or "(no error)".
inline std::string fatal_text(const std::function<void()>& f) {
  try {
    f();
  } catch (const FatalError& e) {
    return e.text();
  }
  return "(no error)";
}

// A seekable stream holding `bytes`, positioned at the start; the caller closes it.
inline FILE* stream_of(const std::string& bytes) {
  FILE* f = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  return f;
}

// The bytes a stream holds, from its start.
inline std::string stream_contents(FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string s;
  for (int c; (c = std::getc(f)) != EOF;) s.push_back(static_cast<char>(c));
  return s;
}

// Runs `read` on a stream holding `text`, closing the stream even when `read` throws.
template <class Read>
auto read_from(const std::string& text, Read read) {
  FILE* f = stream_of(text);
  try {
    auto result = read(f);
    std::fclose(f);
    return result;
  } catch (...) {
    std::fclose(f);
    throw;
  }
}

// What `print` writes to the stream it is given.
template <class Print>
std::string captured(Print print) {
  FILE* f = std::tmpfile();
  print(f);
  std::string text = stream_contents(f);
  std::fclose(f);
  return text;
}

inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void write_file(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A fresh folder under /tmp, removed with everything in it at the end of the test.
class ScratchDir {
 public:
  ScratchDir() {
    char pattern[] = "/tmp/velmo_test_XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~ScratchDir() { std::filesystem::remove_all(path_); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  std::string read(const std::string& name) const { return read_file(path_ / name); }
  void write(const std::string& name, const std::string& text) const {
    write_file(path_ / name, text);
  }

 private:
  std::filesystem::path path_;
};

}  // namespace velmo::testing
