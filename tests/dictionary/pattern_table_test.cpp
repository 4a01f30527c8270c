// The prefilter at the level of one pattern field: which entries a text marks, and, on random byte
// patterns that no dictionary file could carry (lone lead bytes at the end, NUL bytes, stray trail
// bytes), that an entry is marked exactly when a plain search finds its pattern, also when the
// marking goes in steps.
#include "dictionary/pattern_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "dictionary_test_support.h"

namespace kelmo {
namespace {

using testing::Sjis;

// The entries of table marked for text in one step, in order.
std::vector<int> Marked(TPatternTable& table, const std::string& text) {
  TEntrySet set;
  table.Begin(text, set);
  table.MarkUpTo(kNoEntry);
  std::vector<int> entries;
  set.ForEach([&](int entry) {
    entries.push_back(entry);
    return true;
  });
  return entries;
}

// A table holding patterns as entries 0, 1, ...; returns the pattern number of each entry.
std::vector<int32_t> Fill(TPatternTable& table, const std::vector<std::string>& patterns) {
  std::vector<int32_t> numbers;
  for (const std::string& pattern : patterns) numbers.push_back(table.Intern(pattern));
  for (size_t entry = 0; entry < numbers.size(); ++entry) {
    table.Index(static_cast<int>(entry), numbers[entry]);
  }
  return numbers;
}

struct MarkCase {
  const char* name;
  std::vector<std::string> patterns;  // normalised, as entries 0, 1, ...
  std::string text;
  std::vector<int> marked;
};
void PrintTo(const MarkCase& test, std::ostream* out) {
  *out << test.name;
}

class PatternTableMark : public ::testing::TestWithParam<MarkCase> {};

TEST_P(PatternTableMark, MarksTheEntriesWhosePatternIsFound) {
  TPatternTable table;
  const std::vector<int32_t> numbers = Fill(table, GetParam().patterns);
  const std::vector<int> marked = Marked(table, GetParam().text);
  EXPECT_EQ(marked, GetParam().marked);
  for (size_t entry = 0; entry < numbers.size(); ++entry) {
    const bool isMarked = std::find(marked.begin(), marked.end(), entry) != marked.end();
    EXPECT_EQ(isMarked, table.FoundIn(numbers[entry], GetParam().text)) << "entry " << entry;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, PatternTableMark,
    ::testing::Values(
        MarkCase{"AbsentKeywordLeavesItsEntryOut", {"ABC", "XYZ"}, "XYZW", {1}},
        MarkCase{"EntriesSharingAPatternAreMarkedTogether", {"AB", "CD", "AB"}, "AB", {0, 2}},
        MarkCase{"AlternativesMarkOnAnyOfThem", {"CAT|DOG", "COW"}, "HOTDOG", {0}},
        MarkCase{"PatternMatchingTheEmptyTextIsAlwaysMarked", {"A*", "Q", ""}, "", {0, 2}},
        MarkCase{"DigitsNeedADigit", {"[0-9]+X", "X"}, "XX", {1}},
        MarkCase{"DigitsWithOneMarked", {"[0-9]+X", "X"}, "7X", {0, 1}},
        MarkCase{"ConcatenationNeedsItsEnding", {"AB.*CDEF"}, "AB CDE", {}},
        MarkCase{"ConcatenationWithBothEnds", {"AB.*CDEF"}, "AB CDEF", {0}},
        MarkCase{"BrokenPatternIsNeverMarked", {"(A", "[A", "A"}, "(A[A", {2}},
        MarkCase{"ClassOfFewCharactersIsLiterals", {Sjis(u"猫[がは]")}, Sjis(u"猫を"), {}},
        MarkCase{"AnchoredKeywordMustBeginTheLine", {"^HELLO", "^HI"}, "OH HELLO", {}},
        MarkCase{"AnchoredKeywordBeginningTheLine", {"^HELLO", "^HI"}, "HELLO HI", {0}},
        MarkCase{"AnchoredKeywordsAtLineBreaks",
                 {"^A", "A$", "^A$", "^X$", "^Y$", "^B"},
                 "X\rA\nY",
                 {0, 1, 2, 3, 4}},
        MarkCase{"WholeLineKeywordMustEndTheLine", {"^AB$", "^A$", "^ABC$"}, "AB\nABCD", {0}},
        MarkCase{"NoLineHeadBetweenCarriageReturnAndLineFeed", {"^\nA"}, "X\r\nA", {}},
        MarkCase{"LineFeedAsATrailByteBeginsNoLine",
                 {"^A", "^[A-Z]+$", "^[0-9]+"},
                 "\x82\nA\x82\r7",
                 {}},
        MarkCase{"ClassesAtLineHeads",
                 {"^[A-Z]+$", "^[0-9]+", "^[A-Z]+", "^[XYZ]+[0-9]", "^[0-9]$"},
                 "x!\rAB\r\n7\n",
                 {0, 1, 2, 4}},
        MarkCase{"ClassNotAtALineHead", {"^[0-9]+", "^[A-Z]"}, "X7", {1}},
        MarkCase{"AnchoredKeywordEndingTheText", {"AB$", "^AB"}, "CAB", {0}},
        MarkCase{"AnchoredKeywordMustStartACharacter",
                 {"A$"},
                 "\x82"
                 "A",
                 {}},
        MarkCase{"TrailByteIsNoCharacter",
                 {"A"},
                 "\x82"
                 "A",
                 {}},
        MarkCase{"KeywordAfterADoubleByteCharacter",
                 {"A"},
                 "\x82\xA0"
                 "A",
                 {0}},
        MarkCase{"LoneLeadByteEndingPatternAndText", {"A\x82", "A\x82\x41"}, "A\x82", {0}},
        MarkCase{"KeywordAbsentFromTheEmptyText", {"A"}, "", {}}),
    [](const auto& info) { return info.param.name; });

TEST(ByteSet, ARangeHoldsExactlyItsBytes) {
  for (int first = 0; first < 256; first += 7) {
    for (int last = first; last < 256; last += 5) {
      TByteSet set{};
      AddBytes(set, static_cast<uint8_t>(first), static_cast<uint8_t>(last));
      for (int byte = 0; byte < 256; ++byte) {
        ASSERT_EQ(TestByte(set, static_cast<uint8_t>(byte)), first <= byte && byte <= last)
            << first << ".." << last << " byte " << byte;
      }
    }
  }
}

TEST(PatternTable, EntriesLeftUnindexedAreNeverMarked) {
  TPatternTable table;
  table.Index(0, table.Intern("A"));
  table.Index(2, table.Intern("A"));  // entry 1 is a separator
  EXPECT_EQ(Marked(table, "A"), (std::vector<int>{0, 2}));
}

// Raw bytes, biased towards what decoding and the pattern syntax treat specially.
std::string RandomBytes(std::mt19937& random, int most, bool pattern) {
  static const std::string kSpecial = std::string("AB0#\\|()*+?.^$[]-\r\n", 20) + '\0';
  static const std::string kLeads = "\x81\x82\x88\x9F\xE0\xFC";
  std::string text;
  const int length = std::uniform_int_distribution<int>(0, most)(random);
  for (int i = 0; i < length; ++i) {
    const int kind = std::uniform_int_distribution<int>(0, 9)(random);
    if (kind < 5) {
      text += kSpecial[std::uniform_int_distribution<size_t>(0, kSpecial.size() - 1)(random)];
    } else if (kind < 8) {
      text += kLeads[std::uniform_int_distribution<size_t>(0, kLeads.size() - 1)(random)];
      if (kind < 7)
        text += static_cast<char>(std::uniform_int_distribution<int>(0x40, 0xFC)(random));
    } else {
      text += static_cast<char>(std::uniform_int_distribution<int>(pattern ? 1 : 0, 255)(random));
    }
  }
  return text;
}

TEST(PatternTable, RandomBytePatternsAgreeWithAPlainSearch) {
  std::mt19937 random(4242);
  for (int round = 0; round < 300; ++round) {
    TPatternTable table;
    std::vector<std::string> patterns;
    for (int i = 0; i < 20; ++i) patterns.push_back(RandomBytes(random, 6, true));
    const std::vector<int32_t> numbers = Fill(table, patterns);
    for (int line = 0; line < 20; ++line) {
      const std::string text = RandomBytes(random, 12, false);
      std::vector<bool> marked(patterns.size(), false);
      for (const int entry : Marked(table, text)) marked[entry] = true;
      for (size_t entry = 0; entry < patterns.size(); ++entry) {
        ASSERT_EQ(marked[entry], table.FoundIn(numbers[entry], text))
            << "pattern " << ::testing::PrintToString(patterns[entry]) << ", text "
            << ::testing::PrintToString(text);
      }
    }
  }
}

// Marking in steps sets, once a limit is reached, every entry below it that one step sets, never
// anything one step would not, and names the next entry still to come.
TEST(PatternTable, MarkingInStepsAgreesWithOneStep) {
  std::mt19937 random(777);
  for (int round = 0; round < 200; ++round) {
    std::vector<std::string> pool;
    for (int i = 0; i < 8; ++i) pool.push_back(RandomBytes(random, 4, true));
    std::vector<std::string> patterns;
    for (int i = 0; i < 30; ++i) {
      patterns.push_back(pool[std::uniform_int_distribution<size_t>(0, pool.size() - 1)(random)]);
    }
    TPatternTable table;
    Fill(table, patterns);
    const int count = static_cast<int>(patterns.size());
    for (int line = 0; line < 10; ++line) {
      const std::string text = RandomBytes(random, 12, false);
      const std::vector<int> whole = Marked(table, text);
      TEntrySet set;
      table.Begin(text, set);
      int limit = 0;
      while (limit < count) {
        limit = std::min(count, limit + std::uniform_int_distribution<int>(1, 9)(random));
        const int32_t next = table.MarkUpTo(limit);
        std::vector<int> now;
        set.ForEach([&](int entry) {
          now.push_back(entry);
          return true;
        });
        for (const int entry : now) {
          ASSERT_TRUE(std::find(whole.begin(), whole.end(), entry) != whole.end()) << entry;
        }
        for (const int entry : whole) {
          const bool set = std::find(now.begin(), now.end(), entry) != now.end();
          if (entry < limit) {
            ASSERT_TRUE(set) << "entry " << entry << " below " << limit;
          }
          if (!set) {
            ASSERT_GE(entry, next) << "entry " << entry << " before the next " << next;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace kelmo
