// The macro command vocabulary through the evaluator: every row of the recognition table, the
// argument positions, the failures that leave a group in the text with earlier effects kept, the
// slots, the dates at a fixed moment, the random commands and the external-program commands with
// a real program that answers through its file.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "charfile/code_page.h"
#include "charfile/random_source.h"
#include "engine/character.h"
#include "engine/date_text.h"
#include "engine/evaluator.h"
#include "engine/macro_commands.h"
#include "main_thread_queue.h"
#include "test_character.h"

namespace kelmo {
namespace {

using testing::CrLf;
using testing::Sjis;
using testing::TMainThreadQueue;
using testing::TTestCharacterFolder;

// Sunday 2003-01-05 13:04:09, the moment of every evaluation here.
TDateTime FixedNow() {
  TDateTimeParts parts;
  parts.Year = 2003;
  parts.Month = 1;
  parts.Day = 5;
  parts.Hour = 13;
  parts.Minute = 4;
  parts.Second = 9;
  TDateTime value = 0;
  TryEncodeDateTime(parts, value);
  return value;
}

constexpr double kMinute = 1.0 / 1440;

// A loaded character whose external-program notices come through a queue the test pumps.
class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Write("talk.txt", CrLf({"hello"}));
    TCharacterEnvironment environment;
    environment.Plugins.ProgramFolder = folder_.Path();
    environment.MainThread = &mainThread_;
    character_ = std::make_unique<TCharacter>(
        folder_.WriteDefinition({{"name", "kit"}, {"version", "210"}, {"datac1", "talk.txt"}}),
        environment);
  }

  // The evaluation of text at the fixed moment, as UTF-8 for readable failures.
  std::string Run(std::u16string_view text) {
    return Utf16ToUtf8(EvaluateMacroText(*character_, text, FixedNow()));
  }

  TCharacter& Character() { return *character_; }

  TTestCharacterFolder folder_;
  TMainThreadQueue mainThread_;
  std::unique_ptr<TCharacter> character_;
};

struct CommandCase {
  const char* name;
  std::u16string input;
  std::string expected;
};

class CommandResults : public CommandsTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandResults, EvaluateToTheExpectedText) {
  EXPECT_EQ(Run(GetParam().input), GetParam().expected);
}

