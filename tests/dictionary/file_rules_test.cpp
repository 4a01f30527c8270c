// The file rules every dictionary kind shares, one table for all four kinds: minimum field counts,
// comma text, markers in any letter case or width, the line rule, NUL bytes and scrambled files.
// Each case loads one file into a OnceOnly dictionary whose entries all pass for the case's
// input, and uses it up group by group.
#include <gtest/gtest.h>

#include <memory>

#include "dictionary/kelmo_data_0.h"
#include "dictionary/kelmo_data_a.h"
#include "dictionary/kelmo_data_b.h"
#include "dictionary/kelmo_data_c.h"
#include "dictionary_test_support.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

using testing::CrLf;
using testing::Scrambled;
using testing::Sjis;
using Groups = std::vector<std::multiset<std::string>>;

enum class Kind { Zero, A, B, C };

std::unique_ptr<TKelmoData> MakeDictionary(Kind kind) {
  // Kind 0 conditions all pass.
  auto alwaysTrue = [](std::u16string_view) { return std::u16string(u"True"); };
  switch (kind) {
    case Kind::Zero:
      return std::make_unique<TKelmoData0>(true, alwaysTrue);
    case Kind::A:
      return std::make_unique<TKelmoDataA>(true, nullptr);
    case Kind::B:
      return std::make_unique<TKelmoDataB>(true, nullptr);
    case Kind::C:
      return std::make_unique<TKelmoDataC>(true, nullptr);
  }
  return nullptr;
}

struct FileCase {
  const char* name;
  Kind kind;
  std::string file;
  std::string input;  // for kinds A and B: a line every pattern of the file is found in
  Groups groups;
  int available;
};
void PrintTo(const FileCase& test, std::ostream* out) {
  *out << test.name;
}

class FileRules : public ::testing::TestWithParam<FileCase> {};

TEST_P(FileRules, LoadsTheGroupsOfTheFile) {
  const FileCase& test = GetParam();
  testing::TempFolder folder;
  std::unique_ptr<TKelmoData> dictionary = MakeDictionary(test.kind);
  dictionary->LoadFile(folder.Write("dict.txt", test.file));
  EXPECT_EQ(dictionary->AvailableCount, test.available);
  EXPECT_EQ(testing::UseUpGroups(*dictionary, test.input), test.groups);
  EXPECT_EQ(dictionary->AvailableCount, 0);
}

const std::string kFullWidthPrior = Sjis(u"｛ＰＲＩＯＲ｝");
const std::string kFullWidthEndOfData = Sjis(u"｛ｅｎｄｏｆｄａｔａ｝");

