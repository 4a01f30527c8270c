#include "regex/char_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace kelmo {
namespace {

std::vector<int> ReadAll(TbmWchReader& reader) {
  std::vector<int> values;
  for (int value = reader.ReadChar(); value != kEndOfText; value = reader.ReadChar()) {
    values.push_back(value);
  }
  return values;
}

TEST(CodePages, MapTheThreeKnownCodePages) {
  EXPECT_EQ(bmccCodePage2CharCode(932), bmccSJIS);
  EXPECT_EQ(bmccCodePage2CharCode(1200), bmccUnicode);
  EXPECT_EQ(bmccCodePage2CharCode(1252), bmccSBCS);
  try {
    bmccCodePage2CharCode(65001);
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "bmccCodePage2CharCode: unknown code page");
  }
}

TEST(CodePages, DefaultCharCodeIsShiftJis) {
  EXPECT_EQ(bmccDefaultCharCode, bmccSJIS);
}

TEST(CodePages, LeadByteTestsFollowEachEncoding) {
  const TbmIsLeadByteFunc sjis = bmccGetIsLeadByteFunc(bmccSJIS);
  const TbmIsLeadByteFunc euc = bmccGetIsLeadByteFunc(bmccEUC);
  const TbmIsLeadByteFunc sbcs = bmccGetIsLeadByteFunc(bmccSBCS);
  for (const int byte : {0x80, 0x81, 0x9F, 0xA0, 0xDF, 0xE0, 0xFC, 0xFD}) {
    EXPECT_EQ(sjis(byte), (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC)) << byte;
  }
  for (const int byte : {0x8D, 0x8E, 0x8F, 0xA0, 0xA1, 0xFE, 0xFF}) {
    EXPECT_EQ(euc(byte), byte == 0x8E || (byte >= 0xA1 && byte <= 0xFE)) << byte;
  }
  EXPECT_FALSE(sbcs(0x82));
  try {
    bmccGetIsLeadByteFunc(bmccUnicode);
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "bmccGetIsLeadByteFunc: invalid argument");
  }
}

TEST(CreateReader, GivesOneReaderClassPerCode) {
  EXPECT_NE(dynamic_cast<TbmMBCSReader*>(CreateReader(bmccSJIS).get()), nullptr);
  EXPECT_NE(dynamic_cast<TbmMBCSReader*>(CreateReader(bmccEUC).get()), nullptr);
  EXPECT_NE(dynamic_cast<TbmSBCSReader*>(CreateReader(bmccSBCS).get()), nullptr);
  EXPECT_NE(dynamic_cast<TbmUniCodeReader*>(CreateReader(bmccUnicode).get()), nullptr);
  EXPECT_EQ(CreateReader(4), nullptr);
  EXPECT_EQ(CreateReader(bmccEUC)->CharCode(), bmccEUC);
}

TEST(CreateReader, NewReadersReadTheEndOfText) {
  for (const uint8_t code : {bmccSJIS, bmccSBCS, bmccUnicode}) {
    auto reader = CreateReader(code);
    EXPECT_EQ(reader->ReadChar(), kEndOfText) << int{code};
    EXPECT_EQ(reader->GetText(), "");
  }
}

TEST(MultiByteReader, ReadsDoubleByteCharactersAsOneValueAndStepsBack) {
  TbmMBCSReader reader(bmccSJIS);
  reader.SetText(
      "A\x82\xa0"
      "B");  // A, HIRAGANA A, B
  EXPECT_EQ(ReadAll(reader), (std::vector<int>{65, 0x82A0, 66}));
  reader.SetPos(4);
  ASSERT_TRUE(reader.UnreadChar());
  EXPECT_EQ(reader.GetPos(), 3);
  ASSERT_TRUE(reader.UnreadChar());
  EXPECT_EQ(reader.GetPos(), 1);
  EXPECT_EQ(reader.GetCharIndex(), 1);
}

TEST(MultiByteReader, TrailByteInLeadRangeStepsBackOverTheWholeCharacter) {
  TbmMBCSReader reader(bmccSJIS);
  reader.SetText("\x88\x9f\x41");  // a kanji whose trail byte passes the lead test, then A
  reader.SetPos(3);
  ASSERT_TRUE(reader.UnreadChar());
  EXPECT_EQ(reader.GetPos(), 2);
  ASSERT_TRUE(reader.UnreadChar());
  EXPECT_EQ(reader.GetPos(), 0);
  EXPECT_FALSE(reader.UnreadChar());
  EXPECT_EQ(reader.GetPos(), 0);
}

