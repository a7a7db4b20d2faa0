// Word-form helpers of the word lookup.
#pragma once

#include <string>
#include <string_view>

namespace velmo {

// The lower-case variant of a capitalised word: exists only when the first byte is a capital
// ('A'-'Z', 0xC0-0xDD) and every further byte is 'a'-'z', 0xE0-0xFD or '-'. The variant has
// the first byte raised by 32; at most 999 bytes are kept.
bool lower_case_variant(std::string_view word, std::string& variant);

}  // namespace velmo
