#include "parser/sentence_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/test_support.h"
#include "driver/text_input.h"

namespace velmo {
namespace {

struct Options {
  bool lattice = false;
  bool weights = false;
};

class SentenceReaderTest : public ::testing::Test {
 protected:
  SentenceReaderTest() { grammar_.symbols.assign({"S", "NP", "VP", "DT", "N", "V"}); }

  // Reads the whole input as the sentence loop does and describes every sentence that has
  // words or brackets: "w<weight> " with weights, each word as word[start,end]<categories>,
  // each bracket as (start,end:categories), then "|".
  std::string transcribe(const std::string& input, Options options) {
    RunConfig config;
    config.quiet = true;
    config.lattice_input = options.lattice;
    config.sent_weights = options.weights;
    FILE* in = testing::stream_of(input);
    std::string result;
    try {
      SentenceReader reader(in, grammar_, config);
      while (!reader.at_end()) {
        Sentence sentence;
        if (options.weights && !reader.read_weight(sentence)) break;
        read_words(reader, sentence);
        if (sentence.words.empty() && sentence.brackets.empty()) continue;
        describe(sentence, options, result);
      }
    } catch (const FatalError& e) {
      result += e.text();
    }
    std::fclose(in);
    return result;
  }

  void read_words(SentenceReader& reader, Sentence& sentence) {
    WordLine line;
    while (reader.next_word(sentence, line)) {
      sentence.words.emplace_back(line.word);
      sentence.starts.push_back(line.start);
      sentence.ends.push_back(line.end);
      sentence.position_count = std::max(sentence.position_count, line.end);
      std::string word = sentence.words.back() + "[" + std::to_string(line.start) + "," +
                         std::to_string(line.end) + "]";
      std::string_view cursor = line.categories;
      std::string names;
      for (auto name = next_token(cursor); !name.empty(); name = next_token(cursor)) {
        names += (names.empty() ? "" : ",") + std::string(name);
      }
      if (!names.empty()) word += "<" + names + ">";
      described_words_.push_back(word);
    }
  }

  void describe(const Sentence& sentence, Options options, std::string& result) {
    if (options.weights) result += "w" + string_printf("%g", sentence.weight) + " ";
    for (const std::string& word : described_words_) result += word + " ";
    described_words_.clear();
    for (const Bracket& b : sentence.brackets) {
      result += "(" + std::to_string(b.start) + "," + std::to_string(b.end) + ":";
      for (size_t i = 0; i < b.categories.size(); ++i) {
        result += (i ? "," : "") + grammar_.name(b.categories[i]);
      }
      result += ") ";
    }
    result += "| ";
  }

