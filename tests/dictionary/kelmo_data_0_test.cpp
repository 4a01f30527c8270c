// Kind 0: conditions go through the evaluator; which ones are evaluated, in which order, and
// what counts as passing. The evaluator here is a lambda that records every condition it gets;
// with programs, those whose trusted gates fail are not evaluated at all.
#include "dictionary/kelmo_data_0.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <stdexcept>

#include "charfile/kelmo_error.h"
#include "dictionary_test_support.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

using testing::Candidates;
using testing::CrLf;

// Evaluates a condition to "True" when it is one of the passing conditions, else to "False",
// and records every condition it is given.
struct RecordingEvaluator {
  std::set<std::u16string> passing;
  std::vector<std::u16string> seen;

  TKelmoData::TEvaluator Callback() {
    return [this](std::u16string_view condition) {
      seen.emplace_back(condition);
      return std::u16string(passing.count(std::u16string(condition)) ? u"True" : u"False");
    };
  }
};

// Entry indices: A 0, B 1, separator 2, C 3, D 4, separator 5, E 6.
const std::string kThreeGroups =
    CrLf({"a,1", "b,2", "{PRIOR},x", "c,3", "d,4", "{PRIOR},x", "e,5"});

struct OrderCase {
  const char* name;
  std::set<std::u16string> passing;
  std::vector<std::u16string> evaluated;
  std::vector<int> candidates;
};
void PrintTo(const OrderCase& test, std::ostream* out) {
  *out << test.name;
}

class EvaluationOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(EvaluationOrder, EvaluatesEveryUnusedConditionOfTheScannedGroupsOnceInFileOrder) {
  const OrderCase& test = GetParam();
  testing::TempFolder folder;
  RecordingEvaluator evaluator{test.passing, {}};
  TKelmoData0 dictionary(false, evaluator.Callback());
  dictionary.LoadFile(folder.Write("d.txt", kThreeGroups));
  EXPECT_EQ(Candidates(dictionary, ""), test.candidates);
  EXPECT_EQ(evaluator.seen, test.evaluated);
}

INSTANTIATE_TEST_SUITE_P(
    Groups, EvaluationOrder,
    ::testing::Values(
        OrderCase{"FirstEntryPassesRestOfGroupStillEvaluated", {u"A"}, {u"A", u"B"}, {0}},
        OrderCase{"WholeFirstGroupPasses", {u"A", u"B"}, {u"A", u"B"}, {0, 1}},
        OrderCase{"SecondGroupWins", {u"D"}, {u"A", u"B", u"C", u"D"}, {4}},
        OrderCase{"EarlierGroupHidesLaterOnes", {u"C", u"E"}, {u"A", u"B", u"C", u"D"}, {3}},
        OrderCase{"OnlyTheThirdGroupPasses", {u"E"}, {u"A", u"B", u"C", u"D", u"E"}, {6}},
        OrderCase{"NothingPasses", {}, {u"A", u"B", u"C", u"D", u"E"}, {}}),
    [](const auto& info) { return info.param.name; });

TEST(TKelmoData0, UsedEntriesAreNeitherEvaluatedNorChosenAgain) {
  testing::TempFolder folder;
  RecordingEvaluator evaluator{{u"A", u"B", u"C"}, {}};
  TKelmoData0 dictionary(true, evaluator.Callback());
  dictionary.LoadFile(folder.Write("d.txt", CrLf({"a,1", "{PRIOR},x", "b,2", "c,3"})));

  EXPECT_EQ(dictionary.Lookup(""), "1");
  EXPECT_EQ(evaluator.seen, (std::vector<std::u16string>{u"A"}));

  evaluator.seen.clear();
  const std::string second = dictionary.Lookup("");
  EXPECT_TRUE(second == "2" || second == "3") << second;
  EXPECT_EQ(evaluator.seen, (std::vector<std::u16string>{u"B", u"C"}));

  evaluator.seen.clear();
  EXPECT_EQ(dictionary.Lookup(""), second == "2" ? "3" : "2");
  EXPECT_EQ(evaluator.seen, (std::vector<std::u16string>{second == "2" ? u"C" : u"B"}));

  evaluator.seen.clear();
  EXPECT_EQ(dictionary.Lookup(""), "");
  EXPECT_TRUE(evaluator.seen.empty());
  EXPECT_EQ(dictionary.AvailableCount, 0);
}

struct TruthCase {
  const char* name;
  std::u16string result;
  bool passes;
};
void PrintTo(const TruthCase& test, std::ostream* out) {
  *out << test.name;
}

class ConditionResult : public ::testing::TestWithParam<TruthCase> {};

