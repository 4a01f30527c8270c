// What the analysis of compiled conditions finds: which conditions run compiled, which have a
// gate and what it tests, and which changes or reads keep a gate away; the commands a group may
// turn out to be; and the views of the lookup texts that gates test. Agreement of the compiled
// and indexed lookups with the plain ones is condition_property_test's.
#include "engine/condition_program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "charfile/code_page.h"
#include "engine/compiled_conditions.h"
#include "engine/macro_commands.h"
#include "plugins/plugin_test_folder.h"
#include "test_character.h"

namespace kelmo {
namespace {

constexpr uint8_t kKept = 1u << GateView(TLookupText::kOperateMessage, false);
constexpr uint8_t kDeep = 1u << GateView(TLookupText::kOperateMessage, true);
constexpr uint8_t kPrevDeep = 1u << GateView(TLookupText::kPrev, true);

struct AnalysisCase {
  const char* name;
  std::u16string condition;  // as a key is after load-time normalisation
  bool compiled;
  // The gate: its tests as "=" or "~" and the constant or pattern, nothing for a gate that asks
  // the program's value; no gate at all when absent.
  std::optional<std::vector<std::string>> tests;
  bool decides = false;
  uint8_t views = 0;
  bool quietTags = false;
};
void PrintTo(const AnalysisCase& test, std::ostream* out) {
  *out << test.name;
}

std::vector<std::string> Describe(const TConditionGate& gate) {
  std::vector<std::string> tests;
  for (const TGateTest& test : gate.Tests) {
    tests.push_back(test.Kind == TGateTest::TKind::kEquals ? "=" + Utf16ToUtf8(test.Text)
                                                           : "~" + ShiftJisToUtf8(test.Pattern));
  }
  return tests;
}

class ConditionAnalysis : public ::testing::TestWithParam<AnalysisCase> {};

TEST_P(ConditionAnalysis, FindsWhatRunsCompiledAndWhatAGateMayDecide) {
  const AnalysisCase& test = GetParam();
  const TConditionProgram program(test.condition);
  EXPECT_EQ(program.Compiled(), test.compiled);
  ASSERT_EQ(program.Gate().has_value(), test.tests.has_value());
  if (!test.tests) return;
  EXPECT_EQ(Describe(*program.Gate()), *test.tests);
  EXPECT_EQ(program.Gate()->Decides, test.decides);
  EXPECT_EQ(program.Requirement().Views, test.views);
  EXPECT_EQ(program.Requirement().QuietTags, test.quietTags);
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, ConditionAnalysis,
    ::testing::Values(
        AnalysisCase{"WindowWord", u"{EQ{OPERATEMESSAGE}|KCCALLED}", true,
                     std::vector<std::string>{"=KCCALLED"}, true, kKept},
        AnalysisCase{"PatternOnTheQuery", u"{LIKE{OPERATEMESSAGE}|^( *|.NOTHINGSAID.)$}", true,
                     std::vector<std::string>{"~^( *|.NOTHINGSAID.)$"}, true, kKept},
        AnalysisCase{"DigitShorthandExpandedAsLikeDoes", u"{LIKE{OPERATEMESSAGE}|\\#}", true,
                     std::vector<std::string>{"~#"}, true, kKept},
        AnalysisCase{"TimeOfDayBehindTheQuery",
                     u"{AND{EQ{OPERATEMESSAGE}|KCCALLED}|{AND{>={HOUR}|5}|{<{HOUR}|11}}}", true,
                     std::vector<std::string>{"=KCCALLED"}, false, kDeep},
        AnalysisCase{"GateOnTheRightOfAnd", u"{AND{>={HOUR}|5}|{EQ{OPERATEMESSAGE}|A}}", true,
                     std::vector<std::string>{"=A"}, false, kDeep},
        AnalysisCase{"EitherOfTwoTexts", u"{OR{EQ{OPERATEMESSAGE}|A}|{EQ{PREV}|B}}", true,
                     std::vector<std::string>{"=A", "=B"}, false, kDeep | kPrevDeep},
        // A memo may hold a dot, and DATEDIFF then fails: a plug-in could be asked.
        AnalysisCase{"DateKeptInAMemo",
                     u"{AND{EQ{OPERATEMESSAGE}|KCCALLED}|{>={DATEDIFFD{MEMO51}|{DATE}}|14}}", true,
                     std::vector<std::string>{"=KCCALLED"}, false, kDeep, true},
        // The slice of the query may be empty, and the query may hold a dot.
        AnalysisCase{"SwitchWordsAskTheirValue", u"{EQ{LEFT14|{OPERATEMESSAGE}}|READCHARACTER:}",
                     true, std::vector<std::string>{}, true, kDeep, true},
        AnalysisCase{"ConstantWithABarAsksItsValue", u"{EQ{OPERATEMESSAGE}|A|B}", true,
                     std::vector<std::string>{}, true, kKept},
        AnalysisCase{"ReadWrittenOtherwiseAsksItsValue", u"{EQ{operatemessage}|A}", true,
                     std::vector<std::string>{}, true, kKept},
        AnalysisCase{"CounterChangedBehindTheQuery", u"{AND{EQ{OPERATEMESSAGE}|X}|{COUNT01++}}",
                     true, std::nullopt},
        AnalysisCase{"RandomDrawBehindTheQuery", u"{AND{EQ{OPERATEMESSAGE}|X}|{RANDOMB:50}}", true,
                     std::nullopt},
        AnalysisCase{"TagBehindTheQuery", u"{AND{EQ{OPERATEMESSAGE}|X}|{LOOP.X}}", true,
                     std::vector<std::string>{"=X"}, false, kDeep, true},
        AnalysisCase{"CounterComparison", u"{>{COUNT01}|1}", true, std::nullopt},
        AnalysisCase{"QueryAtTopLevel", u"{OPERATEMESSAGE}", true, std::nullopt},
        AnalysisCase{"CommandNamedByAMemo", u"{{MEMO01}}", false, std::nullopt},
        AnalysisCase{"Scriptized", u"{SCRIPTIZE:[COUNT01++]}", false, std::nullopt},
        AnalysisCase{"SliceOfAKeptGroup", u"{LEFT3|{FOO}}", false, std::nullopt},
        AnalysisCase{"ClosingBraceWithoutGroup", u"x}", false, std::nullopt},
        AnalysisCase{"UnclosedGroup", u"{EQ{OPERATEMESSAGE}|A", false, std::nullopt},
        AnalysisCase{"PlainText", u"TRUE", true, std::vector<std::string>{}, true}),
    [](const auto& info) { return info.param.name; });

// For any text that begins with a prefix, the command it names is one the prefix may name.
TEST(PossibleCommands, HoldEveryCommandATextBeginningWithThePrefixNames) {
  const std::vector<std::u16string> pieces = {
      u"A",  u"N",   u"D",    u"E",   u"C",   u"M",     u"R",    u"I",   u"O",   u"Q",   u"=",
      u"<",  u">",   u"!",    u"|",   u"0",   u"1",     u"5",    u":",   u"?",   u"ND",  u"OT:",
      u"EQ", u"IKE", u"OUNT", u"EMO", u"LAG", u"ANDOM", u"TRUE", u"ATE", u"IFF", u"ALSE"};
  std::mt19937 random(77);
  const auto draw = [&](int most) {
    std::u16string text;
    for (int count = static_cast<int>(random() % (most + 1)); count > 0; --count) {
      text += pieces[random() % pieces.size()];
    }
    return text;
  };
  for (int round = 0; round < 200000; ++round) {
    const std::u16string prefix = draw(4);
    const std::u16string text = prefix + draw(4);
    const size_t bar = text.find(u'|');
    const int barPosition = bar == std::u16string::npos ? 0 : static_cast<int>(bar) + 1;
    std::vector<TCommandId> ids;
    AppendPossibleCommands(prefix, prefix.find(u'|') != std::u16string::npos, barPosition > 0, ids);
    const TCommandId named = RecogniseCommand(text, barPosition);
    ASSERT_NE(std::find(ids.begin(), ids.end(), named), ids.end())
        << Utf16ToUtf8(prefix) << " then " << Utf16ToUtf8(text.substr(prefix.size()));
  }
}

struct ViewCase {
  const char* name;
  std::u16string query;
  bool tagsLive;
  std::optional<std::u16string> kept;  // what a gate at depth 2 sees; nothing when unusable
  std::optional<std::u16string> deep;  // and deeper
};
void PrintTo(const ViewCase& test, std::ostream* out) {
  *out << test.name;
}

class LookupViews : public ::testing::TestWithParam<ViewCase> {};

TEST_P(LookupViews, ShowTheQueryAsAGroupAtDepthTwoOrDeeperSeesIt) {
  const ViewCase& test = GetParam();
  testing::TPluginTestFolder program;
  testing::TSmallCharacter small(program.Path());
  TCharacter& character = *small.Character;
  if (test.tagsLive) {
    program.Install("looper", {{"info", {"loop", "S", "", ""}}});
    ASSERT_TRUE(character.AddPlugin(u"looper"));
    character.SetPluginsEnabled(true);
  }
  character.OperateMessage = Utf16ToShiftJis(test.query);
  TCompiledConditions conditions(character);
  const TLookupState& state = conditions.BeginLookup();
  EXPECT_EQ(state.TagsLive, test.tagsLive);
  for (const bool deep : {false, true}) {
    const std::optional<std::u16string>& expected = deep ? test.deep : test.kept;
    const int view = GateView(TLookupText::kOperateMessage, deep);
    ASSERT_EQ((state.UsableViews >> view & 1) != 0, expected.has_value())
        << (deep ? "deep" : "kept");
    if (expected) {
      EXPECT_EQ(Utf16ToUtf8(state.Texts[view]), Utf16ToUtf8(*expected));
      EXPECT_EQ(state.NarrowTexts[view], Utf16ToShiftJis(*expected));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Queries, LookupViews,
    ::testing::Values(
        ViewCase{"Plain", u"HELLO", false, u"HELLO", u"HELLO"},
        ViewCase{"NormalisedAsTheCommandsSeeIt", u"abc", false, u"ABC", u"ABC"},
        ViewCase{"NothingSaid", u"{NOTHINGSAID}", false, u"{NOTHINGSAID}", u""},
        ViewCase{"Repeated", u"HI{REPEATED}", false, u"HI{REPEATED}", u"HI"},
        ViewCase{"InnerGroupsGoAtDepthThree", u"{A{B}}", false, u"{A}", u""},
        ViewCase{"EmptyQueryLeavesTheReadingGroup", u"", false, u"{OPERATEMESSAGE}", u""},
        ViewCase{"CommandInTheQuery", u"{COUNT01++}", false, std::nullopt, std::nullopt},
        ViewCase{"Bar", u"A|B", false, std::nullopt, std::nullopt},
        ViewCase{"BarInAGroupThatStays", u"{A|B}C", false, std::nullopt, u"C"},
        ViewCase{"ClosingBraceAlone", u"A}", false, std::nullopt, std::nullopt},
        ViewCase{"UnclosedGroup", u"{A", false, std::nullopt, std::nullopt},
        ViewCase{"TagWithoutPlugins", u"{X.Y}", false, u"{X.Y}", u""},
        ViewCase{"TagWithAPlugin", u"{X.Y}", true, std::nullopt, std::nullopt}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kelmo
