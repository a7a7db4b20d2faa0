#include "parser/sentence.h"

namespace velmo {

namespace {

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

std::string sentence_text(const std::vector<std::string>& words) {
  std::string line = "\"";
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) line += ' ';
    for (char c : unquote(words[i])) {
      if (c == '"' || c == '\\') line += '\\';
      line += c;
    }
  }
  line += '"';
  return line;
}

void print_sentence(FILE* out, const Sentence& sentence) {
  const std::string line = sentence_text(sentence.words);
  std::fwrite(line.data(), 1, line.size(), out);
  std::fflush(out);
}

}  // namespace velmo