TEST_P(ConditionResult, PassesOnlyWhenItNormalisesToTrue) {
  testing::TempFolder folder;
  const std::u16string result = GetParam().result;
  TKelmoData0 dictionary(false, [&](std::u16string_view) { return result; });
  dictionary.LoadFile(folder.Write("d.txt", "k,reply"));
  EXPECT_EQ(dictionary.Lookup(""), GetParam().passes ? "reply" : "");
}

INSTANTIATE_TEST_SUITE_P(Results, ConditionResult,
                         ::testing::Values(TruthCase{"UpperCase", u"TRUE", true},
                                           TruthCase{"Capitalised", u"True", true},
                                           TruthCase{"LowerCase", u"true", true},
                                           TruthCase{"FullWidth", u"ｔＲｕｅ", true},
                                           TruthCase{"TrailingBlank", u"TRUE ", false},
                                           TruthCase{"LeadingBlank", u" TRUE", false},
                                           TruthCase{"NonZeroNumber", u"1", false},
                                           TruthCase{"False", u"False", false},
                                           TruthCase{"Empty", u"", false},
                                           TruthCase{"Longer", u"TRUEST", false}),
                         [](const auto& info) { return info.param.name; });

TEST(TKelmoData0, ConditionReachesTheEvaluatorNormalisedWithDigitShorthandExpanded) {
  testing::TempFolder folder;
  RecordingEvaluator evaluator;
  TKelmoData0 dictionary(false, evaluator.Callback());
  dictionary.LoadFile(folder.Write("d.txt", "{eq{prev}|a#b\\#},r"));
  dictionary.Lookup("");
  EXPECT_EQ(evaluator.seen, (std::vector<std::u16string>{u"{EQ{PREV}|A[0-9]B#}"}));
}

TEST(TKelmoData0, OnceOnlyGivesEveryReplyOnceThenNothing) {
  testing::TempFolder folder;
  const auto alwaysTrue = [](std::u16string_view) { return u"TRUE"; };
  const std::string file = CrLf({"k,1", "k,2", "k,3", "k,4", "k,5"});
  TKelmoData0 onceOnly(true, alwaysTrue);
  TKelmoData0 repeating(false, alwaysTrue);
  onceOnly.LoadFile(folder.Write("d.txt", file));
  repeating.LoadFile(folder.Path() + "d.txt");

  std::set<std::string> replies;
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(onceOnly.AvailableCount, 5 - i);
    replies.insert(onceOnly.Lookup(""));
  }
  EXPECT_EQ(replies, (std::set<std::string>{"1", "2", "3", "4", "5"}));
  EXPECT_EQ(onceOnly.AvailableCount, 0);
  EXPECT_EQ(onceOnly.Lookup(""), "");

  for (int i = 0; i < 20; ++i) EXPECT_NE(repeating.Lookup(""), "");
  EXPECT_EQ(repeating.AvailableCount, 5);
}

TEST(TKelmoData0, GroupsRunAcrossFiles) {
  testing::TempFolder folder;
  RecordingEvaluator evaluator{{u"B", u"C"}, {}};
  TKelmoData0 dictionary(false, evaluator.Callback());
  dictionary.LoadFile(folder.Write("1.txt", CrLf({"a,1", "{PRIOR},x", "b,2"})));
  dictionary.LoadFile(folder.Write("2.txt", CrLf({"c,3", "{PRIOR},x", "d,4"})));
  // The second file continues the group the first one ended in.
  EXPECT_EQ(Candidates(dictionary, ""), (std::vector<int>{2, 3}));
  EXPECT_EQ(dictionary.AvailableCount, 4);
}

TEST(TKelmoData0, EndOfDataInTheFirstFileDoesNotStopTheSecond) {
  testing::TempFolder folder;
  RecordingEvaluator evaluator;
  TKelmoData0 dictionary(false, evaluator.Callback());
  dictionary.LoadFile(folder.Write("1.txt", CrLf({"a,1", "{ENDOFDATA},x", "b,2"})));
  dictionary.LoadFile(folder.Write("2.txt", CrLf({"c,3"})));
  Candidates(dictionary, "");
  EXPECT_EQ(evaluator.seen, (std::vector<std::u16string>{u"A", u"C"}));
}

TEST(TKelmoData0, ReadErrorKeepsTheEntriesOfEarlierFiles) {
  testing::TempFolder folder;
  TKelmoData0 dictionary(false, [](std::u16string_view) { return u"TRUE"; });
  dictionary.LoadFile(folder.Write("1.txt", "k,kept"));
  // A regular file whose reading fails.
  EXPECT_THROW(dictionary.LoadFile("/proc/self/mem"), EFileError);
  EXPECT_EQ(dictionary.AvailableCount, 1);
  EXPECT_EQ(dictionary.Lookup(""), "kept");
}