INSTANTIATE_TEST_SUITE_P(
    Kinds, FileRules,
    ::testing::Values(
        // Kind 0: condition, reply.
        FileCase{"Zero_ShortLinesAreIgnored",
                 Kind::Zero,
                 CrLf({"word", "", "{PRIOR}", "{ENDOFDATA}", "k,r1", "k,"}),
                 "",
                 {{"r1"}},
                 1},
        FileCase{"Zero_BlankSeparatesFieldsAndExtraFieldsAreIgnored",
                 Kind::Zero,
                 CrLf({"k r1 extra", "k\tr2"}),
                 "",
                 {{"r1", "r2"}},
                 2},
        FileCase{"Zero_QuotedFieldsKeepBlanksCommasAndQuotes",
                 Kind::Zero,
                 CrLf({"\"a b\",\"x, \"\"y\"\"\""}),
                 "",
                 {{"x, \"y\""}},
                 1},
        FileCase{"Zero_EndOfDataWithTextEndsTheFile",
                 Kind::Zero,
                 CrLf({"k,r1", "{endofdata} rest", "k,r2"}),
                 "",
                 {{"r1"}},
                 1},
        FileCase{"Zero_FullWidthEndOfDataEndsTheFile",
                 Kind::Zero,
                 CrLf({"k,r1", kFullWidthEndOfData + ",x", "k,r2"}),
                 "",
                 {{"r1"}},
                 1},
        FileCase{"Zero_LowerCasePriorSeparates",
                 Kind::Zero,
                 CrLf({"k,r1", "{prior},x", "k,r2"}),
                 "",
                 {{"r1"}, {"r2"}},
                 2},
        FileCase{"Zero_FullWidthPriorSeparates",
                 Kind::Zero,
                 CrLf({"k,r1", kFullWidthPrior + " x", "k,r2"}),
                 "",
                 {{"r1"}, {"r2"}},
                 2},
        FileCase{"Zero_MarkerWithMoreTextIsAnEntry",
                 Kind::Zero,
                 CrLf({"k,r1", "{PRIOR}x,r2"}),
                 "",
                 {{"r1", "r2"}},
                 2},
        FileCase{"Zero_ConsecutiveSeparatorsChangeNothing",
                 Kind::Zero,
                 CrLf({"{PRIOR},x", "k,r1", "{PRIOR},x", "{PRIOR},x", "k,r2", "{PRIOR},x"}),
                 "",
                 {{"r1"}, {"r2"}},
                 2},
        FileCase{"Zero_NulByteEndsTheText",
                 Kind::Zero,
                 std::string("k,r1\r\nk,r2\0\r\nk,r3\r\n", 17),
                 "",
                 {{"r1", "r2"}},
                 2},
        FileCase{"Zero_LoneCrAndLoneLfEndLines",
                 Kind::Zero,
                 "k,r1\rk,r2\nk,r3",
                 "",
                 {{"r1", "r2", "r3"}},
                 3},
        FileCase{"Zero_ScrambledWindowsFile",
                 Kind::Zero,
                 Scrambled({"k," + Sjis(u"こんにちは"), "{PRIOR},x", "k,r2"}, Sjis(u"鍵")),
                 "",
                 {{Sjis(u"こんにちは")}, {"r2"}},
                 2},
        // Kind A: previous-reply pattern, input pattern, reply; Context stays empty.
        FileCase{"A_LinesWithTwoFieldsAreIgnored",
                 Kind::A,
                 CrLf({",k", ",,r1", "{PRIOR},x", "{ENDOFDATA},x", ",k,r2"}),
                 "K",
                 {{"r1", "r2"}},
                 2},
        FileCase{"A_SeparatorNeedsThreeFields",
                 Kind::A,
                 CrLf({",,r1", "{PRIOR},,", "\"\",,r2", "{prior},,x", ",,r3"}),
                 "",
                 {{"r1", "r2"}, {"r3"}},
                 3},
        FileCase{"A_EndOfDataWithThreeFieldsEndsTheFile",
                 Kind::A,
                 CrLf({",,r1", kFullWidthEndOfData + ",,", ",,r2", "{endofdata} a b", ",,r3"}),
                 "",
                 {{"r1", "r2"}},
                 2},
        FileCase{"A_ScrambledWindowsFile",
                 Kind::A,
                 Scrambled({"," + Sjis(u"猫") + "," + Sjis(u"にゃー")}, "key"),
                 Sjis(u"黒猫"),
                 {{Sjis(u"にゃー")}},
                 1},
        // Kind B: input pattern, reply.
        FileCase{"B_MarkersAloneAreIgnored",
                 Kind::B,
                 CrLf({"{PRIOR}", "k,r1", "{ENDOFDATA}", "k,r2"}),
                 "K",
                 {{"r1", "r2"}},
                 2},
        FileCase{"B_UnquotedReplyKeepsTheTextBeforeTheBlank",
                 Kind::B,
                 CrLf({"k Hello world", "k,\"Hello world\""}),
                 "K",
                 {{"Hello", "Hello world"}},
                 2},
        FileCase{"B_MarkersInAnyCaseAndWidth",
                 Kind::B,
                 CrLf({"k,r1", "{Prior} x", "k,r2", kFullWidthPrior + ",x", "k,r3", "{EndOfData},x",
                       "k,r4"}),
                 "K",
                 {{"r1"}, {"r2"}, {"r3"}},
                 3},
        FileCase{"B_ScrambledWindowsFileWithUpperCaseHeader",
                 Kind::B,
                 [] {
                   std::string file = Scrambled({Sjis(u"天気") + ",sunny"}, "k");
                   file.replace(0, 9, "ENCRYPTED");
                   return file;
                 }(),
                 Sjis(u"今日の天気"),
                 {{"sunny"}},
                 1},
        // Kind C: whole lines.
        FileCase{"C_WholeLinesAreReplies",
                 Kind::C,
                 CrLf({"a,b c", "\"q\"", "", " "}),
                 "",
                 {{"a,b c", "\"q\"", "", " "}},
                 4},
        FileCase{"C_MarkerWithBlankIsAReply",
                 Kind::C,
                 CrLf({"r1", "{PRIOR} ", "r2"}),
                 "",
                 {{"r1", "{PRIOR} ", "r2"}},
                 3},
        FileCase{"C_MarkersInAnyCaseAndWidth",
                 Kind::C,
                 CrLf({"r1", "{prior}", "r2", kFullWidthPrior, "r3", kFullWidthEndOfData, "r4"}),
                 "",
                 {{"r1"}, {"r2"}, {"r3"}},
                 3},
        FileCase{"C_FiveRepliesAndTwoSeparators",
                 Kind::C,
                 CrLf({"a", "b", "{PRIOR}", "c", "{PRIOR}", "d", "e"}),
                 "",
                 {{"a", "b"}, {"c"}, {"d", "e"}},
                 5},
        FileCase{"C_ScrambledWindowsFile",
                 Kind::C,
                 Scrambled({Sjis(u"やあ、元気？"), "{PRIOR}", "r2"}, Sjis(u"鍵")),
                 "",
                 {{Sjis(u"やあ、元気？")}, {"r2"}},
                 2}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kelmo