TEST(MultiByteReader, LoneLeadByteAtTheEndReadsWithTrailZero) {
  TbmMBCSReader reader(bmccSJIS);
  reader.SetText("a\x82");
  EXPECT_EQ(reader.ReadChar(), 'a');
  EXPECT_EQ(reader.ReadChar(), 0x8200);
  EXPECT_EQ(reader.ReadChar(), kEndOfText);
  EXPECT_EQ(reader.ReadChar(), kEndOfText);  // as often as asked
}

TEST(MultiByteReader, UnreadAfterTheEndRestoresThePosition) {
  TbmMBCSReader reader(bmccSJIS);
  reader.SetText("ab");
  reader.SetPos(2);
  EXPECT_EQ(reader.ReadChar(), kEndOfText);
  EXPECT_EQ(reader.GetPos(), 3);
  ASSERT_TRUE(reader.UnreadChar());
  EXPECT_EQ(reader.GetPos(), 2);
}

TEST(MultiByteReader, ReadsOutsideTheTextGiveTheEnd) {
  TbmMBCSReader reader(bmccSJIS);
  reader.SetText("ab");
  reader.SetPos(-3);
  EXPECT_EQ(reader.ReadChar(), kEndOfText);
  reader.SetPos(100);
  EXPECT_EQ(reader.ReadChar(), kEndOfText);
}

TEST(MultiByteReader, CharIndexCountsCharactersAndRefusesZeroBytes) {
  TbmMBCSReader reader(bmccSJIS);
  reader.SetText(
      "a\x82\xa0"
      "b");
  reader.SetPos(4);
  EXPECT_EQ(reader.GetCharIndex(), 3);
  reader.SetText(std::string("a\0b", 3));
  reader.SetPos(3);
  EXPECT_EQ(reader.GetCharIndex(), -1);
  reader.SetText("a\x82");
  reader.SetPos(2);
  EXPECT_EQ(reader.GetCharIndex(), -1);  // lead byte followed by the terminating zero
}

TEST(MultiByteReader, EucUsesItsOwnLeadBytes) {
  TbmMBCSReader reader(bmccEUC);
  reader.SetText("\xa4\xa2\x8e\xb1\x82");  // HIRAGANA A, half-width katakana A, 0x82
  EXPECT_EQ(ReadAll(reader), (std::vector<int>{0xA4A2, 0x8EB1, 0x82}));
}

TEST(MultiByteReader, SetTextBuffReadsTheCallersBuffer) {
  const char buffer[] = "xyz";
  TbmMBCSReader reader(bmccSJIS);
  reader.SetTextBuff(buffer, 2);
  EXPECT_EQ(reader.GetText(), "xy");
  EXPECT_EQ(ReadAll(reader), (std::vector<int>{'x', 'y'}));
  reader.Rewind();
  EXPECT_EQ(reader.GetPos(), 0);
}

TEST(SingleByteReader, ReadsEveryByteAlone) {
  TbmSBCSReader reader;
  reader.SetText("\x82\xa0");
  EXPECT_EQ(ReadAll(reader), (std::vector<int>{0x82, 0xA0}));
  ASSERT_TRUE(reader.UnreadChar());
  EXPECT_EQ(reader.GetPos(), 2);  // back over the end marker
  reader.SetText(std::string("a\0b", 3));
  reader.SetPos(3);
  EXPECT_EQ(reader.GetCharIndex(), 3);
}

TEST(UniCodeReader, ReadsLittleEndianUnits) {
  TbmUniCodeReader reader;
  reader.SetText(std::string("A\0\x42\x30", 4));
  EXPECT_EQ(ReadAll(reader), (std::vector<int>{'A', 0x3042}));
  EXPECT_EQ(reader.GetPos(), 6);
  ASSERT_TRUE(reader.UnreadChar());
  ASSERT_TRUE(reader.UnreadChar());
  EXPECT_EQ(reader.GetCharIndex(), 1);
}

