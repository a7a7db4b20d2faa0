#include "output/quote.h"

namespace velmo {

namespace {

bool quoting_on(const RunConfig& config) { return config.quote || config.vpf || config.tgrep; }

void append_tgrep_char(std::string& result, char c) {
  switch (c) {
    case '"': result += "''"; break;
    case '(': result += "@L@"; break;
    case ')': result += "@R@"; break;
    case '{': result += "@l@"; break;
    case '}': result += "@r@"; break;
    case ' ': result += '_'; break;
    default: result += c;
  }
}

void append_escaped(std::string& result, std::string_view s) {
  for (char c : s) {
    if (c == '"' || c == '\\') result += '\\';
    result += c;
  }
}

}  // namespace

std::string quote_string(std::string_view s, const RunConfig& config) {
  if (!quoting_on(config)) return std::string(s);
  std::string result = "\"";
  if (config.tgrep) {
    for (char c : s) append_tgrep_char(result, c);
  } else {
    append_escaped(result, s);
  }
  result += '"';
  return result;
}

std::string_view head_string(int head, const Lexicon& lexicon, const RunConfig& config) {
  if (head < -1) return "<unknown>";
  return lexical_item_name(lexicon, head, config);
}

}  // namespace velmo
