// The linter's checks one by one: macro texts, the column of a pattern error in the field as
// written, the patterns found in every line, and the known key closest to a misspelt one.
#include <gtest/gtest.h>

#include "charfile/code_page.h"
#include "lint/catch_all_pattern.h"
#include "lint/definition_lint.h"
#include "lint/macro_text_check.h"
#include "lint/pattern_check.h"
#include "regex/regexp.h"

namespace kelmo::testing {
namespace {

struct TMacroTextCase {
  const char* Name;
  const char* Text;  // UTF-8
  TMacroTextPlace Place;
  std::vector<std::string> Checks;  // of the problems, in order
  size_t NamelessGroups;
  std::vector<std::string> Files;  // named with their arguments written out
};

class MacroTextCheck : public ::testing::TestWithParam<TMacroTextCase> {};

constexpr auto kReply = TMacroTextPlace::Reply;
constexpr auto kCondition = TMacroTextPlace::Condition;

INSTANTIATE_TEST_SUITE_P(
    Texts, MacroTextCheck,
    ::testing::Values(
        TMacroTextCase{"MacroCommand", "{DATE}です", kReply, {}, 0, {}},
        TMacroTextCase{"IfWithInnerCondition", "{IF{FLAG01}はい|いいえ}", kReply, {}, 0, {}},
        TMacroTextCase{"NameFromInnerGroup", "{{MEMO01}}", kReply, {}, 0, {}},
        TMacroTextCase{"PluginTag", "{WEATHER.TODAY}", kReply, {}, 0, {}},
        TMacroTextCase{"DisplayCommands", "{DELAY:10}{...}{^H}{WAITRETURN}", kReply, {}, 0, {}},
        TMacroTextCase{"MisspeltMacro", "{COUTN01++}", kReply, {}, 1, {}},
        TMacroTextCase{"MisspeltPictureIsNoPluginTag", "{PCI:a.bmp}", kReply, {}, 1, {}},
        TMacroTextCase{"EmptyGroup", "{}", kReply, {}, 1, {}},
        TMacroTextCase{"NamedFiles", "{PIC:a.bmp}{SETDEFBITMAP:b.jpg}{SOUNDS:c.wav}", kReply, {},
                       0, {"a.bmp", "b.jpg", "c.wav"}},
        TMacroTextCase{"PictureFromInnerGroupIsNotChecked", "{PIC:{MEMO01}.bmp}", kReply, {}, 0,
                       {}},
        TMacroTextCase{"SoundOfNoKind", "{SOUNDB:c.wav}", kReply, {"sound-command"}, 0, {}},
        TMacroTextCase{"LoneCloseIsTheQuietReply", "}", kReply, {}, 0, {}},
        TMacroTextCase{"StrayClose", "a}{DATE}", kReply, {"braces"}, 0, {}},
        TMacroTextCase{"Unclosed", "{DATE}{DATE", kReply, {"braces"}, 0, {}},
        TMacroTextCase{"ConditionTrue", "true", kCondition, {}, 0, {}},
        TMacroTextCase{"ConditionOneGroup", "{AND{FLAG01}|{FLAG02}}", kCondition, {}, 0, {}},
        TMacroTextCase{"ConditionTwoGroups", "{FLAG01}{FLAG02}", kCondition, {"condition"}, 0,
                       {}},
        TMacroTextCase{"ConditionPlainText", "hello", kCondition, {"condition"}, 0, {}},
        TMacroTextCase{"DisplayCommandInCondition", "{PIC:a.bmp}", kCondition, {}, 1, {}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_P(MacroTextCheck, FindsWhatTheTextDoesNotDo) {
  const TMacroTextCheck check = CheckMacroText(Utf8ToShiftJis(GetParam().Text), GetParam().Place);
  std::vector<std::string> checks;
  for (const TMacroTextProblem& problem : check.Problems) checks.push_back(problem.Check);
  EXPECT_EQ(checks, GetParam().Checks);
  EXPECT_EQ(check.NamelessGroups.size(), GetParam().NamelessGroups);
  std::vector<std::string> files;
  for (const TNamedFile& file : check.Files) files.push_back(ShiftJisToUtf8(file.Name));
  EXPECT_EQ(files, GetParam().Files);
}

TEST(MacroTextCheck, NamesTheColumnAndKeepsTheGroupForTheMarkTest) {
  const TMacroTextCheck check = CheckMacroText(Utf8ToShiftJis("やあ{q:nazo}"), kReply);
  ASSERT_EQ(check.NamelessGroups.size(), 1u);
  EXPECT_NE(check.NamelessGroups[0].Message.find("3 文字目の「{q:nazo}」"), std::string::npos)
      << check.NamelessGroups[0].Message;
  EXPECT_EQ(check.NamelessGroups[0].Normalized, "{Q:NAZO}");
  EXPECT_TRUE(check.NamelessGroups[0].MayBeMark);
}

struct TColumnCase {
  const char* Name;
  const char* Field;  // UTF-8, as written
  size_t Offset;      // in the pattern after normalisation and "#" expansion
  int Character;      // 0-based, in the field as written
};

class PatternErrorColumn : public ::testing::TestWithParam<TColumnCase> {};

INSTANTIATE_TEST_SUITE_P(
    Fields, PatternErrorColumn,
    ::testing::Values(TColumnCase{"Plain", "(ab", 1, 1}, TColumnCase{"AtTheEnd", "(ab", 3, 3},
                      TColumnCase{"AfterDigitShorthand", "#(", 5, 1},
                      TColumnCase{"InsideDigitShorthand", "#(", 2, 0},
                      TColumnCase{"AfterEscapedHash", "\\#(", 1, 2},
                      TColumnCase{"FullWidthLetters", "ａｂ(", 2, 2},
                      TColumnCase{"DoubleByteCharacters", "漢字(", 4, 2},
                      TColumnCase{"WrittenDigitClassShrinks", "\\[0-9](", 1, 6}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_P(PatternErrorColumn, PointsAtTheCharacterAsWritten) {
  EXPECT_EQ(FieldCharacterOf(Utf8ToShiftJis(GetParam().Field), GetParam().Offset),
            GetParam().Character);
}

TEST(PatternCheck, GivesTheEnginesMessageAndItsOffset) {
  const std::optional<TPatternError> error = CompilePattern("AB(C");
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Message, "need right parenthesis");
  EXPECT_EQ(error->Offset, 4u);
  EXPECT_FALSE(CompilePattern("AB(C)"));
}

// Patterns as the dictionaries store them (normalised: letters upper case), and whether each is
// found in every line a user can say: never empty, without a line break.
struct TCatchAllCase {
  const char* Name;
  const char* Pattern;  // UTF-8
  bool Everywhere;
};

class CatchAllPattern : public ::testing::TestWithParam<TCatchAllCase> {};

INSTANTIATE_TEST_SUITE_P(
    Patterns, CatchAllPattern,
    ::testing::Values(TCatchAllCase{"Empty", "", true}, TCatchAllCase{"AnyRun", ".*", true},
                      TCatchAllCase{"AnyCharacter", ".", true},
                      TCatchAllCase{"SomeCharacters", ".+", true},
                      TCatchAllCase{"LineHead", "^", true}, TCatchAllCase{"LineTail", "$", true},
                      TCatchAllCase{"WholeLine", "^.*$", true},
                      TCatchAllCase{"WholeLineOfOneOrMore", "^.+$", true},
                      TCatchAllCase{"EmptyAlternative", "(A|)", true},
                      TCatchAllCase{"Optional", "A?", true},
                      TCatchAllCase{"LastCharacter", ".$", true},
                      TCatchAllCase{"FirstCharacter", "^.", true},
                      TCatchAllCase{"ClassAndItsComplement", "[^A]|A", true},
                      TCatchAllCase{"DoubleByteComplement", "[^あ]|あ", true},
                      TCatchAllCase{"KeywordOrAnythingAfterIt", "猫|.*", true},
                      TCatchAllCase{"EmptyLineOnly", "^$", false},
                      TCatchAllCase{"Keyword", "ねこ", false},
                      TCatchAllCase{"KeywordAlternatives", "月|つき|ツキ", false},
                      TCatchAllCase{"ClosureThenLetter", "A*B", false},
                      TCatchAllCase{"NegatedClass", "[^A]", false},
                      TCatchAllCase{"TwoCharacters", "..", false},
                      TCatchAllCase{"AnchoredKeyword", "^(うん|はい)", false},
                      TCatchAllCase{"LineBreakOnly", "\n", false},
                      TCatchAllCase{"QuestionAtTheEnd", "\?$", false},
                      TCatchAllCase{"Broken", "(A", false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_P(CatchAllPattern, IsFoundInEveryLineOnlyWhenItIs) {
  const std::string pattern = Utf8ToShiftJis(GetParam().Pattern);
  const bool everywhere = FoundInEveryLine(pattern);
  EXPECT_EQ(everywhere, GetParam().Everywhere);
  if (!everywhere) return;
  // What it calls a catch-all, the search finds in lines of every shape.
  TbmRExp expression;
  expression.SetPattern(pattern);
  for (const char* line : {"A", "B", "AB", "BA", "ねこ", "?", "あ", "〓", "A?", "ZZZZ"}) {
    EXPECT_TRUE(expression.Found(Utf8ToShiftJis(line))) << line;
  }
}

struct TKeyCase {
  const char* Written;
  const char* Closest;
};

class ClosestKey : public ::testing::TestWithParam<TKeyCase> {};

INSTANTIATE_TEST_SUITE_P(Typos, ClosestKey,
                         ::testing::Values(TKeyCase{"dafaultbitmap", "DefaultBitmap"},
                                           TKeyCase{"nmae", "name"},
                                           TKeyCase{"DATAB3", "datab1"},
                                           TKeyCase{"transparentbaloon", "transparentballoon"},
                                           TKeyCase{"nadenad", "nadenade"}),
                         [](const auto& info) { return std::string(info.param.Closest); });

TEST_P(ClosestKey, IsTheKnownKeyFewestEditsAway) {
  EXPECT_EQ(ClosestKnownKey(GetParam().Written), GetParam().Closest);
}

}  // namespace
}  // namespace kelmo::testing