  Grammar grammar_;
  std::vector<std::string> described_words_;
};

struct Case {
  const char* input;
  Options options;
  const char* expected;
};

TEST_F(SentenceReaderTest, SplitsTheInputIntoSentences) {
  const Case cases[] = {
      {"a\nb\nc\n\nd\ne\n", {}, "a[0,1] b[1,2] c[2,3] | d[0,1] e[1,2] | "},
      {"\n\n\na\n\n \t\n\n", {}, "a[0,1] | "},
      {"a\nb", {}, "a[0,1] b[1,2] | "},
      {"", {}, ""},
      // The word is the first field: inner blanks stay, surrounding white space goes.
      {"New York\tNNP\n", {}, "New York[0,1]<NNP> | "},
      {"  spaced \t NN  VB\tX\r\n", {}, "spaced[0,1]<NN,VB,X> | "},
      {"a\t\n", {}, "a[0,1] | "},
      // A lattice word may span several positions; a line with both numbers but no word, or
      // with nothing at all, ends the sentence.
      {"0 1 a\n1 2 b\n0 2 c\n", {true}, "a[0,1] b[1,2] c[0,2] | "},
      {"0 1 a\n0 1\n1 2 b\n", {true}, "a[0,1] | b[1,2] | "},
      {"0 1 a\n \n1 2 b\n", {true}, "a[0,1] | b[1,2] | "},
      {"0 3 New York\tNNP\n", {true}, "New York[0,3]<NNP> | "},
      {"0 9999 a\n", {true}, "a[0,9999] | "},
      {"07 08 a\n", {true}, "a[7,8] | "},
  };
  for (const Case& c : cases) EXPECT_EQ(transcribe(c.input, c.options), c.expected) << c.input;
}

TEST_F(SentenceReaderTest, ReadsAWeightBeforeEachSentence) {
  const Case cases[] = {
      {"0.5\na\nb\n\n2\nc\n", {false, true}, "w0.5 a[0,1] b[1,2] | w2 c[0,1] | "},
      // The weight line is simply the next line: an extra empty line is a weight of 0, and the
      // real weight after it becomes a word.
      {"0.5\na\n\n\n3\n", {false, true}, "w0.5 a[0,1] | w0 3[0,1] | "},
      {"x\na\n", {false, true}, "w0 a[0,1] | "},
      {"1\n", {false, true}, ""},
      {"1e999\na\n", {false, true},
       "\nERROR: Missing sentence weight in input file at: 1e999\n\naborted.\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(transcribe(c.input, c.options), c.expected) << c.input;
}

TEST_F(SentenceReaderTest, RecordsBracketsAtWordIndices) {
  const Case cases[] = {
      {"\t( NP\nthe\ndog\n\t)\n\t[\nbarks\n", {},
       "the[0,1] dog[1,2] barks[2,3] (0,2:NP) (2,-2:) | "},
      // ")" closes the innermost open "(", never a "[" bracket.
      {"\t(\na\n\t( VP NP\n\t[ DT\nb\nc\n\t)\n\t)\n", {},
       "a[0,1] b[1,2] c[2,3] (0,3:) (1,3:VP,NP) (1,-2:DT) | "},
      {"\t(\t S'\na\n", {}, "a[0,1] (0,-1:S) | "},
      {"0 2 a\n\t(\n2 3 b\n\t)\n", {true}, "a[0,2] b[2,3] (1,2:) | "},
  };
  for (const Case& c : cases) EXPECT_EQ(transcribe(c.input, c.options), c.expected) << c.input;
}

TEST_F(SentenceReaderTest, RejectsMalformedLines) {
  const Case cases[] = {
      {"x 1 a\n", {true}, "\nERROR: Missing start position in input file at: x\naborted.\n"},
      {"0\n", {true}, "\nERROR: Missing end position in input file at: 0\naborted.\n"},
      {"0 y a\n", {true}, "\nERROR: Missing end position in input file at: 0\naborted.\n"},
      {"1 1 a\n", {true}, "\nERROR: Invalid positional attributes in input file at: 1\naborted.\n"},
      {"2 1 a\n", {true}, "\nERROR: Invalid positional attributes in input file at: 2\naborted.\n"},
      {"-1 1 a\n", {true},
       "\nERROR: Invalid positional attributes in input file at: -1\naborted.\n"},
      {"0 10000 a\n", {true},
       "\nERROR: Invalid positional attributes in input file at: 0\naborted.\n"},
      {"0 99999999999999999999 a\n", {true},
       "\nERROR: Invalid positional attributes in input file at: 0\naborted.\n"},
      {"\tNP\n", {},
       "\nERROR: line starts with tab character but no bracketing follows!\naborted.\n"},
      {"a\n\t\n", {},
       "\nERROR: line starts with tab character but no bracketing follows!\naborted.\n"},
      {"\t((\n", {},
       "\nERROR: line starts with tab character but no bracketing follows!\naborted.\n"},
      {"a\n\t)\n", {}, "\nERROR: unexpected closing bracket!\naborted.\n"},
      {"\t[\na\n\t)\n", {}, "\nERROR: unexpected closing bracket!\naborted.\n"},
      {"a\n\t(\n\t)\n", {}, "\nERROR: Empty brackets!\naborted.\n"},
      {"\t( NP XP\n", {}, "\nERROR: Unknown grammar symbol: XP\naborted.\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(transcribe(c.input, c.options), c.expected) << c.input;
}

TEST_F(SentenceReaderTest, LinesAreLimitedToTheSentenceBuffer) {
  const std::string longest(9997, 'w');
  EXPECT_EQ(transcribe(longest + "\n", {}), longest + "[0,1] | ");
  const std::string too_long(9998, 'w');
  EXPECT_EQ(transcribe(too_long + "\n", {}),
            "\nERROR: Line is too long at: " + too_long + "\n\naborted.\n");
}

}  // namespace
}  // namespace velmo
