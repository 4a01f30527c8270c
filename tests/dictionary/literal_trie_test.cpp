// The literal trie against a plain search, in a small trie and in one large enough to keep its
// nodes two bytes deep in a table: every occurrence at a character start, and only those.
#include "dictionary/literal_trie.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace kelmo {
namespace {

// Bytes drawn from a small alphabet of lead bytes, trail bytes and ASCII, so that strings share
// prefixes and occur in texts.
std::string RandomString(std::mt19937& random, int shortest, int longest) {
  static const std::string kBytes = std::string("\x82\x83\x88\xE0\x40\x5C\x9F\xA0") + "ABab01";
  std::string text;
  const int length = std::uniform_int_distribution<int>(shortest, longest)(random);
  for (int i = 0; i < length; ++i) {
    text += kBytes[std::uniform_int_distribution<size_t>(0, kBytes.size() - 1)(random)];
  }
  return text;
}

// The offsets where the characters of text start.
std::vector<int> CharacterStarts(const std::string& text, const TbmLeadByteTable& leadBytes) {
  std::vector<int> starts;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const int length = static_cast<int>(text.size());
  for (int start = 0; start < length;
       start = DecodeMultiByteChar(bytes, length, start, leadBytes).next) {
    starts.push_back(start);
  }
  return starts;
}

// The id of every occurrence, found by comparing each string at each character start, sorted.
std::vector<int> PlainFind(const std::vector<std::string>& strings, const std::vector<int>& ids,
                           const std::string& text, const TbmLeadByteTable& leadBytes) {
  std::vector<std::pair<int, int>> found;  // (start, id), each once
  for (const int start : CharacterStarts(text, leadBytes)) {
    for (size_t i = 0; i < strings.size(); ++i) {
      if (text.compare(start, strings[i].size(), strings[i]) == 0)
        found.emplace_back(start, ids[i]);
    }
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  std::vector<int> foundIds;
  for (const auto& occurrence : found) foundIds.push_back(occurrence.second);
  std::sort(foundIds.begin(), foundIds.end());
  return foundIds;
}

void ExpectSameAsPlainSearch(int stringCount, uint32_t seed) {
  std::mt19937 random(seed);
  TLiteralTrie trie;
  std::vector<std::string> strings;
  std::vector<int> ids;
  for (int i = 0; i < stringCount; ++i) {
    strings.push_back(RandomString(random, 1, 9));
    ids.push_back(trie.Add(strings.back()));
    ASSERT_EQ(trie.Add(strings.back()), ids.back()) << "a string added again keeps its id";
  }
  const TbmLeadByteTable& leadBytes = LeadByteTable(bmccSJIS);
  for (int line = 0; line < 60; ++line) {
    const std::string text = RandomString(random, 0, 24);
    std::vector<int> found;
    std::vector<int> starts;
    trie.FindAll(
        text, leadBytes, [&](int id) { found.push_back(id); },
        [&](int start) { starts.push_back(start); });
    std::sort(found.begin(), found.end());
    ASSERT_EQ(found, PlainFind(strings, ids, text, leadBytes)) << ::testing::PrintToString(text);
    ASSERT_EQ(starts, CharacterStarts(text, leadBytes)) << ::testing::PrintToString(text);
  }
}

TEST(TLiteralTrie, SmallTrieFindsWhatAPlainSearchFinds) {
  ExpectSameAsPlainSearch(300, 11);
}

TEST(TLiteralTrie, LargeTrieWithItsTableOfPairsFindsWhatAPlainSearchFinds) {
  ExpectSameAsPlainSearch(40000, 12);  // well over 65,536 nodes
}

}  // namespace
}  // namespace kelmo
