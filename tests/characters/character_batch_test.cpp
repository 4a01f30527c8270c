// The bundled characters through the program itself: `dorrinkelmo --batch --seed N --home DIR`,
// one user line per input line, one JSON object per typed reply. A temporary program folder holds
// a copy of the characters and a settings file with a user profile; running twice on the same
// folder is a restart, so the state file has to carry what the characters remember.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "bundled_character.h"
#include "charfile/code_page.h"

namespace kelmo::testing {
namespace {

using ::testing::AnyOf;
using ::testing::HasSubstr;
using ::testing::Not;

struct TRecord {
  std::string Event;
  std::string Line;
  std::string Reply;
  std::string Shown;
  std::vector<std::string> Commands;
  std::vector<std::string> Unknown;  // groups the display engine did not know
};

// A program folder for batch runs: the bundled characters and a settings file with a profile,
// plus a scratch folder for the runs' input and output.
class TBatchHome {
 public:
  TBatchHome() {
    // The profile lines: surname, given name, handle, nickname, sex, birthday.
    std::ofstream(copy_.Path() + "Kelmo.ini", std::ios::binary)
        << Sjis("[User]\r\nUser=灯野{BR}ゆう{BR}ゆうゆう{BR}ユウ{BR}Female{BR}2000/04/12\r\n");
  }

  std::string Definition(const std::string& id) const { return copy_.DefinitionPath(id); }

  // Runs the batch on the character with the lines and returns its records.
  std::vector<TRecord> Run(const std::string& id, const std::vector<std::string>& lines,
                           int seed = 1) const {
    std::string input;
    for (const std::string& line : lines) input += line + "\n";
    const std::string inputPath = scratch_.Write("input.txt", input);
    const std::string outputPath = scratch_.Path() + "output.jsonl";
    const std::string command = std::string("'") + KELMO_PROGRAM_FILE + "' --batch --seed " +
                                std::to_string(seed) + " --home '" + copy_.Path() + "' '" +
                                Definition(id) + "' < '" + inputPath + "' > '" + outputPath +
                                "' 2> '" + scratch_.Path() + "errors.txt'";
    EXPECT_EQ(std::system(command.c_str()), 0) << scratch_.Read("errors.txt");
    std::vector<TRecord> records;
    std::istringstream output(scratch_.Read("output.jsonl"));
    for (std::string json; std::getline(output, json);) {
      const nlohmann::json object = nlohmann::json::parse(json);
      if (object.at("event") == "picture") continue;  // picture loads are the pictures tests'
      records.push_back({object.at("event"), object.at("line"), object.at("reply"),
                         object.at("shown"), object.at("commands"), object.at("unknown")});
    }
    return records;
  }

