// The evaluator's scanning, nesting, splicing and rescanning rules, with words that are no
// commands, plug-in tags, the Shift-JIS passage of the saved text, and the limits that keep
// hostile text from hanging or exhausting the program.
#include "engine/evaluator.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "charfile/code_page.h"
#include "charfile/text_utils.h"
#include "engine/macro_commands.h"
#include "plugins/plugin_list.h"
#include "plugins/plugin_test_folder.h"
#include "test_character.h"

namespace kelmo {
namespace {

struct EvaluationCase {
  const char* name;
  std::u16string input;
  std::u16string expected;
};

void PrintTo(const EvaluationCase& test, std::ostream* out) {
  *out << test.name;
}

class EvaluatorRules : public ::testing::TestWithParam<EvaluationCase> {
 protected:
  testing::TSmallCharacter small_;
};

TEST_P(EvaluatorRules, YieldsTheExpectedText) {
  EXPECT_EQ(Utf16ToUtf8(small_.Character->Evaluate(GetParam().input)),
            Utf16ToUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Table, EvaluatorRules,
    ::testing::Values(
        EvaluationCase{"NoGroup", u"abc", u"abc"}, EvaluationCase{"Empty", u"", u""},
        EvaluationCase{"WordKeptAtDepthOne", u"{FOO}", u"{FOO}"},
        EvaluationCase{"WordsKeptAtDepthsOneAndTwo", u"{BAR{FOO}}", u"{BAR{FOO}}"},
        EvaluationCase{"DepthThreeWithoutResultRemoved", u"{A{B{FOO}}}", u"{A{B}}"},
        EvaluationCase{"DeeperGroupsRemovedFromInside", u"{A{B{C{D}}}}x", u"{A{B}}x"},
        EvaluationCase{"ClosingBraceWithoutGroup", u"x}y", u""},
        EvaluationCase{"ClosingBraceAfterKeptGroup", u"{FOO}}tail", u""},
        EvaluationCase{"UnclosedGroupDropped", u"x{y", u"x"},
        EvaluationCase{"DroppedFromOutermostUnclosed", u"a{b{c}d", u"a"},
        EvaluationCase{"ClosedGroupsBeforeUnclosedStay", u"a{b}c{d{e", u"a{b}c"},
        EvaluationCase{"EmptyGroupKept", u"{}", u"{}"},
        EvaluationCase{"DeepEmptyGroupRemoved", u"{{{}}}", u"{{}}"},
        EvaluationCase{"TextAroundGroupsKept", u"Hi {FOO} there {BAR}!", u"Hi {FOO} there {BAR}!"},
        EvaluationCase{"FullWidthBracesArePlainText", u"｛FOO｝", u"｛FOO｝"},
        EvaluationCase{"CaseOfKeptGroupUnchanged", u"{foo Bar}", u"{foo Bar}"},
        EvaluationCase{"JapaneseBeforeGroupSurvives", u"日本{FOO}語", u"日本{FOO}語"},
        EvaluationCase{"UnrepresentableBeforeGroupSubstituted", u"é😀{FOO}", u"〓〓{FOO}"},
        EvaluationCase{"UnrepresentableWithoutGroupKept", u"é😀", u"é😀"},
        EvaluationCase{"UnrepresentableAfterLastGroupKept", u"{FOO}é", u"{FOO}é"},
        EvaluationCase{"UnrepresentableInsideKeptGroupKept", u"{é}", u"{é}"},
        // The pair passes through the code page as one "〓" when the inner group opens; the outer
        // group still ends at its own "}".
        EvaluationCase{"UnrepresentablePairBeforeInnerGroup", u"{A😀{B}}x{C}", u"{A〓{B}}x{C}"},
        EvaluationCase{"UnrepresentablePairBeforeDeepGroup", u"{A😀{B😀{C}}}x", u"{A〓{B〓}}x"},
        EvaluationCase{"NulCharactersArePlainText", std::u16string(u"a\0{b\0}c", 7),
                       std::u16string(u"a\0{b\0}c", 7)}),
    [](const ::testing::TestParamInfo<EvaluationCase>& info) { return info.param.name; });

// The evaluation as the algorithm reads, step by step: one working text with 1-based positions,
// splices by replacing, saved texts as Shift-JIS bytes. Quadratic and without limits, but plain,
// so that the evaluator's split working text and its saved texts kept in wide form can be
// checked against it. A group's extent is measured in the working text from its "{" to its "}"
// (the raw text can be shorter, see UnrepresentablePairBeforeInnerGroup). Plug-ins are off here.
std::u16string ReferenceEvaluate(TCharacter& character, std::u16string text, TDateTime now) {
  size_t position = 1;
  std::u16string accumulator;
  std::vector<size_t> openPositions;
  std::vector<std::string> savedTexts;
  const auto popSaved = [&savedTexts] {
    std::u16string saved = ShiftJisToUtf16(savedTexts.back());
    savedTexts.pop_back();
    return saved;
  };
  while (position <= text.size()) {
    const char16_t c = text[position - 1];
    if (c == u'{') {
      openPositions.push_back(position);
      savedTexts.push_back(Utf16ToShiftJis(accumulator));
      accumulator.clear();
      ++position;
      continue;
    }
    if (c != u'}') {
      accumulator += c;
      ++position;
      continue;
    }
    const std::u16string raw = accumulator;
    const std::u16string command = NormalizeText(raw);
    const size_t bar = command.find(u'|');
    std::u16string result;
    if (!raw.empty()) {
      try {
        result = ExecuteCommand(character, raw, command,
                                bar == std::u16string::npos ? 0 : int(bar) + 1, now);
      } catch (...) {
        result.clear();
      }
    }
    const size_t depth = openPositions.size();
    if (depth == 0) return u"";
    const size_t open = openPositions.back();
    openPositions.pop_back();
    if (depth > 2 || !result.empty()) {
      text = text.substr(0, open - 1) + result + text.substr(position);
      position = open;
      accumulator = popSaved();
    } else {
      position += 1;
      accumulator = popSaved() + u"{" + raw + u"}";
    }
  }
  while (savedTexts.size() > 1) savedTexts.pop_back();
  return savedTexts.empty() ? accumulator : popSaved();
}

TEST(EvaluatorDifferential, AgreesWithTheStepByStepEvaluation) {
  testing::TSmallCharacter small;
  // Pieces that make groups, nesting, results that are rescanned, unrepresentable characters and
  // many-to-one mappings; no command among them changes the character or draws at random.
  const std::u16string loneSurrogate(1, char16_t{0xD800});
  // clang-format off
  const std::u16string pieces[] = {
      u"{", u"{", u"}", u"}", u"a", u"x", u"é", u"😀", u"日", u"～", loneSurrogate, u"|",
      u"FOO", u"+1|2", u"==1|1", u"IF", u"TRUE", u"EQ", u"ＮＯＴ:ＴＲＵＥ", u"BR", u"LEFT2|",
      u"SCRIPTIZE:[", u"[", u"]"};
  // clang-format on
  std::mt19937 generator(20240601);
  const TDateTime now = 37622.5;  // 2003-01-01 12:00
  for (int round = 0; round < 5000; ++round) {
    std::u16string text;
    const int count = static_cast<int>(generator() % 24);
    for (int i = 0; i < count; ++i) text += pieces[generator() % std::size(pieces)];
    ASSERT_EQ(Utf16ToUtf8(EvaluateMacroText(*small.Character, text, now)),
              Utf16ToUtf8(ReferenceEvaluate(*small.Character, text, now)))
        << Utf16ToUtf8(text);
  }
}

TEST(EvaluatorLimits, HundredThousandNestedBracesEndQuickly) {
  testing::TSmallCharacter small;
  const std::u16string nested = std::u16string(100000, u'{') + std::u16string(100000, u'}');
  // Every group below depth 2 is empty and removed; the two outer ones stay.
  EXPECT_EQ(small.Character->Evaluate(nested), u"{{}}");
  EXPECT_EQ(small.Character->Evaluate(std::u16string(100000, u'{')), u"");
  EXPECT_EQ(small.Character->Evaluate(std::u16string(100000, u'}')), u"");
}

TEST(EvaluatorLimits, SpliceCountIsBoundedExactly) {
  testing::TSmallCharacter small;
  // n nested empty groups make n - 2 splices (each removal of a deep group is one).
  const auto nested = [](int depth) {
    return std::u16string(depth, u'{') + std::u16string(depth, u'}');
  };
  EXPECT_EQ(small.Character->Evaluate(nested(kMaxSplices + 2)), u"{{}}");
  EXPECT_EQ(small.Character->Evaluate(nested(kMaxSplices + 3)), u"");
}

TEST(EvaluatorLimits, WorkingTextLengthIsBoundedExactly) {
  testing::TSmallCharacter small;
  const std::u16string longest(kMaxWorkingTextLength, u'a');
  EXPECT_EQ(small.Character->Evaluate(longest), longest);
  EXPECT_EQ(small.Character->Evaluate(longest + u"a"), u"");
  // Groups in a long text are still handled.
  const std::u16string withGroups =
      u"{FOO}" + std::u16string(kMaxWorkingTextLength - 10, u'b') + u"{BAR}";
  EXPECT_EQ(small.Character->Evaluate(withGroups), withGroups);
}

// A character with one test plug-in, named "loop", in its plug-in list.
class PluginTags : public ::testing::Test {
 protected:
  // Installs the plug-in answering every tag with tagReturn, or with "tag:" and the tag.
  void AddLoopPlugin(const std::u16string& tagReturn = u"") {
    nlohmann::json settings = {{"info", {"loop", "S", "", ""}}};
    if (!tagReturn.empty()) settings["tagReturn"] = Utf16ToUtf8(tagReturn);
    program_.Install("looper", settings);
    ASSERT_TRUE(character().AddPlugin(u"looper"));
  }
  TCharacter& character() { return *small_.Character; }

  // Number of tags the plug-in was asked to expand.
  size_t ExpansionCount() const {
    size_t count = 0;
    for (const nlohmann::json& request : program_.Records("looper")) {
      count += request["method"] == "ExpandPluginTag";
    }
    return count;
  }

  testing::TPluginTestFolder program_;
  testing::TSmallCharacter small_{program_.Path()};
};

TEST_F(PluginTags, ExpandedOnlyWhilePluginsAreEnabled) {
  AddLoopPlugin();
  EXPECT_EQ(character().Evaluate(u"<{Loop.Time}>"), u"<{Loop.Time}>");
  character().SetPluginsEnabled(true);
  // The plug-in gets the raw text after the first ".".
  EXPECT_EQ(character().Evaluate(u"<{Loop.Time.x}>"), u"<tag:Time.x>");
  EXPECT_EQ(character().Evaluate(u"<{ＬＯＯＰ.y}>"), u"<tag:y>");
  EXPECT_EQ(character().Evaluate(u"<{other.Time}>"), u"<{other.Time}>");
  EXPECT_EQ(character().Evaluate(u"<{A{B{other.x}}}>"), u"<{A{B}}>");
}

TEST_F(PluginTags, AnswerIsRescanned) {
  AddLoopPlugin(u"[{FOO}{A{B{C}}}]");
  character().SetPluginsEnabled(true);
  EXPECT_EQ(character().Evaluate(u"<{loop.x}>"), u"<[{FOO}{A{B}}]>");
}

TEST_F(PluginTags, TagThatKeepsGrowingEndsAtTheWorkingTextLimit) {
  const std::u16string answer = std::u16string(64 * 1024, u'x') + u"{loop.x}";
  AddLoopPlugin(answer);
  character().SetPluginsEnabled(true);
  const std::u16string text = u"<{loop.x}>";
  EXPECT_EQ(character().Evaluate(text), u"");
  // Each answer grows the working text by its length less the group's; the answer that takes it
  // past the limit ends the evaluation.
  const size_t growth = answer.size() - 8;
  EXPECT_EQ(ExpansionCount(), (kMaxWorkingTextLength - text.size()) / growth + 1);
}

TEST_F(PluginTags, TagThatReplacesItselfEndsAtTheSplicedLengthLimit) {
  // Each answer is long, but its text lies in a deep group that is removed again, so the working
  // text hardly grows and only the total spliced length stops the loop.
  const std::u16string answer = u"{{{" + std::u16string(60 * 1024, u'x') + u"}}}{loop.x}";
  AddLoopPlugin(answer);
  character().SetPluginsEnabled(true);
  EXPECT_EQ(character().Evaluate(u"<{loop.x}>"), u"");
  EXPECT_EQ(ExpansionCount(), kMaxSplicedLength / answer.size() + 1);
}

}  // namespace
}  // namespace kelmo