TEST(TKelmoData0, EvaluatorErrorGoesToTheCaller) {
  testing::TempFolder folder;
  TKelmoData0 dictionary(true, [](std::u16string_view) -> std::u16string {
    throw std::runtime_error("evaluator failed");
  });
  dictionary.LoadFile(folder.Write("d.txt", "k,r"));
  EXPECT_THROW(dictionary.Lookup(""), std::runtime_error);
  EXPECT_EQ(dictionary.AvailableCount, 1);
}

// Programs whose gates the conditions name: "=X" has a gate testing the query, at depth 2, for X
// that decides; "?X" one that only rules the condition out; any other condition none. Every gate
// asks for quiet plug-in tags. Records every evaluation.
class NamedGatePrograms : public TConditionPrograms {
 public:
  int32_t Compile(std::u16string_view condition) override {
    conditions_.emplace_back(condition);
    std::optional<TConditionGate> gate;
    if (condition.starts_with(u'=') || condition.starts_with(u'?')) {
      gate = TConditionGate{
          {TGateTest{TGateTest::TKind::kEquals, kView, std::u16string(condition.substr(1)), {}}},
          condition.starts_with(u'=')};
    }
    gates_.push_back(gate);
    return static_cast<int32_t>(conditions_.size()) - 1;
  }
  const TConditionGate* GateOf(int32_t program) const override {
    return gates_[program] ? &*gates_[program] : nullptr;
  }
  const TGateRequirement& RequirementOf(int32_t) const override { return requirement_; }
  const TLookupState& BeginLookup() override { return State; }
  std::u16string_view Evaluate(int32_t program) override {
    Evaluated.push_back(conditions_[program]);
    return Passing.count(conditions_[program]) ? u"True" : u"False";
  }

  static constexpr uint8_t kView = GateView(TLookupText::kOperateMessage, false);
  TLookupState State;
  std::set<std::u16string> Passing;
  std::vector<std::u16string> Evaluated;

 private:
  std::vector<std::u16string> conditions_;
  std::vector<std::optional<TConditionGate>> gates_;
  TGateRequirement requirement_{1u << kView, true, {}};
};

struct GateCase {
  const char* name;
  bool usable;
  bool tagsLive;
  std::u16string query;
  std::set<std::u16string> passing;
  std::vector<std::u16string> evaluated;
  std::vector<int> candidates;
};
void PrintTo(const GateCase& test, std::ostream* out) {
  *out << test.name;
}

class TrustedGates : public ::testing::TestWithParam<GateCase> {};

// Entries: =A 0, ?B 1, C 2, separator 3, =D 4, ?E 5.
TEST_P(TrustedGates, LeaveOutTheEntriesWhoseGateFailed) {
  const GateCase& test = GetParam();
  testing::TempFolder folder;
  NamedGatePrograms programs;
  programs.Passing = test.passing;
  programs.State.UsableViews = test.usable ? 1u << NamedGatePrograms::kView : 0;
  programs.State.Texts[NamedGatePrograms::kView] = test.query;
  programs.State.TagsLive = test.tagsLive;
  TKelmoData0 dictionary(false, nullptr);
  dictionary.SetConditionPrograms(&programs);
  dictionary.LoadFile(
      folder.Write("d.txt", CrLf({"=a,1", "?b,2", "c,3", "{PRIOR},x", "=d,4", "?e,5"})));
  EXPECT_EQ(dictionary.GatedCount(), 4);
  EXPECT_EQ(Candidates(dictionary, ""), test.candidates);
  EXPECT_EQ(programs.Evaluated, test.evaluated);
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, TrustedGates,
    ::testing::Values(
        GateCase{"DecidingGatePassesWithoutEvaluation", true, false, u"A", {}, {u"C"}, {0}},
        GateCase{"GateThatPassedStillEvaluates", true, false, u"B", {u"?B"}, {u"?B", u"C"}, {1}},
        GateCase{"NoGatePassesLaterGroupsAreReached", true, false, u"E", {}, {u"C", u"?E"}, {}},
        GateCase{"UnusableViewEvaluatesEveryEntry",
                 false,
                 false,
                 u"A",
                 {u"=A"},
                 {u"=A", u"?B", u"C"},
                 {0}},
        GateCase{"LivePluginsEvaluateEveryEntry",
                 true,
                 true,
                 u"Z",
                 {},
                 {u"=A", u"?B", u"C", u"=D", u"?E"},
                 {}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kelmo
