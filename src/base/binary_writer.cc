#include "base/binary_writer.h"

#include "base/diagnostics.h"
#include "base/text_input.h"

namespace velmo {

namespace {

void check_probability(double value) {
  // NaN is no probability either, though it compares neither below 0 nor above 1.
  if (!(value >= 0 && value <= 1)) fatal_error2("invalid probability value", format_double(value));
}

}  // namespace

void BinaryWriter::probability(double value) {
  check_probability(value);
  float64(value);
}

void BinaryWriter::probability32(float value) {
  check_probability(value);
  float32(value);
}

void BinaryWriter::string(std::string_view text) {
  write_string(text, out_);
  if (std::ferror(out_)) fatal_error("Can't write to output file");
}

void BinaryWriter::int32_array(const std::vector<int>& values) {
  static_assert(sizeof(int) == sizeof(int32_t));
  if (std::fwrite(values.data(), sizeof(int), values.size(), out_) != values.size())
    fatal_error("while writing to output file");
}

void BinaryWriter::finish() {
  if (std::fflush(out_) != 0 || std::ferror(out_)) fatal_error("Can't write to output file");
}

void BinaryWriter::put(const void* data, size_t size) {
  if (std::fwrite(data, size, 1, out_) != 1) fatal_error("Can't write to output file");
}

}  // namespace velmo