 private:
  TBundledCopy copy_;
  TempFolder scratch_;
};

class BatchRun : public ::testing::Test {
 protected:
  TBatchHome home_;
};

bool HasCommand(const TRecord& record, const std::string& prefix) {
  return std::any_of(record.Commands.begin(), record.Commands.end(),
                     [&](const std::string& command) { return command.rfind(prefix, 0) == 0; });
}

TEST_F(BatchRun, GreetingFarewellAndSwitchingBackAndForth) {
  const std::vector<TRecord> records = home_.Run(
      "akari",
      {"ReadCharacter:" + home_.Definition("mugi"), "ReadCharacter:" + home_.Definition("akari")});
  ASSERT_EQ(records.size(), 6u);
  EXPECT_EQ(records[0].Event, "greeting");
  EXPECT_THAT(records[0].Shown, HasSubstr("はじめまして"));
  // The nickname is how the user wants to be called: she uses it as it is.
  EXPECT_THAT(records[0].Shown, HasSubstr("「ユウ」"));
  EXPECT_THAT(records[0].Shown, Not(HasSubstr("ユウさん")));
  EXPECT_TRUE(HasCommand(records[0], "{SOUNDA:chime.wav}"));
  EXPECT_TRUE(HasCommand(records[0], "{WAITRETURN}"));
  // あかり's farewell names ムギ and ends with the switch.
  EXPECT_THAT(records[1].Shown, HasSubstr("ムギさん"));
  EXPECT_TRUE(HasCommand(records[1], "{READCHARACTER:"));
  EXPECT_EQ(records[2].Event, "greeting");
  EXPECT_THAT(records[2].Shown, HasSubstr("わしはムギ"));
  EXPECT_THAT(records[3].Shown, AnyOf(HasSubstr("娘っ子"), HasSubstr("あかり")));
  EXPECT_TRUE(HasCommand(records[3], "{READCHARACTER:"));
  // Back with あかり, who has met the user before.
  EXPECT_EQ(records[4].Event, "greeting");
  EXPECT_FALSE(records[4].Shown.empty());
  EXPECT_THAT(records[4].Shown, Not(HasSubstr("はじめまして")));
  EXPECT_EQ(records[5].Event, "close");
  EXPECT_FALSE(records[5].Shown.empty());
}

TEST_F(BatchRun, EveryPettingActionIsAnsweredWithAPicture) {
  for (const TBundledCharacter& bundled : kBundledCharacters) {
    std::vector<std::string> lines = {"なるほど"};  // answers a question of the greeting
    for (const auto& [label, text] : PettingActions(bundled.Id)) lines.push_back(Utf8(text));
    const std::vector<TRecord> records = home_.Run(bundled.Id, lines);
    ASSERT_EQ(records.size(), lines.size() + 2) << bundled.Id;  // greeting, lines, closing talk
    for (size_t i = 2; i < lines.size() + 1; ++i) {
      EXPECT_EQ(records[i].Line, lines[i - 1]);
      EXPECT_FALSE(records[i].Shown.empty()) << lines[i - 1];
      EXPECT_TRUE(HasCommand(records[i], "{PIC:")) << lines[i - 1];
    }
  }
}

TEST_F(BatchRun, MemoryOutlivesARestart) {
  const std::vector<TRecord> first = home_.Run("akari", {"ことばあそび", "（なでなで）"});
  ASSERT_GE(first.size(), 3u);
  EXPECT_THAT(first[1].Shown, HasSubstr("「ことばあそび」"));
  const std::vector<TRecord> second =
      home_.Run("akari", {"なるほど", "好きなもの、覚えてる？", "何回目？"}, 2);
  ASSERT_GE(second.size(), 4u);
  EXPECT_THAT(second[0].Shown, Not(HasSubstr("はじめまして")));
  EXPECT_THAT(second[2].Shown, HasSubstr("「ことばあそび」"));
  EXPECT_THAT(second[3].Shown, HasSubstr("2回目"));

  const std::vector<TRecord> fish = home_.Run("mugi", {"あるよ"});
  ASSERT_GE(fish.size(), 2u);
  EXPECT_THAT(fish[1].Shown, HasSubstr("1匹"));
  const std::vector<TRecord> again = home_.Run("mugi", {"なるほど", "魚は何匹もらった？"});
  ASSERT_GE(again.size(), 3u);
  EXPECT_THAT(again[2].Shown, HasSubstr("1匹"));
}

TEST_F(BatchRun, KeywordSampleIsAnswered) {
  const std::vector<std::string> lines = {"なるほど",   "12+34",    "いま何時？",   "ねむい",
                                          "ありがとう", "おみくじ", "ムギって誰？", "7×8は？"};
  const std::vector<TRecord> records = home_.Run("akari", lines);
  // The question about 7×8 skips to a second reply about the bare expression.
  ASSERT_EQ(records.size(), lines.size() + 3);
  EXPECT_THAT(records[2].Shown, HasSubstr("答えは46"));
  EXPECT_THAT(records[3].Shown, HasSubstr("時"));
  EXPECT_TRUE(HasCommand(records[4], "{SPEEDFAST}"));
  EXPECT_TRUE(HasCommand(records[4], "{PIC:nemui.jpg}"));
  EXPECT_THAT(records[5].Shown, AnyOf(HasSubstr("どういたしまして"), HasSubstr("こちらこそ")));
  EXPECT_THAT(records[6].Shown, HasSubstr("出ました"));
  EXPECT_THAT(records[7].Shown, HasSubstr("おじいちゃん猫"));
  EXPECT_EQ(records[9].Event, "skip");
  EXPECT_THAT(records[9].Shown, HasSubstr("答えは56"));
}

TEST_F(BatchRun, SameSeedGivesTheSameTranscript) {
  TBatchHome other;
  const std::vector<std::string> lines = {"なるほど", "へえ", "そうなんだ", "それから？"};
  const std::vector<TRecord> one = home_.Run("akari", lines, 42);
  const std::vector<TRecord> two = other.Run("akari", lines, 42);
  // Digits aside: a reply may tell the time, which moves on between the runs.
  const auto withoutDigits = [](std::string text) {
    std::erase_if(text, [](char c) { return c >= '0' && c <= '9'; });
    return text;
  };
  ASSERT_EQ(one.size(), two.size());
  for (size_t i = 0; i < one.size(); ++i) {
    EXPECT_EQ(withoutDigits(one[i].Reply), withoutDigits(two[i].Reply)) << i;
  }
}

// The report behind the favourite memory, through the program: a greeting to her is not kept as
// the favourite, the stated favourite is, and it is still known after a restart.
TEST_F(BatchRun, TheStatedFavouriteIsKeptAcrossARestart) {
  const std::vector<TRecord> first =
      home_.Run("akari", {"こんにちは、あかりちゃん", "好きなものはお茶です"});
  ASSERT_EQ(first.size(), 4u);
  EXPECT_THAT(first[2].Shown, HasSubstr("「お茶」"));
  EXPECT_THAT(first[2].Shown, Not(HasSubstr("「あかり」")));
  const std::vector<TRecord> second = home_.Run("akari", {"なるほど", "好きなもの、覚えてる？"}, 2);
  ASSERT_EQ(second.size(), 4u);
  EXPECT_THAT(second[2].Shown, HasSubstr("「お茶」"));
}

// A newcomer's first conversation with each character: every line gets a visible answer, and
// every group left in a reply is a memory setter or a question marker (a misspelt display command
// or an IF whose chosen branch is empty would be left there as well).
TEST_F(BatchRun, NewcomerConversationShowsEveryAnswerAndLeavesNoStrayGroup) {
  const std::vector<std::string> lines = {"うん、いいよ",
                                          "えっと、ことばあそびかな",
                                          "ふわふわなところ",
                                          "こんにちは",
                                          "あなたは誰？",
                                          "何歳？",
                                          "いま何時？",
                                          "今日は何日？",
                                          "元気？",
                                          "元気だよ",
                                          "疲れた",
                                          "猫が好き",
                                          "好きなものは？",
                                          "12+34",
                                          "3人",
                                          "あいうえお",
                                          "あいうえお",
                                          "",
                                          "　",
                                          "（なでなで）",
                                          "（なでなで）",
                                          "なぞなぞ",
                                          "わかんない",
                                          "おみくじ",
                                          "しりとりしよう",
                                          "asdfghjkl",
                                          "ｗｗ",
                                          "ばか",
                                          "ごめん",
                                          "ありがとう",
                                          "またね"};
  const std::regex setterOrMarker(R"(^\{(MEMO|FLAG|COUNT)[0-9][0-9]|^\{Q:[A-Z0-9_]+\}$)");
  for (const TBundledCharacter& bundled : kBundledCharacters) {
    const std::vector<TRecord> records = home_.Run(bundled.Id, lines);
    ASSERT_GE(records.size(), lines.size() + 2) << bundled.Id;
    for (const TRecord& record : records) {
      EXPECT_FALSE(record.Shown.empty()) << bundled.Id << ": " << record.Line;
      for (const std::string& group : record.Unknown) {
        EXPECT_TRUE(std::regex_search(group, setterOrMarker))
            << bundled.Id << ": " << record.Line << " left " << group;
      }
    }
  }
}

}  // namespace
}  // namespace kelmo::testing
