#include "base/diagnostics.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <memory>

namespace velmo {

void fatal_error(std::string_view message) {
  std::string text = "\nERROR: ";
  text += message;
  text += "!\naborted.\n";
  throw FatalError(std::move(text));
}

void fatal_error2(std::string_view message, std::string_view detail) {
  std::string text = "\nERROR: ";
  text += message;
  text += ": ";
  text += detail;
  text += "\naborted.\n";
  throw FatalError(std::move(text));
}

void fatal_error_num(std::string_view message, long number) {
  fatal_error2(message, std::to_string(number));
}

std::string string_printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(length > 0 ? length : 0, '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  return text;
}

void warning(const RunConfig& config, std::string_view message) {
  if (config.quiet) return;
  std::fprintf(stderr, "WARNING: %.*s!\n", static_cast<int>(message.size()), message.data());
}

void warning2(const RunConfig& config, std::string_view message, std::string_view detail) {
  if (config.quiet) return;
  std::fprintf(stderr, "WARNING: %.*s: %.*s\n", static_cast<int>(message.size()), message.data(),
               static_cast<int>(detail.size()), detail.data());
}

void message(const RunConfig& config, std::string_view text) {
  if (config.quiet) return;
  std::fwrite(text.data(), 1, text.size(), stderr);
}

void message_fmt(const RunConfig& config, const char* format, ...) {
  if (config.quiet) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
}

void verbose_message(const RunConfig& config, std::string_view text) {
  if (!config.verbose) return;
  std::fwrite(text.data(), 1, text.size(), stderr);
}

FILE* open_file(const std::string& name, const char* mode) {
  FILE* f = std::fopen(name.c_str(), mode);
  if (!f) fatal_error2("Can't open file", name);
  return f;
}

void check_read(FILE* in, const std::string& name) {
  if (!std::ferror(in)) return;
  // A folder opens like a file and fails at the first read.
  const char* reason = errno != 0 ? std::strerror(errno) : "read error";
  fatal_error2("Can't read from file", name + " (" + reason + ")");
}

std::string read_whole_stream(FILE* in, const std::string& name) {
  std::string bytes;
  char block[65536];
  std::size_t got = 0;
  errno = 0;
  while ((got = std::fread(block, 1, sizeof block, in)) > 0) bytes.append(block, got);
  check_read(in, name);
  return bytes;
}

std::string read_whole_file(const std::string& name) {
  std::unique_ptr<FILE, int (*)(FILE*)> in(open_file(name, "rb"), &std::fclose);
  return read_whole_stream(in.get(), name);
}

}  // namespace velmo
