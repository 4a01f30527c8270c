// LIKE's pattern cache must answer as a pattern compiled for the one test would: across more
// distinct patterns than the cache holds (evicted patterns compiled again), for patterns with
// syntax errors asked again once they are kept, for patterns too long or too complex to keep, and
// when the tested text changes between tests.
#include "engine/pattern_cache.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "charfile/code_page.h"
#include "charfile/text_utils.h"

namespace kelmo {
namespace {

// What LIKE answered before the cache: a fresh expression for each test.
bool FreshlyFound(std::u16string_view pattern, std::u16string_view text) {
  TbmRExp expression;
  expression.SetPattern(ExpandDigitShorthand(Utf16ToShiftJis(pattern)));
  int position = 0;
  int length = 0;
  try {
    return expression.Match(Utf16ToShiftJis(text), 1, position, length) != 0;
  } catch (const EbmREToken&) {
    return false;
  }
}

TEST(PatternCache, AnswersAsAFreshCompilationOverMorePatternsThanItHolds) {
  const std::vector<std::u16string> pieces = {u"A", u"B", u"#", u"あ", u"|", u"*", u"(",
                                              u")", u"[", u"]", u"^",  u"$", u".", u"\\#"};
  std::mt19937 random(99);
  const auto draw = [&](int most) {
    std::u16string text;
    for (int count = std::uniform_int_distribution<int>(0, most)(random); count > 0; --count) {
      text += pieces[std::uniform_int_distribution<size_t>(0, pieces.size() - 1)(random)];
    }
    return text;
  };
  // Distinct patterns beyond the cache's capacity: a number makes each one its own.
  const size_t patternCount = kPatternCacheSets * kPatternCacheWays * 5 / 4;
  std::vector<std::u16string> patterns;
  for (size_t index = 0; index < patternCount; ++index) {
    patterns.push_back(draw(4) + Utf8ToUtf16(std::to_string(index)) + draw(2));
  }
  const std::vector<std::u16string> texts = {u"A1B", u"AB", u"あ#12", u"", u"[A]"};
  TPatternCache cache;
  for (int test = 0; test < 60000; ++test) {
    const std::u16string& pattern =
        patterns[std::uniform_int_distribution<size_t>(0, patterns.size() - 1)(random)];
    const std::u16string& text =
        texts[std::uniform_int_distribution<size_t>(0, texts.size() - 1)(random)];
    ASSERT_EQ(cache.Found(pattern, text), FreshlyFound(pattern, text))
        << "pattern " << Utf16ToUtf8(pattern) << ", text " << Utf16ToUtf8(text);
  }
}

struct CacheCase {
  const char* name;
  std::u16string pattern;
  std::u16string text;
  bool found;
};
void PrintTo(const CacheCase& test, std::ostream* out) {
  *out << test.name;
}

class PatternCacheRepeated : public ::testing::TestWithParam<CacheCase> {};

TEST_P(PatternCacheRepeated, GivesTheSameAnswerEveryTime) {
  TPatternCache cache;
  for (int time = 0; time < 3; ++time) {
    EXPECT_EQ(cache.Found(GetParam().pattern, GetParam().text), GetParam().found) << time;
    EXPECT_FALSE(cache.Found(GetParam().pattern, u"\n"));  // another text in between
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, PatternCacheRepeated,
    ::testing::Values(CacheCase{"Keyword", u"ELL", u"HELLO", true},
                      CacheCase{"DigitShorthand", u"##/#", u"2003/04", true},
                      CacheCase{"SyntaxErrorNeverMatches", u"(A", u"(A", false},
                      CacheCase{"TooLongToKeep", std::u16string(kMaxCachedPatternLength + 1, u'A'),
                                std::u16string(kMaxCachedPatternLength + 1, u'A'), true},
                      // Ten positions after the last A: more than kMaxCachedStates states.
                      CacheCase{"TooComplexToKeep",
                                u"(A|B)*A(A|B)(A|B)(A|B)(A|B)(A|B)(A|B)(A|B)(A|B)(A|B)",
                                u"ABBBBBBBBB", true}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kelmo
