#include "parser/sentence_reader.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "base/diagnostics.h"
#include "base/text_input.h"
#include "parser/chart.h"

namespace velmo {

namespace {

// The decimal number at the front of `token`; false when the token does not begin with one.
// Trailing bytes are ignored, as strtol does.
bool leading_number(std::string_view token, long& value) {
  std::string text(token);
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 10);
  return end != text.c_str();
}

}  // namespace

bool SentenceReader::read(std::string& line) {
  if (read_line(in_, line, kSentenceLineSize)) return true;
  check_read(in_, config_.input_file.empty() ? "standard input" : config_.input_file);
  at_end_ = true;
  return false;
}

bool SentenceReader::read_weight(Sentence& sentence) {
  if (!read(line_)) return false;
  errno = 0;
  sentence.weight = std::strtod(line_.c_str(), nullptr);
  // Only a range error counts as missing: a line without a number is weight 0.
  if (errno == ERANGE || !std::isfinite(sentence.weight)) fatal_error2("Missing sentence weight in input file at", line_);
  return true;
}

bool SentenceReader::next_word(Sentence& sentence, WordLine& word) {
  while (read(line_)) {
    if (line_.empty() || line_[0] != '\t') return parse_word_line(sentence, word);
    parse_bracket_line(sentence);
  }
  return false;
}

bool SentenceReader::parse_word_line(const Sentence& sentence, WordLine& word) {
  std::string_view cursor(line_);
  if (config_.lattice_input) {
    std::string_view probe = cursor;
    if (next_token(probe).empty()) return false;
    parse_positions(cursor, word);
  } else {
    word.start = sentence.position_count;
    word.end = sentence.position_count + 1;
  }
  word.word = next_field(cursor);
  word.categories = cursor;
  return !word.word.empty();
}

// Positions are chart positions, not word indices: a lattice word may span several. They must
// lie in the chart (0..kMaxPositions-1), and a word must cover at least one position.
void SentenceReader::parse_positions(std::string_view& cursor, WordLine& word) {
  std::string_view first = next_token(cursor);
  long start = 0, end = 0;
  if (!leading_number(first, start)) fatal_error2("Missing start position in input file at", first);
  if (!leading_number(next_token(cursor), end)) {
    fatal_error2("Missing end position in input file at", first);
  }
  if (start < 0 || end >= kMaxPositions || end <= start) {
    fatal_error2("Invalid positional attributes in input file at", first);
  }
  word.start = static_cast<int>(start);
  word.end = static_cast<int>(end);
}

void SentenceReader::parse_bracket_line(Sentence& sentence) {
  std::string_view cursor(line_);
  std::string_view kind = next_token(cursor);
  const int here = sentence.word_count();
  if (kind == "(" || kind == "[") {
    Bracket bracket;
    bracket.start = here;
    bracket.end = kind == "(" ? Bracket::kOpen : Bracket::kOpenEnded;
    add_bracket_categories(cursor, bracket);
    sentence.brackets.push_back(std::move(bracket));
    return;
  }
  if (kind != ")") fatal_error("line starts with tab character but no bracketing follows");
  for (auto it = sentence.brackets.rbegin(); it != sentence.brackets.rend(); ++it) {
    if (it->end != Bracket::kOpen) continue;
    if (it->start == here) fatal_error("Empty brackets");
    it->end = here;
    return;
  }
  fatal_error("unexpected closing bracket");
}

void SentenceReader::add_bracket_categories(std::string_view cursor, Bracket& bracket) {
  for (std::string_view name = next_token(cursor); !name.empty(); name = next_token(cursor)) {
    const std::vector<int>* mapped = matching_ ? matching_->map_treebank_label(name) : nullptr;
    if (mapped) {
      bracket.categories.insert(bracket.categories.end(), mapped->begin(), mapped->end());
    } else {
      bracket.categories.push_back(grammar_.symbols.lookup(name, LookupMode::kFatal, config_));
    }
  }
}

}  // namespace velmo
