#include "base/replacement_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "base/diagnostics.h"

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

// A temporary file is named after its target, this mark and the process id.
constexpr const char* kTemporaryMark = ".tmp";

// The folder's entry for a renamed file reaches the disk too (best effort: some file systems
// cannot sync a folder).
void sync_folder(const std::string& file) {
  const std::filesystem::path parent = std::filesystem::path(file).parent_path();
  int fd = open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
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
    temporary_ = destination_ + kTemporaryMark + std::to_string(static_cast<long>(getpid()));
  }
  const std::string& name = temporary_.empty() ? target_ : temporary_;
  stream_ = std::fopen(name.c_str(), mode);
  if (!stream_) fatal_error2("Can't open file", target_);
  if (!temporary_.empty()) keep_mode(destination_, stream_);
}

ReplacementFile::~ReplacementFile() {
  if (stream_) std::fclose(stream_);
  if (!temporary_.empty()) std::remove(temporary_.c_str());
}

void ReplacementFile::finish() {
  bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
  // Data on disk before the rename, or a crash could leave an empty file under the name.
  if (ok && !temporary_.empty()) ok = fsync(fileno(stream_)) == 0;
  ok = std::fclose(stream_) == 0 && ok;
  stream_ = nullptr;
  if (!ok) fatal_error2("Can't write to output file", target_);
}

void ReplacementFile::install() {
  if (temporary_.empty()) return;
  if (std::rename(temporary_.c_str(), destination_.c_str()) != 0)
    fatal_error2("Can't write to output file", target_);
  temporary_.clear();
  sync_folder(destination_);
}

void remove_stale_temporaries(const std::string& target) {
  namespace fs = std::filesystem;
  const fs::path destination = resolved(target);
  const std::string prefix = destination.filename().string() + kTemporaryMark;
  fs::path folder = destination.parent_path();
  if (folder.empty()) folder = ".";
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string digits = name.substr(prefix.size());
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    const long pid = std::strtol(digits.c_str(), nullptr, 10);
    // A live process of that id may be another run writing the same files.
    if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    std::remove(entry.path().c_str());
  }
}

}  // namespace velmo
