// How the program reports: one exception type for every fatal condition (main prints its text
// and exits with its status), warnings and progress messages on standard error that -quiet
// silences, and open_file, the one place where named files are opened.
#pragma once

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "base/run_config.h"

namespace velmo {

// Thrown by library code for every fatal condition. text() is written to standard error as it
// stands, then the process exits with status().
class FatalError : public std::exception {
 public:
  explicit FatalError(std::string text, int status = 1) : text_(std::move(text)), status_(status) {}
  const char* what() const noexcept override { return text_.c_str(); }
  const std::string& text() const { return text_; }
  int status() const { return status_; }

 private:
  std::string text_;
  int status_;
};

// "\nERROR: <message>!\naborted.\n"
[[noreturn]] void fatal_error(std::string_view message);
// "\nERROR: <message>: <detail>\naborted.\n"
[[noreturn]] void fatal_error2(std::string_view message, std::string_view detail);
// fatal_error2 with the number formatted "%ld" as detail ("... at line: 12").
[[noreturn]] void fatal_error_num(std::string_view message, long number);

// printf into a std::string.
std::string string_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "WARNING: <message>!\n" unless quiet.
void warning(const RunConfig& config, std::string_view message);
// "WARNING: <message>: <detail>\n" unless quiet.
void warning2(const RunConfig& config, std::string_view message, std::string_view detail);
// The text as it stands, unless quiet.
void message(const RunConfig& config, std::string_view text);
// printf-formatted text, unless quiet.
void message_fmt(const RunConfig& config, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
// The text as it stands, only with -verbose.
void verbose_message(const RunConfig& config, std::string_view text);

// fopen with the mode ("rt", "wt", "rb", "wb"); fatal "Can't open file: <name>" on failure.
FILE* open_file(const std::string& name, const char* mode);

// Fatal "Can't read from file: <name> (<reason>)" when a read of the stream failed (as opposed
// to meeting the end); call it where a reader has stopped.
void check_read(FILE* in, const std::string& name);

// The whole content of a named file, read at once: readers that take two passes then work on
// pipes and FIFOs too, and a failed read is reported with the file's name.
std::string read_whole_file(const std::string& name);
// The rest of an open stream; `name` is for the message of a failed read.
std::string read_whole_stream(FILE* in, const std::string& name);

}  // namespace velmo
