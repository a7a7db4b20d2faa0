// Line reading with a length limit, splitting of lines into tokens and tab-separated fields,
// and the NUL-terminated strings of binary files. Text is bytes in ISO 8859-1.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace velmo {

// Space, tab, CR, LF and the no-break space 0xA0.
bool is_space(unsigned char c);
// 'a'..'z' and the ISO 8859-1 lower-case letters 0xDF..0xFF.
bool is_lower(unsigned char c);

// Reads one line, newline included, as fgets into a buffer of `size` bytes would. Returns false
// at end of input. A line of more than size-3 bytes before its newline (size-2 for a last line
// without newline) is fatal "Line is too long at: <its first size-1 bytes>".
bool read_line(FILE* in, std::string& line, std::size_t size);

// Reads one line of any length, newline included; false at end of input.
bool read_long_line(FILE* in, std::string& line);

// The next run of non-space bytes; advances `cursor` past it and one separator.
// Returns an empty view when the cursor holds only spaces (and then empties the cursor).
std::string_view next_token(std::string_view& cursor);
// The next tab- or newline-separated field with surrounding spaces trimmed (inner blanks
// kept); advances `cursor` past the field and its separator. Empty when the field is empty.
std::string_view next_field(std::string_view& cursor);

// A read-only stream over bytes held in memory, for the readers that take a stream. The bytes
// must outlive it.
class MemoryInput {
 public:
  explicit MemoryInput(std::string_view bytes);
  ~MemoryInput();
  MemoryInput(const MemoryInput&) = delete;
  MemoryInput& operator=(const MemoryInput&) = delete;
  FILE* get() const { return stream_; }

 private:
  FILE* stream_;
};

// The longest name a binary file holds (the strings of read_string).
constexpr std::size_t kMaxStoredName = 999;
// Reads a NUL-terminated string of at most 999 bytes; fatal "while reading string from file".
std::string read_string(FILE* in);
// Writes the bytes and one NUL.
void write_string(std::string_view s, FILE* out);

// The value formatted "%100f" (the detail of "invalid probability value").
std::string format_double(double value);

}  // namespace velmo
