// What evaluations keep from one to the next must never leak into the next one's answer: the scan's
// buffers after an evaluation that stopped early or left groups open, results longer than the
// room kept for them, and the wide copies of the conversation memory after it changed.
#include <gtest/gtest.h>

#include <string>

#include "charfile/code_page.h"
#include "engine/evaluator.h"
#include "test_character.h"

namespace kelmo {
namespace {

class EvaluationMemory : public ::testing::Test {
 protected:
  std::string Evaluate(std::u16string_view text) {
    return Utf16ToUtf8(small_.Character->Evaluate(text));
  }
  TCharacter& Character() { return *small_.Character; }

  testing::TSmallCharacter small_;
};

TEST_F(EvaluationMemory, AnEvaluationAfterAnUnfinishedOneStartsClean) {
  EXPECT_EQ(Evaluate(u"a{b{c{d"), "a");
  EXPECT_EQ(Evaluate(u"{FOO}x"), "{FOO}x");
  EXPECT_EQ(Evaluate(u"x}y{BAR"), "");
  EXPECT_EQ(Evaluate(u"ok{BR}"), "ok\r\n");
  EXPECT_EQ(Evaluate(u""), "");
}

TEST_F(EvaluationMemory, LongResultsAreSplicedWhole) {
  const std::string longText(700, 'a');
  Character().Memo[1] = longText;
  Character().Memo[2] = "x{MEMO01}y";
  EXPECT_EQ(Evaluate(u"{MEMO01}{MEMO01}-{MEMO02}tail"),
            longText + longText + "-x" + longText + "ytail");
  EXPECT_EQ(Evaluate(u"{LENGTH:{MEMO02}}"), "702");
}

TEST_F(EvaluationMemory, ConversationMemoryIsReadAfterEachChange) {
  for (const char* value : {"FIRST", "", "SECOND", "SECOND"}) {
    Character().OperateMessage = value;
    Character().Prev = std::string(value) + "P";
    Character().PrevAnswer = std::string(value) + "A";
    // An empty line yields nothing, and the group stays.
    const std::string line = *value != '\0' ? value : "{OPERATEMESSAGE}";
    EXPECT_EQ(Evaluate(u"{OPERATEMESSAGE}|{PREV}|{PREVANSWER}"),
              line + "|" + value + "P|" + value + "A");
  }
}

TEST_F(EvaluationMemory, ConditionsSeeTheCurrentLine) {
  Character().OperateMessage = "KCCALLED";
  EXPECT_EQ(Evaluate(u"{EQ{OPERATEMESSAGE}|KCCALLED}"), "True");
  EXPECT_EQ(Evaluate(u"{LIKE{OPERATEMESSAGE}|^KC}"), "True");
  Character().OperateMessage = "CLOSEWINDOW";
  EXPECT_EQ(Evaluate(u"{EQ{OPERATEMESSAGE}|KCCALLED}"), "False");
  EXPECT_EQ(Evaluate(u"{LIKE{OPERATEMESSAGE}|^KC}"), "False");
}

}  // namespace
}  // namespace kelmo
