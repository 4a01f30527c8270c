#include "charfile/code_page.h"

#include <gtest/gtest.h>

namespace kelmo {
namespace {

struct RoundTripCase {
  const char* name;
  std::string shiftJis;
  std::u16string utf16;
};

class ShiftJisRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(ShiftJisRoundTrip, DecodesAndEncodesBack) {
  const RoundTripCase& c = GetParam();
  EXPECT_EQ(ShiftJisToUtf16(c.shiftJis), c.utf16);
  EXPECT_EQ(Utf16ToShiftJis(c.utf16), c.shiftJis);
}

INSTANTIATE_TEST_SUITE_P(
    CodePage932, ShiftJisRoundTrip,
    ::testing::Values(
        RoundTripCase{"Ascii", "abc{}|", u"abc{}|"},
        RoundTripCase{"BackslashIsNotYen", "\x5c", u"\\"},
        RoundTripCase{"TildeIsNotOverline", "~", u"~"},
        RoundTripCase{"TrailByte5C", "\x95\x5c\x83\x5c", u"\u8868\u30bd"},  // 表ソ
        RoundTripCase{"HalfWidthKatakana", "\xb1", u"\uff71"},
        RoundTripCase{"NecSpecial", "\x87\x40", u"\u2460"},
        RoundTripCase{"IbmExtension", "\xfa\x40", u"\u2170"},
        RoundTripCase{"UserDefinedArea", "\xf0\x40", u"\ue000"},
        RoundTripCase{"Hiragana", "\x82\xa0\x82\xa2", u"\u3042\u3044"}),
    [](const auto& info) { return info.param.name; });

TEST(CodePage, WaveDashAndFullWidthTildeBothEncodeTo8160) {
  EXPECT_EQ(Utf16ToShiftJis(u"\u301c"), "\x81\x60");
  EXPECT_EQ(Utf16ToShiftJis(u"\uff5e"), "\x81\x60");
}

// What the encoder writes decodes to a character that it writes the same way again; reply
// selection relies on this to compare lines as encoded bytes first.
TEST(CodePage, EveryEncodedCharacterEncodesTheSameAfterDecoding) {
  for (uint32_t unit = 0; unit <= 0xFFFF; ++unit) {
    const std::u16string character(1, static_cast<char16_t>(unit));
    const std::string encoded = Utf16ToShiftJis(character);
    ASSERT_EQ(Utf16ToShiftJis(ShiftJisToUtf16(encoded)), encoded) << "U+" << std::hex << unit;
  }
}

// A character code page 932 cannot hold becomes one geta mark 〓 (81 AC), never "?", which a
// pattern or a reader would take for a question. The characters that did are listed.
struct UnrepresentableCase {
  const char* name;
  std::u16string text;
  std::string encoded;
  std::string listed;  // UnrepresentableCharacters, UTF-8
};
void PrintTo(const UnrepresentableCase& test, std::ostream* out) {
  *out << test.name;
}

class Unrepresentable : public ::testing::TestWithParam<UnrepresentableCase> {};

TEST_P(Unrepresentable, BecomesOneGetaMark) {
  const UnrepresentableCase& test = GetParam();
  EXPECT_EQ(Utf16ToShiftJis(test.text), test.encoded);
  EXPECT_EQ(UnrepresentableCharacters(test.text), test.listed);
}

INSTANTIATE_TEST_SUITE_P(
    CodePage, Unrepresentable,
    ::testing::Values(
        UnrepresentableCase{"LatinLetter", u"a\u00e9b", "a\x81\xAC" "b", "\xC3\xA9"},
        UnrepresentableCase{"SurrogatePairIsOneCharacter", u"a\U0001F600b", "a\x81\xAC" "b",
                            "\xF0\x9F\x98\x80"},
        UnrepresentableCase{"LoneHighSurrogate", std::u16string(u"a") + char16_t(0xD800) + u"b",
                            "a\x81\xAC" "b", "\xEF\xBF\xBD"},
        UnrepresentableCase{"LoneLowSurrogate", std::u16string(u"a") + char16_t(0xDC00),
                            "a\x81\xAC", "\xEF\xBF\xBD"},
        UnrepresentableCase{"ReplacementCharacter", u"\uFFFD", "\x81\xAC", "\xEF\xBF\xBD"},
        UnrepresentableCase{"TwoEmoji", u"\U0001F60A\U0001F375", "\x81\xAC\x81\xAC",
                            "\xF0\x9F\x98\x8A\xF0\x9F\x8D\xB5"},
        // The mark itself and a question mark are held, and stay what they are.
        UnrepresentableCase{"GetaMarkItself", u"\u3013?", "\x81\xAC?", ""},
        UnrepresentableCase{"JapaneseText", u"あ漢ｱ", "\x82\xA0\x8A\xBF\xB1", ""}),
    [](const ::testing::TestParamInfo<UnrepresentableCase>& info) { return info.param.name; });

TEST(CodePage, GetaMarkConstantsAgree) {
  EXPECT_EQ(Utf16ToShiftJis(std::u16string(1, kGetaMarkUnit)), kGetaMark);
  EXPECT_EQ(ShiftJisToUtf16(kGetaMark), std::u16string(1, kGetaMarkUnit));
}

struct InvalidCase {
  const char* name;
  std::string bytes;
  std::u16string decoded;
};

class InvalidShiftJis : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(InvalidShiftJis, BecomesReplacementWithoutSwallowingStructure) {
  EXPECT_EQ(ShiftJisToUtf16(GetParam().bytes), GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(
    CodePage932, InvalidShiftJis,
    ::testing::Values(
        InvalidCase{"LoneLeadByteAtEnd", "a\x81", u"a\ufffd"},
        InvalidCase{"Byte80", "\x80", u"\ufffd"},
        InvalidCase{"ByteA0", "\xa0", u"\ufffd"},
        InvalidCase{"BytesFDtoFF", "\xfd\xfe\xff", u"\ufffd\ufffd\ufffd"},
        InvalidCase{"LeadBeforeLineBreak", "\x81\n", u"\ufffd\n"},
        InvalidCase{"LeadBeforeComma", "\x81,", u"\ufffd,"},
        InvalidCase{"UnassignedPairIsOneCharacter", "\x81\xad", u"\ufffd"},
        InvalidCase{"NulIsKept", std::string("a\0b", 3), std::u16string(u"a\0b", 3)}),
    [](const auto& info) { return info.param.name; });

TEST(CodePage, CharacterLengthFollowsDecoder) {
  EXPECT_EQ(ShiftJisCharLength("\x95\x5c", 0), 2u);
  EXPECT_EQ(ShiftJisCharLength("\x81", 0), 1u);     // lead byte at the end
  EXPECT_EQ(ShiftJisCharLength("\x81\n", 0), 1u);   // no valid trail byte
  EXPECT_EQ(ShiftJisCharLength("a\x95", 0), 1u);
}

TEST(CodePage, Utf8RoundTripsThroughUtf16) {
  const std::string text = "表示 \xf0\x9f\x98\x80 é";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
  EXPECT_EQ(Utf8ToUtf16("\xf0\x9f\x98\x80").size(), 2u);
}

TEST(CodePage, InvalidUtf8BecomesOneReplacementPerByte) {
  EXPECT_EQ(Utf8ToUtf16("a\xc3"), u"a\ufffd");
  EXPECT_EQ(Utf8ToUtf16("\xed\xa0\x80"), u"\ufffd\ufffd\ufffd");  // encoded surrogate
  EXPECT_EQ(Utf8ToUtf16("\xc0\xaf"), u"\ufffd\ufffd");            // overlong "/"
}

TEST(CodePage, ShiftJisToUtf8AndBack) {
  EXPECT_EQ(ShiftJisToUtf8("\x95\x5c\x8e\xa6"), "表示");
  EXPECT_EQ(Utf8ToShiftJis("表示"), "\x95\x5c\x8e\xa6");
}

TEST(CodePage, EveryValidDoubleByteCodeRoundTripsOrIsAKnownDuplicate) {
  int checked = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsShiftJisLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string decoded = ShiftJisToUtf16(bytes);
      if (decoded == u"\ufffd") continue;
      ASSERT_EQ(decoded.size(), 1u) << lead << " " << trail;
      // Duplicated codes (NEC and IBM rows) encode to one preferred code, which decodes the same.
      EXPECT_EQ(ShiftJisToUtf16(Utf16ToShiftJis(decoded)), decoded);
      ++checked;
    }
  }
  EXPECT_GT(checked, 7000);
}

}  // namespace
}  // namespace kelmo
