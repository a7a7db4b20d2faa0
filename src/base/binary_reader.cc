#include "base/binary_reader.h"

#include "base/diagnostics.h"
#include "base/text_input.h"

namespace velmo {

BinaryReader::BinaryReader(FILE* in, std::string name) : in_(in), name_(std::move(name)) {
  long start = std::ftell(in);
  if (start >= 0 && std::fseek(in, 0, SEEK_END) == 0) {
    size_ = std::ftell(in);
    if (std::fseek(in, start, SEEK_SET) != 0) size_ = -1;
  }
}

int32_t BinaryReader::int32() {
  int32_t value;
  get(&value, sizeof value);
  return value;
}

int16_t BinaryReader::int16() {
  int16_t value;
  get(&value, sizeof value);
  return value;
}

float BinaryReader::float32() {
  float value;
  get(&value, sizeof value);
  return value;
}

double BinaryReader::float64() {
  double value;
  get(&value, sizeof value);
  return value;
}

std::string BinaryReader::string() {
  std::string s = read_string(in_);
  check_read(in_, name_);
  return s;
}

bool BinaryReader::flag() {
  int32_t value = int32();
  if (value != 0 && value != 1) corrupt();
  return value == 1;
}

int BinaryReader::count(long long min_bytes, long long limit) {
  int32_t value = int32();
  if (value < 0 || value > limit) corrupt();
  expect(value * min_bytes);
  return value;
}

void BinaryReader::expect(long long bytes) const {
  if (!can_hold(bytes)) short_read();
}

int BinaryReader::id(int limit, int low) {
  int32_t value = int32();
  if (value < low || value >= limit) corrupt();
  return value;
}

bool BinaryReader::at_end() {
  if (std::fgetc(in_) == EOF) {
    check_read(in_, name_);
    return true;
  }
  return false;
}

void BinaryReader::corrupt() const { fatal_error2("Corrupt parameter file", name_); }

void BinaryReader::short_read() const {
  check_read(in_, name_);
  fatal_error("while reading from input file");
}

bool BinaryReader::can_hold(long long bytes) const {
  if (size_ < 0) return true;
  long position = std::ftell(in_);
  return position >= 0 && bytes <= size_ - position;
}

void BinaryReader::get(void* data, size_t size) {
  if (std::fread(data, size, 1, in_) != 1) short_read();
}

}  // namespace velmo
