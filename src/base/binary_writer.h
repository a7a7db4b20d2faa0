// BinaryWriter: the values of the program's binary files (parameter file, lexicalised frequency
// and pooling files) written with every failure checked. A failed write is fatal "Can't write to
// output file", an int array written short "while writing to output file", and a probability
// outside 0..1 (or NaN) "invalid probability value" with the value, so that no file is written
// that the reader would refuse.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

namespace velmo {

class BinaryWriter {
 public:
  // The stream stays the caller's.
  explicit BinaryWriter(FILE* out) : out_(out) {}

  void int32(int32_t value) { put(&value, sizeof value); }
  void int16(int16_t value) { put(&value, sizeof value); }
  void float32(float value) { put(&value, sizeof value); }
  void float64(double value) { put(&value, sizeof value); }
  void flag(bool value) { int32(value ? 1 : 0); }
  // Checked to lie within 0..1, then written in double (single) precision.
  void probability(double value);
  void probability32(float value);
  // The bytes and a terminating NUL.
  void string(std::string_view text);
  void int32_array(const std::vector<int>& values);
  // Flushes the stream; fatal when anything written so far was lost.
  void finish();

 private:
  void put(const void* data, size_t size);

  FILE* out_;
};

}  // namespace velmo
