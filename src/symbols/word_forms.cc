#include "symbols/word_forms.h"

namespace velmo {

namespace {

constexpr std::size_t kMaxVariantBytes = 999;

bool is_capital(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDD); }

bool is_small_or_hyphen(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFD) || c == '-';
}

}  // namespace

bool lower_case_variant(std::string_view word, std::string& variant) {
  if (word.empty() || !is_capital(static_cast<unsigned char>(word[0]))) return false;
  for (std::size_t i = 1; i < word.size(); ++i)
    if (!is_small_or_hyphen(static_cast<unsigned char>(word[i]))) return false;
  variant.assign(word.substr(0, kMaxVariantBytes));
  variant[0] = static_cast<char>(static_cast<unsigned char>(word[0]) + 0x20);
  return true;
}

}  // namespace velmo
