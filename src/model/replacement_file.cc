#include "model/replacement_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "driver/diagnostics.h"

namespace velmo {
namespace {

bool exists_as_special_file(const std::string& name) {
  struct stat info;
  return stat(name.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
}

// The file the bytes really belong to: a symbolic link is followed, so that the link survives
// and points at the new content. A name that does not exist yet is taken as it stands.
std::string resolved(const std::string& name) {
  char* real = realpath(name.c_str(), nullptr);
  if (real == nullptr) return name;
  std::string path(real);
  std::free(real);
  return path;
}

// The new file keeps the permissions of the one it replaces.
void keep_mode(const std::string& target, FILE* stream) {
  struct stat info;
  if (stat(target.c_str(), &info) == 0) fchmod(fileno(stream), info.st_mode & 07777);
}

}  // namespace

ReplacementFile::ReplacementFile(std::string target, const char* mode)
    : target_(std::move(target)) {
  // The process id keeps two runs that write the same base name apart.
  if (!exists_as_special_file(target_)) {
    destination_ = resolved(target_);
    temporary_ = destination_ + ".tmp" + std::to_string(static_cast<long>(getpid()));
  }
  const std::string& name = temporary_.empty() ? target_ : temporary_;
  stream_ = std::fopen(name.c_str(), mode);
  if (!stream_) fatal_error2("Can't open file", target_);
  if (!temporary_.empty()) keep_mode(destination_, stream_);
}

ReplacementFile::~ReplacementFile() {
  if (!stream_) return;
  std::fclose(stream_);
  if (!temporary_.empty()) std::remove(temporary_.c_str());
}

void ReplacementFile::commit() {
  bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
  ok = std::fclose(stream_) == 0 && ok;
  stream_ = nullptr;
  if (!temporary_.empty()) {
    ok = ok && std::rename(temporary_.c_str(), destination_.c_str()) == 0;
    if (!ok) std::remove(temporary_.c_str());
  }
  if (!ok) fatal_error2("Can't write to output file", target_);
}

}  // namespace velmo
