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

// A word written as "text" loses its quotes; inside them a backslash makes the next byte
// literal. Words not of that shape are kept as they are.
std::string unquote(std::string_view word) {
  if (word.empty() || word[0] != '"') return std::string(word);
  std::string copied;
  for (std::size_t i = 1; i < word.size(); ++i) {
    if (word[i] == '\\') {
      if (++i == word.size()) break;
    }
    copied += word[i];
  }
  if (copied.empty() || copied.back() != '"') return std::string(word);
  copied.pop_back();
  return copied;
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

std::string sentence_text(const std::vector<std::string>& words) {
  std::string line = "\"";
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) line += ' ';
    append_escaped(line, unquote(words[i]));
  }
  line += '"';
  return line;
}

void print_sentence(FILE* out, const Sentence& sentence) {
  const std::string line = sentence_text(sentence.words);
  std::fwrite(line.data(), 1, line.size(), out);
  std::fflush(out);
}

std::string_view head_string(int head, const Lexicon& lexicon, const RunConfig& config) {
  if (head < -1) return "<unknown>";
  return lexical_item_name(lexicon, head, config);
}

}  // namespace velmo
