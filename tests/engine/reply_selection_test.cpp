// Reply selection: the marker words, the conversation memory, the mask and the order of the
// dictionaries, the weighting of the two kind C dictionaries and the context of kind A.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "charfile/code_page.h"
#include "charfile/random_source.h"
#include "dictionary/kelmo_data_a.h"
#include "dictionary/kelmo_data_b.h"
#include "dictionary/kelmo_data_c.h"
#include "engine/character.h"
#include "test_character.h"

namespace kelmo {
namespace {

using testing::CrLf;

// Dictionary key of the definition file and the lines of its one file.
using TDictionaryFiles = std::map<std::string, std::vector<std::string>>;

class ReplySelection : public ::testing::Test {
 protected:
  // Loads a character whose dictionaries hold the given lines.
  TCharacter& Load(const TDictionaryFiles& files) {
    testing::TDefinition definition = {{"name", "kit"}, {"version", "210"}};
    for (const auto& [key, lines] : files) {
      folder_.Write(key + ".txt", CrLf(lines));
      definition.emplace_back(key, key + ".txt");
    }
    character_ = folder_.Load(folder_.WriteDefinition(definition));
    return *character_;
  }

  testing::TTestCharacterFolder folder_;
  std::unique_ptr<TCharacter> character_;
};

TEST_F(ReplySelection, EmptyLineBecomesNothingSaid) {
  TCharacter& character = Load({{"datab2", {"NOTHINGSAID,quiet"}}});
  character.Prev = "before";
  EXPECT_EQ(character.SelectReply(u"", DictMaskAll), u"quiet");
  EXPECT_EQ(character.OperateMessage, "{NOTHINGSAID}");
  EXPECT_EQ(character.Prev, "");
  EXPECT_EQ(character.InputBefore, "before");
}

TEST_F(ReplySelection, RepeatedLineIsMarkedEachTimeButNotAfterACaseChange) {
  TCharacter& character = Load({{"datab2", {"REPEATED,again", "{PRIOR},x", ",first"}}});
  const struct {
    std::u16string line;
    std::string query;
    std::u16string reply;
  } steps[] = {
      {u"hello", "HELLO", u"first"},
      {u"hello", "HELLO{REPEATED}", u"again"},
      {u"hello", "HELLO{REPEATED}", u"again"},
      {u"Hello", "HELLO", u"first"},
      {u"hello", "HELLO", u"first"},
      {u"ｈｅｌｌｏ", "HELLO", u"first"},
      {u"ｈｅｌｌｏ", "HELLO{REPEATED}", u"again"},
  };
  for (const auto& step : steps) {
    EXPECT_EQ(character.SelectReply(step.line, DictMaskAll), step.reply) << Utf16ToUtf8(step.line);
    EXPECT_EQ(character.OperateMessage, step.query) << Utf16ToUtf8(step.line);
  }
}

TEST_F(ReplySelection, MemoryFieldsMoveOnWithEverySelection) {
  TCharacter& character = Load({{"datab2", {"HELLO,\"Hi {Foo} there\""}}});
  // The raw reply is returned unevaluated.
  EXPECT_EQ(character.SelectReply(u"hello", DictMaskAll), u"Hi {Foo} there");
  EXPECT_EQ(character.Turn, 1);
  EXPECT_EQ(character.PrevAnswer, "");
  EXPECT_EQ(character.Prev, "hello");
  EXPECT_EQ(character.DataA1->Context(), "HI {FOO} THERE");
  EXPECT_EQ(character.DataA2->Context(), "HI {FOO} THERE");

  EXPECT_EQ(character.SelectReply(u"日本", DictMaskAll), u"");
  EXPECT_EQ(character.Turn, 2);
  EXPECT_EQ(character.PrevAnswer, "HI {FOO} THERE");
  EXPECT_EQ(character.Prev, testing::Sjis(u"日本"));
  EXPECT_EQ(character.InputBefore, "hello");
  EXPECT_EQ(character.DataA1->Context(), "");
  EXPECT_EQ(character.DataA2->Context(), "");

  character.SelectReply(u"again", DictMaskAll);
  EXPECT_EQ(character.PrevAnswer, "");
  EXPECT_EQ(character.Turn, 3);
}

TEST_F(ReplySelection, OperateMessageOnlyWithAKindZeroBit) {
  TCharacter& character = Load({{"datac2", {"talk"}}});
  const struct {
    std::u16string line;
    uint8_t mask;
    std::string operateMessage;
  } steps[] = {{u"a", DictMaskAll, "A"}, {u"b", 4, ""},  {u"c", DictMaskBasic, "C"},
               {u"d", 128, ""},          {u"e", 2, "E"}, {u"f", 1, "F"}};
  for (const auto& step : steps) {
    character.SelectReply(step.line, step.mask);
    EXPECT_EQ(character.OperateMessage, step.operateMessage) << int(step.mask);
  }
}

TEST_F(ReplySelection, KindZeroConditionsSeeTheMemoryAlreadyMoved) {
  // Conditions run during the lookup: Turn, Prev and OperateMessage already describe this
  // selection, PrevAnswer the reply of the one before.
  TCharacter& character = Load(
      {{"data01",
        {"\"{EQ{PREVANSWER}|FIRST}\",second", "\"{EQ{OPERATEMESSAGE}{TURN}{PREV}|HI3hi}\",third"}},
       {"data02", {"TRUE,first"}}});
  EXPECT_EQ(character.SelectReply(u"hi", DictMaskAll), u"first");
  EXPECT_EQ(character.SelectReply(u"x", DictMaskAll), u"second");
  EXPECT_EQ(character.SelectReply(u"hi", DictMaskAll), u"third");
}

struct MaskCase {
  const char* name;
  uint8_t mask;
  std::u16string reply;
};

void PrintTo(const MaskCase& test, std::ostream* out) {
  *out << test.name;
}

class DictionaryOrder : public ReplySelection, public ::testing::WithParamInterface<MaskCase> {};

TEST_P(DictionaryOrder, FirstDictionaryUnderTheMaskAnswers) {
  TCharacter& character = Load({{"data01", {"TRUE,d01"}},
                                {"data02", {"TRUE,d02"}},
                                {"dataa1", {",,a1"}},
                                {"dataa2", {",,a2"}},
                                {"datab1", {",b1"}},
                                {"datab2", {",b2"}},
                                {"datac1", {"c1"}},
                                {"datac2", {"c2"}}});
  EXPECT_EQ(character.SelectReply(u"anything", GetParam().mask), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, DictionaryOrder,
    ::testing::Values(MaskCase{"All", 255, u"d01"}, MaskCase{"WithoutData01", 254, u"d02"},
                      MaskCase{"FromDataA1", 252, u"a1"}, MaskCase{"FromDataA2", 248, u"a2"},
                      MaskCase{"FromDataB1", 240, u"b1"}, MaskCase{"FromDataB2", 224, u"b2"},
                      MaskCase{"OnlyDataC1", 64, u"c1"}, MaskCase{"OnlyDataC2", 128, u"c2"},
                      MaskCase{"KindAAfterKindB", 4 | 16, u"a1"}, MaskCase{"None", 0, u""}),
    [](const ::testing::TestParamInfo<MaskCase>& info) { return info.param.name; });

TEST_F(ReplySelection, DictionaryWithoutAnswerPassesToTheNext) {
  TCharacter& character =
      Load({{"data01", {"FALSE,never"}}, {"datab1", {"NOTHERE,never"}}, {"datab2", {",b2"}}});
  EXPECT_EQ(character.SelectReply(u"hi", DictMaskAll), u"b2");
}

// Each reply's source is the entry that gave it, in whichever dictionary answered; a selection
// whose reply is empty has none, also after one that had a source, and an entry whose reply is
// empty is passed over as the selection passes over it.
TEST_F(ReplySelection, TheSourceIsTheLineOfTheEntryChosen) {
  TCharacter& character = Load({{"data02", {"FALSE,never", "{EQ{OPERATEMESSAGE}|ZERO},zero"}},
                                {"datab1", {"heading", "", "EMPTY,\"\"", "FIRST,b1"}},
                                {"datab2", {"EMPTY,b2", "{PRIOR},-", "SECOND,again"}}});
  EXPECT_FALSE(character.ReplySource().has_value());
  const struct {
    std::u16string line;
    std::u16string reply;
    std::string file;  // empty: no source
    int lineNumber;
  } steps[] = {
      {u"zero", u"zero", "data02.txt", 2}, {u"first", u"b1", "datab1.txt", 4},
      {u"empty", u"b2", "datab2.txt", 1},  {u"nothing", u"", "", 0},
      {u"second", u"again", "datab2.txt", 3},
  };
  for (const auto& step : steps) {
    EXPECT_EQ(character.SelectReply(step.line, DictMaskAll), step.reply) << Utf16ToUtf8(step.line);
    if (step.file.empty()) {
      EXPECT_FALSE(character.ReplySource().has_value()) << Utf16ToUtf8(step.line);
      continue;
    }
    ASSERT_TRUE(character.ReplySource().has_value()) << Utf16ToUtf8(step.line);
    EXPECT_EQ(*character.ReplySource(), (TEntrySource{folder_.Path() + step.file, step.lineNumber}))
        << Utf16ToUtf8(step.line);
  }
}

// Counts the replies of many selections under the kind C mask.
std::map<std::u16string, int> CountReplies(TCharacter& character, int selections) {
  std::map<std::u16string, int> counts;
  for (int i = 0; i < selections; ++i) ++counts[character.SelectReply(u"hi", 64 | 128)];
  return counts;
}

TEST_F(ReplySelection, KindCIsWeightedByAvailableEntries) {
  UseFixedRandomSeed(20240601);
  // So many entries that using some up hardly moves the 3 : 1 weighting.
  TCharacter& character = Load({{"datac1", std::vector<std::string>(30000, "c1")},
                                {"datac2", std::vector<std::string>(10000, "c2")}});
  const std::map<std::u16string, int> counts = CountReplies(character, 2000);
  EXPECT_NEAR(counts.at(u"c1") / 2000.0, 0.75, 0.035);
  EXPECT_EQ(counts.at(u"c1") + counts.at(u"c2"), 2000);
}

TEST_F(ReplySelection, UsedUpKindCDictionaryLosesItsWeight) {
  UseFixedRandomSeed(7);
  TCharacter& character = Load({{"datac1", {"c1"}}, {"datac2", {"c2"}}});
  const std::map<std::u16string, int> counts = CountReplies(character, 60);
  EXPECT_EQ(counts.at(u"c1"), 1);
  EXPECT_EQ(counts.at(u"c2"), 59);
}

TEST_F(ReplySelection, OnlyTheDrawnKindCDictionaryIsAsked) {
  UseFixedRandomSeed(11);
  // data c1 answers the empty text; when it is drawn, data c2 is not asked instead.
  TCharacter& character = Load({{"datac1", std::vector<std::string>(1000, "")},
                                {"datac2", std::vector<std::string>(1000, "c2")}});
  const std::map<std::u16string, int> counts = CountReplies(character, 200);
  EXPECT_GT(counts.at(u""), 60);
  EXPECT_GT(counts.at(u"c2"), 60);
}

TEST_F(ReplySelection, ExhaustedKindCGivesNothing) {
  TCharacter& character = Load({{"datac1", {"c1"}}, {"datab2", {"NEVER,x"}}});
  EXPECT_EQ(character.SelectReply(u"hi", DictMaskAll), u"c1");
  EXPECT_EQ(character.SelectReply(u"hi", DictMaskAll), u"");
  EXPECT_EQ(character.SelectReply(u"hi", 64), u"");
}

}  // namespace
}  // namespace kelmo
