#include "base/text_input.h"

#include <algorithm>

#include "base/diagnostics.h"

namespace velmo {

namespace {

constexpr std::size_t kMaxStoredString = 1000;  // 999 bytes and the terminating NUL

bool is_field_end(unsigned char c) { return c == '\t' || c == '\n'; }

// Trailing spaces of a field are not part of it.
std::string_view trim_back(std::string_view field) {
  while (!field.empty() && is_space(static_cast<unsigned char>(field.back()))) {
    field.remove_suffix(1);
  }
  return field;
}

// Skips leading spaces; an all-space cursor becomes empty.
void skip_spaces(std::string_view& cursor) {
  std::size_t i = 0;
  while (i < cursor.size() && is_space(static_cast<unsigned char>(cursor[i]))) ++i;
  cursor.remove_prefix(i);
}

}  // namespace

bool is_space(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0xA0;
}

bool is_lower(unsigned char c) { return (c >= 'a' && c <= 'z') || c >= 0xDF; }

// Reads exactly what fgets would store in a buffer of `size` bytes: at most size-1 bytes, up to
// and including a newline. When all size-1 bytes were used the buffer was full and the line may
// go on, so it is rejected; that makes the longest accepted line size-3 bytes plus newline.
// Like a C string, the line ends at an embedded NUL byte.
bool read_line(FILE* in, std::string& line, std::size_t size) {
  line.clear();
  const std::size_t capacity = size - 1;
  int c = 0;
  while (line.size() < capacity && (c = getc_unlocked(in)) != EOF) {
    line.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  if (line.empty()) return false;
  const bool full = line.size() == capacity;
  line.resize(std::min(line.size(), line.find('\0')));
  if (full) fatal_error2("Line is too long at", line);
  return true;
}

bool read_long_line(FILE* in, std::string& line) {
  line.clear();
  int c = 0;
  while ((c = getc_unlocked(in)) != EOF) {
    line.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  return !line.empty();
}

namespace {

// Skips leading spaces, then takes the bytes up to the first one for which `ends` holds;
// the cursor moves past that byte.
template <class Ends>
std::string_view take_until(std::string_view& cursor, Ends ends) {
  skip_spaces(cursor);
  std::size_t end = 0;
  while (end < cursor.size() && !ends(static_cast<unsigned char>(cursor[end]))) ++end;
  std::string_view taken = cursor.substr(0, end);
  cursor.remove_prefix(end < cursor.size() ? end + 1 : end);
  return taken;
}

}  // namespace

std::string_view next_token(std::string_view& cursor) { return take_until(cursor, is_space); }

std::string_view next_field(std::string_view& cursor) {
  return trim_back(take_until(cursor, is_field_end));
}

std::string read_string(FILE* in) {
  std::string text;
  int c = 0;
  while ((c = std::getc(in)) != EOF && c != 0 && text.size() + 1 < kMaxStoredString) {
    text.push_back(static_cast<char>(c));
  }
  if (c != 0) fatal_error("while reading string from file");
  return text;
}

void write_string(std::string_view s, FILE* out) {
  std::fwrite(s.data(), 1, s.size(), out);
  std::fputc(0, out);
}

MemoryInput::MemoryInput(std::string_view bytes)
    : stream_(fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "r")) {
  if (!stream_) fatal_error("Not enough memory");
}

MemoryInput::~MemoryInput() { std::fclose(stream_); }

std::string format_double(double value) { return string_printf("%100f", value); }

}  // namespace velmo