TEST(UniCodeReader, RefusesAnOddLengthAndKeepsItsText) {
  TbmUniCodeReader reader;
  reader.SetText(std::string("a\0", 2));
  try {
    reader.SetText("abc");
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "TbmUniCodeReader.SetTextBuff: ByteLength must be even.");
  }
  EXPECT_EQ(reader.GetText(), std::string("a\0", 2));
  EXPECT_EQ(reader.ReadChar(), 'a');
}

struct EscapeCase {
  const char* name;
  uint8_t charCode;
  const char* text;  // what follows the backslash
  int value;         // what the reader gives
  const char* rest;  // what is left unread
};

class Escapes : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(Escapes, ReadTheirDigitsAndLeaveTheRest) {
  const EscapeCase& c = GetParam();
  auto reader = CreateReader(c.charCode);
  reader->SetText(c.text);
  EXPECT_EQ(reader->ReadEscape(), c.value);
  const std::string text = reader->GetText();
  EXPECT_EQ(text.substr(std::min<size_t>(reader->GetPos(), text.size())), c.rest);
}

INSTANTIATE_TEST_SUITE_P(
    Readers, Escapes,
    ::testing::Values(EscapeCase{"Bell", bmccSJIS, "a", 7, ""},
                      EscapeCase{"Tab", bmccSJIS, "tx", 9, "x"},
                      EscapeCase{"VerticalTab", bmccSJIS, "v", 11, ""},
                      EscapeCase{"OtherLetterIsItself", bmccSJIS, "q", 113, ""},
                      EscapeCase{"EightIsItself", bmccSJIS, "8", 56, ""},
                      EscapeCase{"HexStopsAtNonDigit", bmccSJIS, "x41g", 0x41, "g"},
                      EscapeCase{"HexTakesFourDigits", bmccSJIS, "x12345", 0x1234, "5"},
                      EscapeCase{"HexDoubleByte", bmccSJIS, "x82a0", 0x82A0, ""},
                      EscapeCase{"HexWithoutDigit", bmccSJIS, "xg", -1, "g"},
                      EscapeCase{"SingleByteHexTakesTwo", bmccSBCS, "x12345", 0x12, "345"},
                      EscapeCase{"Octal", bmccSJIS, "101", 65, ""},
                      EscapeCase{"OctalStopsBelow0x10000", bmccSJIS, "777777", 32767, "7"},
                      EscapeCase{"OctalTakesSixDigits", bmccSJIS, "0000017", 1, "7"},
                      EscapeCase{"SingleByteOctalStopsBelow256", bmccSBCS, "777", 63, "7"},
                      EscapeCase{"SingleByteOctalTakesThree", bmccSBCS, "1012", 65, "2"},
                      EscapeCase{"EndOfText", bmccSJIS, "", -1, ""}),
    [](const auto& info) { return info.param.name; });

TEST(Escapes, ReadUnescapedResolvesEveryEscape) {
  TbmMBCSReader reader(bmccSJIS);
  reader.SetText("a\\tb\\x82a0\\\\");
  EXPECT_EQ(reader.ReadUnescaped(), "a\tb\x82\xa0\\");
  reader.SetText("a\\");
  EXPECT_EQ(reader.ReadUnescaped(), "a");
  TbmUniCodeReader unicode;
  unicode.SetText(std::string("\\\0n\0", 4));
  EXPECT_EQ(unicode.ReadUnescaped(), std::string("\n\0", 2));
}

TEST(CharToStr, WritesHighByteFirstOrUtf16) {
  TbmMBCSReader reader(bmccSJIS);
  EXPECT_EQ(reader.CharToStr(0x82A0), "\x82\xa0");
  EXPECT_EQ(reader.CharToStr('A'), "A");
  EXPECT_EQ(TbmUniCodeReader().CharToStr(0x3042), "\x42\x30");
}

TEST(CharToEscStr, NamesControlCharactersAndWritesHexOtherwise) {
  TbmMBCSReader reader(bmccSJIS);
  EXPECT_EQ(reader.CharToEscStr(7), "\\a");
  EXPECT_EQ(reader.CharToEscStr(13), "\\r");
  EXPECT_EQ(reader.CharToEscStr(0), "\\x00");
  EXPECT_EQ(reader.CharToEscStr(0x41), "\\x41");
  EXPECT_EQ(reader.CharToEscStr(0x82A0), "\\x82A0");
  EXPECT_EQ(TbmUniCodeReader().CharToEscStr(9), std::string("\\\0t\0", 4));
}

}  // namespace
}  // namespace kelmo