std::string CaseName(const ::testing::TestParamInfo<CommandCase>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Comparisons, CommandResults,
    ::testing::Values(
        CommandCase{"EqualNumbers", u"{==1|1.0}", "True"},
        CommandCase{"EqualTextsDiffer", u"{EQ1|1.0}", "False"},
        CommandCase{"EqualTextsIgnoreCase", u"{EQabc|ABC}", "True"},
        CommandCase{"NotEqualTexts", u"{NEabc|abd}", "True"},
        CommandCase{"NotEqualNumbers", u"{!=2|2}", "False"}, CommandCase{"Less", u"{<1|2}", "True"},
        CommandCase{"LessOrEqual", u"{<=2|2}", "True"}, CommandCase{"Greater", u"{>1|2}", "False"},
        CommandCase{"GreaterOrEqual", u"{>=-1|-1}", "True"},
        CommandCase{"FullWidthOperands", u"{＝＝１|１}", "True"},
        CommandCase{"SingleEqualsIsNoCommand", u"{=1|1}", "{=1|1}"},
        CommandCase{"NotANumberFails", u"{<a|1}", "{<a|1}"},
        CommandCase{"EmptyLeftOperandFails", u"{<=|5}", "{<=|5}"},
        CommandCase{"ComparisonNeedsBar", u"{==1}", "{==1}"},
        CommandCase{"AndOfInnerResults", u"{AND{==1|1}|{>2|1}}", "True"},
        CommandCase{"AndWithOneFalse", u"{ANDtrue|false}", "False"},
        CommandCase{"OrLooksAtFourCharacters", u"{ORtruex|no}", "True"},
        CommandCase{"OrOfTwoFalse", u"{ORno|no}", "False"},
        CommandCase{"XorOfOneTrue", u"{XORTrue|False}", "True"},
        CommandCase{"XorOfTwoTrue", u"{XORTrue|True}", "False"},
        CommandCase{"AndSliceReachesOverTheBar", u"{ANDx|TRUE}", "False"},
        CommandCase{"NotTrue", u"{NOT:TRUE}", "False"},
        CommandCase{"NotFalse", u"{not:false}", "True"},
        CommandCase{"NotOfInnerResult", u"{NOT:{==1|1}}", "False"},
        CommandCase{"NotOfOtherWord", u"{NOT:YES}", "{NOT:YES}"},
        CommandCase{"IfTrueTakesFirstBranch", u"{IF{==1|1}yes|no}", "yes"},
        CommandCase{"IfFalseTakesTheRest", u"{IF{==1|2}yes|no|maybe}", "no|maybe"},
        CommandCase{"IfKeepsLetterCase", u"{IF{==1|1}Yes Sir|no}", "Yes Sir"},
        CommandCase{"IfWithEmptyBranchStays", u"{IF{==1|1}|no}", "{IFTrue|no}"},
        CommandCase{"IfBranchCarriesDisplayCommand", u"{IF{==1|1}{WAIT}go|no}", "{WAIT}go"},
        CommandCase{"IfWithoutConditionIsNoCommand", u"{IFyes|no}", "{IFyes|no}"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Arithmetic, CommandResults,
    ::testing::Values(
        CommandCase{"Add", u"{+1|2}", "3"}, CommandCase{"Subtract", u"{-1|2.5}", "-1.5"},
        CommandCase{"Multiply", u"{*1E10|1E10}", "1E20"},
        CommandCase{"Divide", u"{/1|3}", "0.333333333333333"},
        CommandCase{"DivideByZeroStays", u"{/1|0}", "{/1|0}"},
        CommandCase{"ExtendedPrecision", u"{+0.1|0.2}", "0.3"},
        CommandCase{"IntegerDivision", u"{\\7|2}", "3"},
        CommandCase{"IntegerDivisionNegative", u"{\\-7|2}", "-3"},
        CommandCase{"IntegerDivisionByZeroStays", u"{\\7|0}", "{\\7|0}"},
        CommandCase{"IntegerDivisionOfSmallest", u"{\\-2147483648|-1}", "2147483648"},
        CommandCase{"IntegerDivisionHex", u"{\\$10|X2}", "8"},
        CommandCase{"IntegerDivisionNeedsIntegers", u"{\\7.5|2}", "{\\7.5|2}"},
        CommandCase{"Remainder", u"{%-7|2}", "-1"},
        CommandCase{"RemainderOfSmallest", u"{%-2147483648|-1}", "0"},
        CommandCase{"Power", u"{^2|10}", "1024"}, CommandCase{"PowerZero", u"{^0|0}", "1"},
        CommandCase{"PowerNegativeBase", u"{^-2|3}", "-8"},
        CommandCase{"PowerNegativeBaseFractionStays", u"{^-8|0.5}", "{^-8|0.5}"},
        CommandCase{"PowerOverflowStays", u"{^10|99999}", "{^10|99999}"},
        CommandCase{"Max", u"{MAX-1|-2}", "-1"}, CommandCase{"Min", u"{MIN3|1E-5}", "1E-5"},
        CommandCase{"Log", u"{LOG2|1024}", "10"},
        CommandCase{"LogBaseOneStays", u"{LOG1|5}", "{LOG1|5}"},
        CommandCase{"LogOfNegativeStays", u"{LOG10|-1}", "{LOG10|-1}"},
        CommandCase{"Abs", u"{ABS:-2.5}", "2.5"}, CommandCase{"Sqr", u"{SQR:-3}", "9"},
        CommandCase{"Sqrt", u"{SQRT:2}", "1.4142135623731"},
        CommandCase{"SqrtOfNegativeStays", u"{SQRT:-1}", "{SQRT:-1}"},
        CommandCase{"Exp", u"{EXP:0}", "1"}, CommandCase{"Sin", u"{SIN:0}", "0"},
        CommandCase{"Cos", u"{COS:0}", "1"}, CommandCase{"Tan", u"{TAN:1}", "1.5574077246549"},
        CommandCase{"ArcSin", u"{ARCSIN:1}", "1.5707963267949"},
        CommandCase{"ArcSinOutsideStays", u"{ARCSIN:1.5}", "{ARCSIN:1.5}"},
        CommandCase{"ArcCos", u"{ARCCOS:1}", "0"},
        CommandCase{"ArcCosOutsideStays", u"{ARCCOS:-2}", "{ARCCOS:-2}"},
        CommandCase{"ArcTan", u"{ARCTAN:1}", "0.785398163397448"},
        CommandCase{"RoundHalfUp", u"{ROUND:2.5}", "3"},
        CommandCase{"RoundHalfAwayFromZero", u"{ROUND:-2.5}", "-3"},
        CommandCase{"RoundDown", u"{ROUND:2.4999}", "2"},
        CommandCase{"Trunc", u"{TRUNC:-2.7}", "-2"},
        CommandCase{"TruncBeyondThirtyTwoBits", u"{TRUNC:1E10}", "10000000000"},
        CommandCase{"TruncBeyondSixtyFourBitsStays", u"{TRUNC:1E19}", "{TRUNC:1E19}"},
        CommandCase{"Floor", u"{FLOOR:-2.5}", "-3"}, CommandCase{"Ceil", u"{CEIL:2.1}", "3"},
        CommandCase{"CeilBeyondThirtyTwoBitsStays", u"{CEIL:1E10}", "{CEIL:1E10}"},
        CommandCase{"FloorOfLowestInteger", u"{FLOOR:-2147483648}", "-2147483648"},
        CommandCase{"Pi", u"{PI}", "3.14159265358979"},
        CommandCase{"NestedSumIsRescanned", u"{+{+1|2}|3}", "6"},
        CommandCase{"FullWidthSum", u"{＋１|２}", "3"},
        CommandCase{"OperatorNeedsBar", u"{+1}", "{+1}"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Texts, CommandResults,
    ::testing::Values(
        CommandCase{"Left", u"{LEFT3|Hello}", "Hel"},
        CommandCase{"LeftBeyondLength", u"{LEFT10|Hello}", "Hello"},
        CommandCase{"LeftZeroStays", u"{LEFT0|Hello}", "{LEFT0|Hello}"},
        CommandCase{"LeftKeepsBarsOfText", u"{LEFT3|a|b}", "a|b"},
        CommandCase{"Right", u"{RIGHT2|Hello}", "lo"},
        CommandCase{"RightBeyondLength", u"{RIGHT10|Hello}", "Hello"},
        CommandCase{"RightNegativeStays", u"{RIGHT-1|Hello}", "{RIGHT-1|Hello}"},
        CommandCase{"MidWithCount", u"{MID2|3|Hello}", "ell"},
        CommandCase{"MidToEnd", u"{MID2|Hello}", "ello"},
        CommandCase{"MidTextCutAtBar", u"{MID1|3|ab|cd}", "ab"},
        CommandCase{"MidStartBelowOne", u"{MID0|2|Hello}", "He"},
        CommandCase{"MidStartBeyondEndStays", u"{MID9|2|Hello}", "{MID9|2|Hello}"},
        CommandCase{"MidCountsCharacters", u"{MID2|2|日本語です}", "本語"},
        CommandCase{"MidUnreadableStartStays", u"{MIDx|Hello}", "{MIDx|Hello}"},
        CommandCase{"Pos", u"{POSLL|hello}", "3"}, CommandCase{"PosAbsent", u"{POSz|hello}", "0"},
        CommandCase{"PosAfterPartialMatch", u"{POSabac|ababac}", "3"},
        CommandCase{"PosOverlapping", u"{POSaab|aaab}", "2"},
        CommandCase{"PosOfEmpty", u"{POS|hello}", "0"}, CommandCase{"Length", u"{LENGTH:abc}", "3"},
        CommandCase{"LengthOfJapanese", u"{LENGTH:日本}", "2"},
        CommandCase{"LengthOfNothing", u"{LENGTH:}", "0"},
        CommandCase{"LikeDigits", u"{LIKE2003/04|####/##}", "True"},
        CommandCase{"LikeIgnoresCase", u"{LIKEHello|ELL}", "True"},
        CommandCase{"LikeNoMatch", u"{LIKEabc|x}", "False"},
        CommandCase{"LikeBrokenPattern", u"{LIKEabc|[}", "False"},
        CommandCase{"LikeLiteralHash", u"{LIKEa#b|a\\#b}", "True"},
        CommandCase{"ScriptizeIsRescanned", u"{SCRIPTIZE:[DATE]}", "2003/01/05"},
        CommandCase{"ScriptizeKeepsCase", u"{SCRIPTIZE:Hi [+1|1] There}", "Hi 2 There"},
        CommandCase{"LineBreak", u"a{BR}b", "a\r\nb"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Dates, CommandResults,
    ::testing::Values(
        CommandCase{"Now", u"{NOW}", "2003/01/05 13:04:09"},
        CommandCase{"DateTwiceTheSame", u"{DATE} {DATE}", "2003/01/05 2003/01/05"},
        CommandCase{"Time", u"{TIME}", "13:04:09"}, CommandCase{"Year", u"{YEAR}", "2003"},
        CommandCase{"Month", u"{MONTH}", "1"}, CommandCase{"Day", u"{DAY}", "5"},
        CommandCase{"Hour", u"{HOUR}", "13"}, CommandCase{"Minute", u"{MINUTE}", "4"},
        CommandCase{"Second", u"{SECOND}", "9"}, CommandCase{"YoubiOnSunday", u"{YOUBI}", "日曜"},
        CommandCase{"DateDiffDays", u"{DATEDIFFD2003/01/01|2003/01/31}", "30"},
        CommandCase{"DateDiffHours", u"{DATEDIFFH2003/01/01|2003/01/02 06:00}", "30"},
        CommandCase{"DateDiffMinutesBackwards", u"{DATEDIFFN2003/01/01 00:10|2003/01/01}", "-10"},
        CommandCase{"DateDiffSeconds", u"{DATEDIFFS10:00:00|10:01:01}", "61"},
        CommandCase{"DateDiffTruncates", u"{DATEDIFFD2003/01/01|2003/01/02 23:59}", "1"},
        CommandCase{"DateDiffBeforeDayZero", u"{DATEDIFFH1899/12/29 06:00|1899/12/30}", "18"},
        CommandCase{"DateDiffWithNow", u"{DATEDIFFD2003/01/01|{DATE}}", "4"},
        CommandCase{"DateDiffOtherUnitStays", u"{DATEDIFFY2003/01/01|2004/01/01}",
                    "{DATEDIFFY2003/01/01|2004/01/01}"},
        CommandCase{"DateDiffBadDateStays", u"{DATEDIFFD2003/02/30|2003/03/01}",
                    "{DATEDIFFD2003/02/30|2003/03/01}"},
        CommandCase{"IsSameDay", u"{ISSAMED1970/01/05|{DATE}}", "True"},
        CommandCase{"IsSameDayDiffers", u"{ISSAMED2003/01/06|2003/01/05}", "False"},
        CommandCase{"IsSameOtherUnitStays", u"{ISSAMEM2003/01/05|2003/01/05}",
                    "{ISSAMEM2003/01/05|2003/01/05}"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    NoCommand, CommandResults,
    ::testing::Values(
        CommandCase{"UnknownWord", u"{FOO}", "{FOO}"},
        CommandCase{"FirstCharacterWithoutRow", u"{Gx|y}", "{Gx|y}"},
        CommandCase{"FirstCharacterOutsideRange", u"{_x}", "{_x}"},
        CommandCase{"WordWithTrailingText", u"{DATEX}", "{DATEX}"},
        CommandCase{"DateDiffWithoutBar", u"{DATEDIFFD2003/01/01}", "{DATEDIFFD2003/01/01}"},
        CommandCase{"CountTooShort", u"{COUNT1}", "{COUNT1}"},
        CommandCase{"FlagTooShort", u"{FLAG1}", "{FLAG1}"},
        CommandCase{"MemoTooShort", u"{MEMO1}", "{MEMO1}"},
        CommandCase{"RandomOtherKind", u"{RANDOMX:5}", "{RANDOMX:5}"},
        CommandCase{"EntrustWithoutBar", u"{ENTRUSTtool}", "{ENTRUSTtool}"},
        CommandCase{"DisplayCommandsStay", u"{WAIT}{PIC:a.bmp}", "{WAIT}{PIC:a.bmp}"}),
    CaseName);

TEST_F(CommandsTest, PosOfALongNearMissEnds) {
  // Searching 300,000 "A" and a "B" in 700,000 "A": quadratic searching would take minutes.
  const std::u16string text =
      u"{POS" + std::u16string(300000, u'A') + u"B|" + std::u16string(700000, u'A') + u"}";
  EXPECT_EQ(Run(text), "0");
}

TEST_F(CommandsTest, ProfileAndConversationMemoryAreReadAsStored) {
  TUserProfile profile;
  profile.Surname = Sjis(u"山田");
  profile.GivenName = Sjis(u"花子");
  profile.HandleName = "hana";
  profile.Nickname = Sjis(u"はなちゃん");
  profile.IsMale = false;
  TryEncodeDateTime({1980, 2, 29}, profile.Birthday);
  Character().SetUserProfile(profile);
  Character().Prev = "Hello there";
  Character().PrevAnswer = "HI";
  Character().OperateMessage = "HELLO THERE";
  Character().Turn = 12;
  EXPECT_EQ(Run(u"{MYOJI}|{NAMAE}|{FULLNAME}|{HN}|{NICKNAME}|{SEX}|{BIRTHDAY}"),
            "山田|花子|山田花子|hana|はなちゃん|False|1980/02/29");
  EXPECT_EQ(Run(u"{PREV}|{PREVANSWER}|{OPERATEMESSAGE}|{TURN}"), "Hello there|HI|HELLO THERE|12");
  // An empty field yields nothing and the group stays.
  Character().Profile.Nickname.clear();
  EXPECT_EQ(Run(u"{NICKNAME}"), "{NICKNAME}");
}

TEST_F(CommandsTest, WorkCountsTheMinutesFieldSinceLoading) {
  Character().LoadTime = FixedNow() - 75 * kMinute;
  EXPECT_EQ(Run(u"{WORK}"), "15");
  Character().LoadTime = FixedNow() - 59 * kMinute;
  EXPECT_EQ(Run(u"{WORK}"), "59");
}

TEST_F(CommandsTest, CounterSettingGroupsStayAndCount) {
  EXPECT_EQ(Run(u"{COUNT01:5}{COUNT01++}{COUNT01}"), "{COUNT01:5}{COUNT01++}6");
  EXPECT_EQ(Run(u"Hi {COUNT01++} there"), "Hi {COUNT01++} there");
  EXPECT_EQ(Character().Counter[1], 7);
  Run(u"{COUNT01--}{COUNT01-0.5}{COUNT01+10}");
  EXPECT_EQ(Character().Counter[1], 15.5);
  EXPECT_EQ(Run(u"{COUNT99:1E-5}{COUNT99}"), "{COUNT99:1E-5}1E-5");
  EXPECT_EQ(Run(u"{ＣＯＵＮＴ０２：３}{count02}"), "{ＣＯＵＮＴ０２：３}3");
}

TEST_F(CommandsTest, CounterFormsThatDoNotFitChangeNothing) {
  Character().Counter[3] = 4;
  // "+++" is no doubled "+": it adds the text "++", which is no number.
  for (const char16_t* text : {u"{COUNT03+}", u"{COUNT03+x}", u"{COUNT03*2}", u"{COUNT03:}",
                               u"{COUNT03+++}", u"{COUNTxy++}"}) {
    EXPECT_EQ(Run(text), Utf16ToUtf8(text));
    EXPECT_EQ(Character().Counter[3], 4) << Utf16ToUtf8(text);
  }
  Run(u"{COUNT03:1E308}{COUNT03+1E308}");
  EXPECT_EQ(Character().Counter[3], 1e308);  // the overflowing sum is not stored
}

TEST_F(CommandsTest, MemoFormsKeepTheRawText) {
  EXPECT_EQ(Run(u"{MEMO05:Hello World}{MEMO05+, Ｙｏｕ}{MEMO05}"),
            "{MEMO05:Hello World}{MEMO05+, Ｙｏｕ}Hello World, Ｙｏｕ");
  EXPECT_EQ(Character().Memo[5], "Hello World, " + Sjis(u"Ｙｏｕ"));
  Run(u"{MEMO05C}");
  EXPECT_EQ(Character().Memo[5], "");
  EXPECT_EQ(Run(u"{MEMO05}"), "{MEMO05}");
  // "C" with more after it is no clearing form.
  Character().Memo[5] = "kept";
  Run(u"{MEMO05CX}");
  EXPECT_EQ(Character().Memo[5], "kept");
}

TEST_F(CommandsTest, MemoStopsGrowingWhereItCouldNoLongerBeRead) {
  const size_t longest = 2 * kMaxWorkingTextLength;
  Character().Memo[9] = std::string(longest - 1, 'a');
  EXPECT_EQ(Run(u"{MEMO09+bc}"), "{MEMO09+bc}");
  EXPECT_EQ(Character().Memo[9].size(), longest - 1);
  Run(u"{MEMO09+b}");
  EXPECT_EQ(Character().Memo[9].size(), longest);
}

TEST_F(CommandsTest, MemoKeepsBracketedMacrosForLater) {
  Run(u"{MEMO07:[+1|1] apples}");
  EXPECT_EQ(Character().Memo[7], "[+1|1] apples");
  EXPECT_EQ(Run(u"{SCRIPTIZE:{MEMO07}}"), "2 apples");
  // A memo's result is scanned again, so braces stored in it are groups.
  Character().Memo[7] = "{+2|2} pears";
  EXPECT_EQ(Run(u"{MEMO07}"), "4 pears");
}

TEST_F(CommandsTest, FlagsToggleAndSet) {
  EXPECT_EQ(Run(u"{FLAG03}"), "False");
  Run(u"{FLAG03!}");
  EXPECT_EQ(Run(u"{FLAG03}"), "True");
  Run(u"{FLAG03!}");
  EXPECT_FALSE(Character().Flag[3]);
  Run(u"{FLAG04:true}");
  EXPECT_TRUE(Character().Flag[4]);
  Run(u"{FLAG04:yes}");
  EXPECT_TRUE(Character().Flag[4]);
  Run(u"{FLAG04:FALSE}");
  EXPECT_FALSE(Character().Flag[4]);
  EXPECT_EQ(Run(u"{IF{FLAG04}on|off}"), "off");
}

TEST_F(CommandsTest, SlotNumbersOutsideTheRangeTouchNothing) {
  for (int i = 0; i < kSlotCount; ++i) {
    Character().Memo[i] = "m";
    Character().Counter[i] = 1;
    Character().Flag[i] = true;
  }
  for (const char16_t* text :
       {u"{MEMO-1:x}", u"{MEMO-1+x}", u"{MEMO-1C}", u"{MEMO-1}", u"{COUNT-1++}", u"{COUNT-1:5}",
        u"{COUNT-9}", u"{FLAG-1!}", u"{FLAG-9:FALSE}", u"{MEMO-9:x}"}) {
    EXPECT_EQ(Run(text), Utf16ToUtf8(text));
  }
  for (int i = 0; i < kSlotCount; ++i) {
    EXPECT_EQ(Character().Memo[i], "m") << i;
    EXPECT_EQ(Character().Counter[i], 1) << i;
    EXPECT_TRUE(Character().Flag[i]) << i;
  }
  // Hexadecimal slot numbers within the range are slot numbers like any other.
  Run(u"{COUNT$F++}");
  EXPECT_EQ(Character().Counter[15], 2);
}

TEST_F(CommandsTest, AFailedCommandKeepsEarlierEffects) {
  // The inner setting happens, the outer division fails and its group stays.
  EXPECT_EQ(Run(u"{/{COUNT08:4}|0}"), "{/{COUNT08:4}|0}");
  EXPECT_EQ(Character().Counter[8], 4);
}

TEST_F(CommandsTest, AMemoThatReadsItselfEndsEmptyAtTheLimit) {
  Run(u"{MEMO01:{SCRIPTIZE:[MEMO01]}}");
  ASSERT_EQ(Character().Memo[1], "{MEMO01}");
  EXPECT_EQ(Run(u"before {MEMO01} after"), "");
  // The character stays usable.
  EXPECT_EQ(Run(u"{+1|1}"), "2");
}

TEST_F(CommandsTest, ChoiceDrawsEveryOptionWithItsGroups) {
  UseFixedRandomSeed(1);
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) seen.insert(Run(u"{CHOICEa|B|{WAIT}c}"));
  EXPECT_EQ(seen, (std::set<std::string>{"a", "B", "{WAIT}c"}));
  EXPECT_EQ(Run(u"{CHOICEonly One}"), "only One");
  EXPECT_EQ(Run(u"{CHOICE}"), "{CHOICE}");
}

TEST_F(CommandsTest, RandomCommandsStayInTheirRange) {
  UseFixedRandomSeed(2);
  std::set<std::string> values;
  for (int i = 0; i < 300; ++i) {
    EXPECT_EQ(Run(u"{RANDOMB:0}"), "False");
    EXPECT_EQ(Run(u"{RANDOMB:100}"), "True");
    values.insert(Run(u"{RANDOMV:5}"));
  }
  EXPECT_EQ(values, (std::set<std::string>{"0", "1", "2", "3", "4"}));
  EXPECT_EQ(Run(u"{RANDOMV:0}"), "0");
  EXPECT_EQ(Run(u"{RANDOMV:-3}"), "0");
  EXPECT_EQ(Run(u"{RANDOMV:x}"), "{RANDOMV:x}");
}

TEST_F(CommandsTest, ExecuteCommandCutsArgumentsFromTheRawOrNormalisedText) {
  // Called directly, as the evaluator does: raw text, its normalised form and the bar.
  EXPECT_EQ(ExecuteCommand(Character(), u"left2|Hello", u"LEFT2|HELLO", 6, FixedNow()), u"He");
  EXPECT_EQ(ExecuteCommand(Character(), u"pos b|a b", u"POS B|A B", 6, FixedNow()), u"2");
  EXPECT_EQ(ExecuteCommand(Character(), u"", u"", 0, FixedNow()), u"");
  EXPECT_THROW(ExecuteCommand(Character(), u"/1|0", u"/1|0", 3, FixedNow()), std::exception);
}

// A program in the character folder that answers through its file, and a stand-in opener.
class ExternalCommandsTest : public CommandsTest {
 protected:
  void SetUp() override {
    CommandsTest::SetUp();
    const std::filesystem::path helper =
        std::filesystem::path(__FILE__).parent_path() / "entrust_helper.sh";
    std::filesystem::copy_file(helper, folder_.Path() + "answer.sh");
    std::filesystem::permissions(folder_.Path() + "answer.sh", std::filesystem::perms::owner_all);
    const char* path = ::getenv("PATH");
    savedPath_ = path ? path : "";
    opener_.Write("xdg-open", "#!/bin/sh\necho \"$1\" > \"$(dirname \"$0\")/opened\"\n");
    std::filesystem::permissions(opener_.Path() + "xdg-open", std::filesystem::perms::owner_all);
    ::setenv("PATH", (opener_.Path() + ":" + savedPath_).c_str(), 1);
    folder_.Write("notes.txt", "notes");
  }
  void TearDown() override { ::setenv("PATH", savedPath_.c_str(), 1); }

  void Release() { folder_.Write("release", ""); }

  // Waits (pumping the main-thread queue) until the watch's notice has set RunnerDone.
  bool NoticeArrives() {
    return mainThread_.PumpUntil([&] { return Character().RunnerDone; });
  }

  // The helper's process id, once it has written it.
  pid_t HelperProcess() {
    for (int i = 0; i < 1000 && !folder_.Exists("pid"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return static_cast<pid_t>(std::atoi(folder_.Read("pid").c_str()));
  }

  static bool Disappears(pid_t process) {
    const std::string entry = "/proc/" + std::to_string(process);
    for (int i = 0; i < 1000 && std::filesystem::exists(entry); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return !std::filesystem::exists(entry);
  }

  testing::TempFolder opener_;
  std::string savedPath_;
};

TEST_F(ExternalCommandsTest, EntrustEndToEnd) {
  Character().SetAllowExecute(true);
  EXPECT_EQ(Run(u"{ALLOWEXECUTE}"), "True");
  EXPECT_EQ(Run(u"{ENTRUSTanswer.sh|First \"second line\"}"), "True");
  const pid_t helper = HelperProcess();
  EXPECT_EQ(Run(u"{ENDENTRUST}"), "False");
  EXPECT_EQ(Run(u"{RESULT}"), "{RESULT}");  // no answer yet

  Release();
  ASSERT_TRUE(NoticeArrives());
  EXPECT_EQ(Run(u"{ENDENTRUST}"), "True");
  EXPECT_EQ(Run(u"{ENDENTRUST}"), "False");
  EXPECT_EQ(Run(u"{RESULT}"), "First");
  EXPECT_FALSE(folder_.Exists("Result.txt"));
  EXPECT_EQ(Run(u"{RESULT}"), "{RESULT}");
  EXPECT_TRUE(Disappears(helper));
}

TEST_F(ExternalCommandsTest, EndEntrustSeesAnEndedProgramBeforeTheLoopRuns) {
  Character().SetAllowExecute(true);
  Release();
  EXPECT_EQ(Run(u"{ENTRUSTanswer.sh|x}"), "True");
  // Without pumping: the ended watch's notice is taken over by ENDENTRUST itself.
  std::string done = "False";
  for (int i = 0; i < 1000 && done == "False"; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    done = Run(u"{ENDENTRUST}");
  }
  EXPECT_EQ(done, "True");
  EXPECT_EQ(Run(u"{ENDENTRUST}"), "False");
  mainThread_.Pump();
  EXPECT_FALSE(Character().RunnerDone);  // the posted notice found nothing left to do
}

TEST_F(ExternalCommandsTest, ASecondEntrustAbandonsTheFirstWatchButNotItsProgram) {
  Character().SetAllowExecute(true);
  EXPECT_EQ(Run(u"{ENTRUSTanswer.sh|one}"), "True");
  const pid_t first = HelperProcess();
  std::filesystem::remove(folder_.Path() + "pid");
  EXPECT_EQ(Run(u"{ENTRUSTanswer.sh|two}"), "True");
  EXPECT_FALSE(Character().RunnerDone);  // set by the abandoned watch, cleared by the new start
  const pid_t second = HelperProcess();
  EXPECT_NE(first, second);
  EXPECT_EQ(::kill(first, 0), 0);

  // A start that fails leaves RunnerDone set by the watch it abandoned.
  EXPECT_EQ(Run(u"{ENTRUSTmissing.sh|x}"), "False");
  EXPECT_TRUE(Character().RunnerDone);
  EXPECT_EQ(::kill(second, 0), 0);

  Release();
  EXPECT_TRUE(Disappears(first));
  EXPECT_TRUE(Disappears(second));
}

// What a character started goes with it; only a new ENTRUST leaves the old program running.
TEST_F(ExternalCommandsTest, DestroyingTheCharacterEndsTheProgramAndReapsIt) {
  Character().SetAllowExecute(true);
  EXPECT_EQ(Run(u"{ENTRUSTanswer.sh|last words}"), "True");
  const pid_t helper = HelperProcess();
  character_.reset();
  EXPECT_TRUE(Disappears(helper));
  Release();
  EXPECT_FALSE(folder_.Exists("Result.txt"));
  mainThread_.Pump();  // a notice posted for the gone character does nothing
}

TEST_F(ExternalCommandsTest, WithoutAllowExecuteNothingStarts) {
  folder_.Write("Result.txt", "old answer\r\nsecond\r\n");
  Release();
  EXPECT_EQ(Run(u"{ALLOWEXECUTE}"), "False");
  EXPECT_EQ(Run(u"{ENTRUSTanswer.sh|x}"), "False");
  EXPECT_EQ(Run(u"{SHELL:notes.txt}"), "False");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(folder_.Exists("pid"));
  EXPECT_FALSE(opener_.Exists("opened"));
  // RESULT does not ask for permission.
  EXPECT_EQ(Run(u"{RESULT}"), "old answer");
  EXPECT_FALSE(folder_.Exists("Result.txt"));
}

TEST_F(ExternalCommandsTest, ARewritingReplyStartsOnlyAFewProgramsPerSecond) {
  Character().SetAllowExecute(true);
  Release();
  // Each rescan of the memo would start the program again, up to the evaluator's limit.
  Character().Memo[1] = "{ENTRUSTanswer.sh|x}{MEMO01}";
  Run(u"{MEMO01}");
  EXPECT_EQ(Run(u"{SHELL:notes.txt}"), "False");  // the budget of this second is spent
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  EXPECT_EQ(Run(u"{SHELL:notes.txt}"), "True");
}

TEST_F(ExternalCommandsTest, ResultReadsShiftJisAndUtf8Answers) {
  folder_.Write("Result.txt", "\x93\x9a\x82\xa6\r\n");  // 答え in Shift-JIS
  EXPECT_EQ(Run(u"{RESULT}"), "答え");
  folder_.Write("Result.txt", "答え\n");  // the same word in UTF-8, as a program here writes it
  EXPECT_EQ(Run(u"{RESULT}"), "答え");
}

TEST_F(ExternalCommandsTest, ShellOpensDocumentsButNoPrograms) {
  Character().SetAllowExecute(true);
  EXPECT_EQ(Run(u"{SHELL:notes.txt}"), "True");
  EXPECT_EQ(opener_.Read("opened"), folder_.Path() + "notes.txt\n");
  std::filesystem::remove(opener_.Path() + "opened");
  EXPECT_EQ(Run(u"{SHELL:setup.EXE}"), "False");
  EXPECT_EQ(Run(u"{SHELL:answer.sh}"), "False");
  EXPECT_EQ(Run(u"{SHELL:missing.txt}"), "False");
  EXPECT_FALSE(opener_.Exists("opened"));
}

}  // namespace
}  // namespace kelmo
