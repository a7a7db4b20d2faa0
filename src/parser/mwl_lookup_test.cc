#include "parser/mwl_lookup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/diagnostics.h"

namespace velmo {
namespace {

// Inserts a lexeme into the trie as the lexicon does: from its last word to its first, keys
// kept in byte order.
void insert(MwlNode& root, const std::vector<std::string>& words, int entry) {
  MwlNode* node = &root;
  for (auto it = words.rbegin(); it != words.rend(); ++it) {
    auto pos = std::lower_bound(node->words.begin(), node->words.end(), *it);
    size_t index = pos - node->words.begin();
    if (pos == node->words.end() || *pos != *it) {
      node->words.insert(pos, *it);
      node->children.insert(node->children.begin() + index, MwlNode{});
    }
    node = &node->children[index];
  }
  node->entry = entry;
}

Sentence plain_sentence(const std::vector<std::string>& words) {
  Sentence sentence;
  for (const std::string& word : words) {
    sentence.words.push_back(word);
    sentence.starts.push_back(sentence.position_count);
    sentence.ends.push_back(++sentence.position_count);
  }
  return sentence;
}

// Every lexeme found after each word in turn, as "entry:start-end:text".
std::vector<std::string> lookup_all(const MwlNode& root, const Sentence& sentence) {
  std::vector<std::string> found;
  MwlLookup lookup;
  MwlFound record = [&](int entry, int start, int end, std::string_view text) {
    found.push_back(std::to_string(entry) + ":" + std::to_string(start) + "-" +
                    std::to_string(end) + ":" + std::string(text));
  };
  for (int w = 0; w < sentence.word_count(); ++w) {
    lookup.mwl_lookup_node(root, sentence, w, record);
  }
  return found;
}

TEST(MwlLookupTest, FindsLexemesEndingAtEachWord) {
  MwlNode root;
  insert(root, {"New", "York"}, 4);
  insert(root, {"New", "York", "City"}, 5);
  insert(root, {"York", "City"}, 6);
  insert(root, {"de", "facto"}, 2);
  Sentence sentence = plain_sentence({"in", "New", "York", "City", "de", "facto", "York"});
  // The shorter lexeme is reported before the longer one that extends it backwards.
  EXPECT_EQ(lookup_all(root, sentence),
            (std::vector<std::string>{"4:1-3:New York", "6:2-4:York City",
                                      "5:1-4:New York City", "2:4-6:de facto"}));
}

TEST(MwlLookupTest, ComparesWordsByteForByte) {
  MwlNode root;
  insert(root, {"New", "York"}, 1);
  EXPECT_TRUE(lookup_all(root, plain_sentence({"new", "York"})).empty());
  EXPECT_TRUE(lookup_all(root, plain_sentence({"New", "York."})).empty());
  EXPECT_TRUE(lookup_all(root, plain_sentence({"York", "New"})).empty());
}

TEST(MwlLookupTest, FollowsEveryLatticeWordEndingWhereTheWordStarts) {
  MwlNode root;
  insert(root, {"a", "b", "c"}, 1);
  insert(root, {"x", "c"}, 2);
  Sentence sentence;
  // Spans: a 0-1, x 0-2, b 1-2, c 2-3, c 3-4 (the last one follows the first c only).
  const std::vector<std::pair<std::string, std::pair<int, int>>> words = {
      {"a", {0, 1}}, {"x", {0, 2}}, {"b", {1, 2}}, {"c", {2, 3}}, {"c", {3, 4}}};
  for (const auto& [word, span] : words) {
    sentence.words.push_back(word);
    sentence.starts.push_back(span.first);
    sentence.ends.push_back(span.second);
  }
  sentence.position_count = 4;
  EXPECT_EQ(lookup_all(root, sentence),
            (std::vector<std::string>{"2:0-3:x c", "1:0-3:a b c"}));
}

TEST(MwlLookupTest, JoinedWordsThatOutgrowTheBufferAreFatal) {
  const std::string big(5000, 'x');
  MwlNode root;
  insert(root, {big, big, big}, 0);
  Sentence sentence = plain_sentence({big, big, big});
  try {
    lookup_all(root, sentence);
    FAIL() << "no error";
  } catch (const FatalError& e) {
    EXPECT_EQ(e.text(), "Error in function: mwl_lookup_node: " + big + " \n");
    EXPECT_EQ(e.status(), 1);
  }
}

}  // namespace
}  // namespace velmo
