#include "model/replacement_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include "driver/diagnostics.h"

namespace velmo {
namespace {

bool exists_as_special_file(const std::string& name) {
  struct stat info;
  return stat(name.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
}

}  // namespace

ReplacementFile::ReplacementFile(std::string target, const char* mode)
    : target_(std::move(target)) {
  // The process id keeps two runs that write the same base name apart.
  if (!exists_as_special_file(target_))
    temporary_ = target_ + ".tmp" + std::to_string(static_cast<long>(getpid()));
  const std::string& name = temporary_.empty() ? target_ : temporary_;
  stream_ = std::fopen(name.c_str(), mode);
  if (!stream_) fatal_error2("Can't open file", target_);
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
    ok = ok && std::rename(temporary_.c_str(), target_.c_str()) == 0;
    if (!ok) std::remove(temporary_.c_str());
  }
  if (!ok) fatal_error2("Can't write to output file", target_);
}

}  // namespace velmo
