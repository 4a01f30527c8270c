// The batch mode end to end, in process: characters written as their authors' tools write them
// (Shift-JIS, CR LF), lines in, JSON Lines out. The transcripts pin down what each display command
// leaves in the balloon and in the report, switching, and the runs that must end cleanly on bad
// input.
#include "tty/batch_runner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "../shell/test_characters.h"
#include "support/file_size_limit.h"
#include "tty_fixture.h"

namespace kelmo::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using Json = nlohmann::json;

struct TTranscript {
  int Status = 0;
  std::vector<Json> Records;
  std::string Errors;
};

TTranscript RunLines(const TempFolder& home, const std::string& character, const std::string& input,
                     std::optional<uint32_t> seed = std::nullopt) {
  std::istringstream in(input);
  std::ostringstream out;
  std::ostringstream err;
  TTranscript transcript;
  transcript.Status = RunBatch({home.Path(), "dorrinkelmo", character, seed}, in, out, err);
  std::istringstream lines(out.str());
  for (std::string line; std::getline(lines, line);)
    transcript.Records.push_back(Json::parse(line));
  transcript.Errors = err.str();
  return transcript;
}

std::vector<std::string> Strings(const Json& array) {
  return array.get<std::vector<std::string>>();
}

// The character every batch test talks to: fixed system words, plus the answers of a test.
std::string WriteKit(const TempFolder& home, std::vector<TAnswer> answers = {}) {
  answers.push_back({"KCCalled", "hi"});
  answers.push_back({"CloseWindow", "bye{PIC:x.bmp}"});
  answers.push_back({kAnyReadCharacter, "see you"});
  answers.push_back({"InvalidCharacter", "no such character"});
  answers.push_back({"", "what?"});
  return WriteCharacter(home, "kit", "kit", answers);
}

TEST(BatchRunnerTest, GreetingRepliesAndClosingWordsAreReportedInOrder) {
  TempFolder home;
  WriteSettings(home);
  const std::string kit = WriteKit(home, {{"hello", "hello {NICKNAME}"}});
  const TTranscript transcript = RunLines(home, kit, "hello\n");

  EXPECT_EQ(transcript.Status, 0);
  ASSERT_EQ(transcript.Records.size(), 3u);
  EXPECT_EQ(transcript.Records[0],
            Json::parse(R"({"event":"greeting","line":"KCCalled","reply":"hi","shown":"hi",)"
                        R"("commands":[],"unknown":[],"from":{"file":"kit/dict.txt","line":2}})"));
  EXPECT_EQ(transcript.Records[1]["event"], "reply");
  EXPECT_EQ(transcript.Records[1]["line"], "hello");
  EXPECT_EQ(transcript.Records[1]["reply"], "hello たろう");
  EXPECT_EQ(transcript.Records[1]["shown"], "hello たろう");
  // The closing words are shown without their brace groups, and nothing is typed for them.
  EXPECT_EQ(transcript.Records[2]["event"], "close");
  EXPECT_EQ(transcript.Records[2]["reply"], "bye{PIC:x.bmp}");
  EXPECT_EQ(transcript.Records[2]["shown"], "bye");
  EXPECT_THAT(Strings(transcript.Records[2]["commands"]), IsEmpty());
}

// One reply holding a display command: what the balloon shows at its end, and what the report
// lists as executed.
struct TCommandCase {
  const char* Name;
  const char* Reply;
  const char* Shown;
  std::vector<std::string> Commands;
  std::vector<std::string> Unknown;
  const char* Evaluated = nullptr;  // what Think returns, when evaluation changes the reply
};

class DisplayCommandTranscriptTest : public ::testing::TestWithParam<TCommandCase> {};

TEST_P(DisplayCommandTranscriptTest, ShowsTheBalloonAndListsTheCommand) {
  const TCommandCase& command = GetParam();
  TempFolder home;
  WriteSettings(home);
  home.Write("kit/beep.wav", "RIFF");
  const std::string kit = WriteKit(home, {{"go", command.Reply}});
  const TTranscript transcript = RunLines(home, kit, "go\n");

  ASSERT_EQ(transcript.Status, 0) << transcript.Errors;
  ASSERT_GE(transcript.Records.size(), 3u);
  const Json& reply = transcript.Records[1];
  EXPECT_EQ(reply["event"], "reply");
  EXPECT_EQ(reply["reply"], command.Evaluated != nullptr ? command.Evaluated : command.Reply);
  EXPECT_EQ(reply["shown"], command.Shown);
  EXPECT_EQ(Strings(reply["commands"]), command.Commands);
  EXPECT_EQ(Strings(reply["unknown"]), command.Unknown);
  EXPECT_EQ(transcript.Records.back()["event"], "close");
}

INSTANTIATE_TEST_SUITE_P(
    EveryDisplayCommand, DisplayCommandTranscriptTest,
    ::testing::Values(
        TCommandCase{"Picture", "a{PIC:smile.bmp}b", "ab", {"{PIC:smile.bmp}"}, {}},
        TCommandCase{
            "PictureKeyNormalised", "a{pic:{x}smile.bmp}b", "ab", {"{pic:{x}smile.bmp}"}, {}},
        TCommandCase{"Iconize", "a{ICONIZE}b", "ab", {"{ICONIZE}"}, {}},
        TCommandCase{"ShowWindow", "a{SHOWWINDOW}b", "ab", {"{SHOWWINDOW}"}, {}},
        TCommandCase{
            "SetDefaultBitmap", "a{SETDEFBITMAP:d.bmp}b", "ab", {"{SETDEFBITMAP:d.bmp}"}, {}},
        TCommandCase{"SoundAsync", "a{SOUNDA:beep.wav}b", "ab", {"{SOUNDA:beep.wav}"}, {}},
        TCommandCase{"SoundWaiting", "a{SOUNDS:beep.wav}b", "ab", {"{SOUNDS:beep.wav}"}, {}},
        TCommandCase{"SoundMissingFile", "a{SOUNDA:none.wav}b", "ab", {"{SOUNDA:none.wav}"}, {}},
        TCommandCase{"SpeedFast", "a{SPEEDFAST}b", "ab", {"{SPEEDFAST}"}, {}},
        TCommandCase{"SpeedSlow", "a{SPEEDSLOW}b", "ab", {"{SPEEDSLOW}"}, {}},
        TCommandCase{"Timer", "a{TIMER30|Hello}b", "ab", {"{TIMER30|Hello}"}, {}},
        TCommandCase{"TimerWithColon", "a{TIMER:30|x}b", "ab", {"{TIMER:30|x}"}, {}},
        TCommandCase{"CancelTimer",
                     "a{TIMER30|x}{CANCELTIMER}b",
                     "ab",
                     {"{TIMER30|x}", "{CANCELTIMER}"},
                     {}},
        TCommandCase{"ClearKeepsTheLineNumber",
                     "one{BR}two{CLEAR}three",
                     "\nthree",
                     {"{CLEAR}"},
                     {},
                     "one\r\ntwo{CLEAR}three"},
        TCommandCase{
            "ChangeCharacterCancelled", "a{CHANGECHARACTER}b", "ab", {"{CHANGECHARACTER}"}, {}},
        TCommandCase{"Delay", "a{DELAY:10}b", "ab", {"{DELAY:10}"}, {}},
        TCommandCase{"DelayNotANumber", "a{DELAY:x}b", "ab", {"{DELAY:x}"}, {}},
        TCommandCase{"Ellipsis", "a{...}b", "ab", {"{...}"}, {}},
        TCommandCase{"LiteralText", "a{$:x{y}z}b", "axzb", {"{$:x{y}z}"}, {}},
        TCommandCase{"WaitReturnMarkRemoved", "a{WAITRETURN}b", "ab", {"{WAITRETURN}"}, {}},
        TCommandCase{"WaitReturnOwnMark", "a{WAITRETURN:#}b", "ab", {"{WAITRETURN:#}"}, {}},
        TCommandCase{"FontBig", "a{FONTBIG}b", "ab", {"{FONTBIG}"}, {}},
        TCommandCase{"FontSmall", "a{FONTSMALL}b", "ab", {"{FONTSMALL}"}, {}},
        TCommandCase{"Backspace", "abc{^H}d", "abd", {"{^H}"}, {}},
        TCommandCase{"BackspaceErasesDoubleWidthLetter", "あい{^H}う", "あう", {"{^H}"}, {}},
        TCommandCase{"BackspaceCrossesLineBreak", "a{BR}{^H}b", "ab", {"{^H}"}, {}, "a\r\n{^H}b"},
        TCommandCase{"UnknownGroupVanishes", "a{HELLO}b", "ab", {}, {"{HELLO}"}},
        // Macro commands that give no result stay in the reply and vanish: no unknown groups.
        TCommandCase{"MemoCommandIsKnown", "a{MEMO10:x}b", "ab", {}, {}},
        TCommandCase{"FlagCommandIsKnown", "a{FLAG10!}b", "ab", {}, {}},
        TCommandCase{"CounterCommandIsKnown", "a{COUNT10+2}b", "ab", {}, {}},
        TCommandCase{"PluginTagIsKnown", "a{weather.today}b", "ab", {}, {}},
        TCommandCase{"MisspeltCommandIsUnknown", "a{PCI:x.bmp}b", "ab", {}, {"{PCI:x.bmp}"}},
        // The evaluator already drops an unclosed group, so typing never meets one.
        TCommandCase{"UnclosedBraceDropped", "abc{oops", "abc", {}, {}, "abc"},
        TCommandCase{"UnclosedCommandDropped", "abc{WAITRETURN", "abc", {}, {}, "abc"}),
    [](const ::testing::TestParamInfo<TCommandCase>& info) { return info.param.Name; });

TEST(BatchRunnerTest, FromNamesTheDictionaryLineThatGaveEachReply) {
  TempFolder home;
  WriteSettings(home);
  // dict.txt: "hello" on line 1, then the kit's own words from line 2 (KCCalled, CloseWindow).
  const std::string kit = WriteKit(home, {{"hello", "hello there"}});
  const TTranscript transcript = RunLines(home, kit, "hello\n");

  ASSERT_EQ(transcript.Records.size(), 3u);
  EXPECT_EQ(transcript.Records[0]["from"], Json::parse(R"({"file":"kit/dict.txt","line":2})"));
  EXPECT_EQ(transcript.Records[1]["from"], Json::parse(R"({"file":"kit/dict.txt","line":1})"));
  EXPECT_EQ(transcript.Records[2]["event"], "close");
  EXPECT_EQ(transcript.Records[2]["from"], Json::parse(R"({"file":"kit/dict.txt","line":3})"));
}

TEST(BatchRunnerTest, AReplyThatNoEntryGaveHasNoFrom) {
  TempFolder home;
  WriteSettings(home);
  const std::string quiet = WriteCharacter(home, "quiet", "quiet", {{"KCCalled", "hi"}});
  const TTranscript transcript = RunLines(home, quiet, "anything\n");

  ASSERT_EQ(transcript.Records.size(), 3u);
  EXPECT_TRUE(transcript.Records[0].contains("from"));
  EXPECT_EQ(transcript.Records[1]["reply"], "");
  EXPECT_FALSE(transcript.Records[1].contains("from"));
  EXPECT_EQ(transcript.Records[2]["event"], "close");
  EXPECT_FALSE(transcript.Records[2].contains("from"));
}

TEST(BatchRunnerTest, AMarkThatAFollowUpLooksForIsNoUnknownGroup) {
  TempFolder home;
  WriteSettings(home);
  home.Write("kit/follow.txt", "{Q:TEA},yes,good\r\n");
  const std::string kit =
      WriteCharacter(home, "kit", "kit",
                     {{"KCCalled", "hi"}, {"tea", "tea?{Q:TEA}"}, {"cake", "cake?{Q:CAKE}"}},
                     {"dataa1", "follow.txt"});
  const TTranscript transcript = RunLines(home, kit, "tea\nyes\ncake\n");

  ASSERT_GE(transcript.Records.size(), 4u);
  EXPECT_THAT(Strings(transcript.Records[1]["unknown"]), IsEmpty());
  EXPECT_EQ(transcript.Records[2]["shown"], "good");
  EXPECT_EQ(transcript.Records[2]["from"], Json::parse(R"({"file":"kit/follow.txt","line":1})"));
  EXPECT_THAT(Strings(transcript.Records[3]["unknown"]), ElementsAre("{Q:CAKE}"));
}

TEST(BatchRunnerTest, SkipReportsTheCutReplyAndTheNewOne) {
  TempFolder home;
  WriteSettings(home);
  const std::string kit = WriteKit(home, {{"go", "a{SKIP:other}b"}, {"other", "c{WAITRETURN}d"}});
  const TTranscript transcript = RunLines(home, kit, "go\n");

  ASSERT_EQ(transcript.Records.size(), 4u);
  EXPECT_EQ(transcript.Records[1]["shown"], "a");
  EXPECT_THAT(Strings(transcript.Records[1]["commands"]), ElementsAre("{SKIP:other}"));
  EXPECT_EQ(transcript.Records[2]["event"], "skip");
  EXPECT_EQ(transcript.Records[2]["line"], "other");
  EXPECT_EQ(transcript.Records[2]["shown"], "cd");
}

TEST(BatchRunnerTest, QuitSystemClosesAndLaterLinesAreNotSaid) {
  TempFolder home;
  WriteSettings(home);
  const std::string kit = WriteKit(home, {{"quit", "a{QUITSYSTEM}b"}, {"more", "never"}});
  const TTranscript transcript = RunLines(home, kit, "quit\nmore\nmore\n");

  EXPECT_EQ(transcript.Status, 0);
  ASSERT_EQ(transcript.Records.size(), 3u);
  EXPECT_EQ(transcript.Records[1]["shown"], "a");
  EXPECT_EQ(transcript.Records[2]["event"], "close");
}

TEST(BatchRunnerTest, SpeedAndFontCommandsReachTheSettingsFile) {
  TempFolder home;
  WriteSettings(home);
  const std::string kit = WriteKit(home, {{"fast", "{SPEEDFAST}"}, {"big", "{FONTBIG}"}});
  ASSERT_EQ(RunLines(home, kit, "fast\nbig\n").Status, 0);

  const std::string settings = ReadUtf8(home, "Kelmo.ini");
  EXPECT_THAT(settings, HasSubstr("Speed=66"));
  EXPECT_THAT(settings, HasSubstr("FontSize=11"));
}

TEST(BatchRunnerTest, ReadCharacterLineSaysFarewellThenTheNewCharacterGreets) {
  TempFolder home;
  WriteSettings(home);
  const std::string kit = WriteKit(home);
  const std::string rin =
      WriteCharacter(home, "rin", "rin", {{"KCCalled", "hello from rin"}, {"", "rin answers"}});
  const TTranscript transcript = RunLines(home, kit, "ReadCharacter:" + rin + "\nanything\n");

  ASSERT_EQ(transcript.Records.size(), 5u) << transcript.Errors;
  const Json& farewell = transcript.Records[1];
  EXPECT_EQ(farewell["event"], "reply");
  EXPECT_EQ(farewell["shown"], "see you");
  ASSERT_EQ(farewell["commands"].size(), 1u);
  EXPECT_THAT(farewell["commands"][0].get<std::string>(), HasSubstr("{READCHARACTER:"));
  EXPECT_EQ(transcript.Records[2]["event"], "greeting");
  EXPECT_EQ(transcript.Records[2]["shown"], "hello from rin");
  EXPECT_EQ(transcript.Records[3]["shown"], "rin answers");

  const std::string log = ReadUtf8(home, "dorrinkelmo.log");
  const size_t end = log.find("# End chatting with kit");
  const size_t start = log.find("# Start chatting with rin");
  ASSERT_NE(end, std::string::npos);
  ASSERT_NE(start, std::string::npos);
  EXPECT_LT(end, start);
}

TEST(BatchRunnerTest, ReadCharacterCommandInAReplySwitchesAfterTheTextBeforeIt) {
  TempFolder home;
  WriteSettings(home);
  const std::string rin = WriteCharacter(home, "rin", "rin", {{"KCCalled", "rin here"}});
  const std::string kit = WriteKit(home, {{"swap", "going{READCHARACTER:" + rin + "}"}});
  const TTranscript transcript = RunLines(home, kit, "swap\n");

  ASSERT_EQ(transcript.Records.size(), 4u);
  EXPECT_EQ(transcript.Records[1]["shown"], "going");
  EXPECT_EQ(transcript.Records[2]["event"], "greeting");
  EXPECT_EQ(transcript.Records[2]["shown"], "rin here");
}

TEST(BatchRunnerTest, ReadCharacterPathThatDoesNotExistLetsTheOldCharacterAnswer) {
  TempFolder home;
  WriteSettings(home);
  const std::string kit = WriteKit(home, {{"again", "still kit"}});
  const TTranscript transcript =
      RunLines(home, kit, "ReadCharacter:" + home.Path() + "missing.klc\nagain\n");

  ASSERT_EQ(transcript.Records.size(), 5u);
  EXPECT_EQ(transcript.Records[1]["shown"], "see you");
  EXPECT_EQ(transcript.Records[2]["event"], "invalid");
  EXPECT_EQ(transcript.Records[2]["line"], "InvalidCharacter");
  EXPECT_EQ(transcript.Records[2]["shown"], "no such character");
  EXPECT_EQ(transcript.Records[3]["shown"], "still kit");
}

TEST(BatchRunnerTest, CharacterThatFailsToLoadAtStartUpExitsWithTheLoggedMessage) {
  TempFolder home;
  WriteSettings(home);
  home.Write("broken.klc", "name\r\nbroken\r\nversion\r\n100\r\n");
  for (const std::string& character : {home.Path() + "missing.klc", home.Path() + "broken.klc"}) {
    const TTranscript transcript = RunLines(home, character, "hello\n");
    EXPECT_EQ(transcript.Status, 1);
    EXPECT_THAT(transcript.Records, IsEmpty());
    EXPECT_THAT(transcript.Errors, HasSubstr("起動に失敗しました"));
  }
  EXPECT_THAT(ReadUtf8(home, "KelmoErr.log"), HasSubstr("[Kelmo]: '起動に失敗しました'"));
}

// The state file cannot take the session's changes (the disk is full): the run says so and fails,
// and the file keeps what it held.
TEST(BatchRunnerTest, AStateFileThatCannotBeSavedFailsTheRun) {
  TempFolder home;
  WriteSettings(home);
  const std::string kit = WriteKit(home, {{"remember", "{MEMO50:kept}noted"}});
  ASSERT_EQ(RunLines(home, kit, "").Status, 0);
  const std::string before = home.Read("kit/kit.kls");
  TTranscript transcript;
  {
    TFileSizeLimit full(before.size() - 1);
    transcript = RunLines(home, kit, "remember\n");
  }
  EXPECT_EQ(transcript.Status, 1);
  EXPECT_THAT(transcript.Errors, HasSubstr("kit.kls"));
  EXPECT_THAT(ReadUtf8(home, "KelmoErr.log"), HasSubstr("kit.kls"));
  EXPECT_EQ(home.Read("kit/kit.kls"), before);
}

TEST(BatchRunnerTest, MegabyteLineIsAnsweredLikeAnyOther) {
  TempFolder home;
  WriteSettings(home);
  const std::string kit = WriteKit(home);
  const std::string line(1 << 20, 'a');
  const TTranscript transcript = RunLines(home, kit, line + "\n");

  EXPECT_EQ(transcript.Status, 0);
  ASSERT_EQ(transcript.Records.size(), 3u);
  EXPECT_EQ(transcript.Records[1]["line"].get<std::string>().size(), line.size());
  EXPECT_EQ(transcript.Records[1]["shown"], "what?");
}

TEST(BatchRunnerTest, InputEndingInsideAReplyStillShowsItWholeAndCloses) {
  TempFolder home;
  WriteSettings(home);
  const std::string kit = WriteKit(home, {{"wait", "one{WAITRETURN}two{WAITRETURN}three"}});
  // No line break after the last line: the input ends while that line's reply is typed.
  const TTranscript transcript = RunLines(home, kit, "wait");

  EXPECT_EQ(transcript.Status, 0);
  ASSERT_EQ(transcript.Records.size(), 3u);
  EXPECT_EQ(transcript.Records[1]["shown"], "onetwothree");
  EXPECT_EQ(transcript.Records[2]["event"], "close");
}

TEST(BatchRunnerTest, LinesEndedByCrLfAndInvalidUtf8AreSaidSafely) {
  TempFolder home;
  WriteSettings(home);
  const std::string kit = WriteKit(home, {{"go", "went"}});
  const TTranscript transcript = RunLines(home, kit, "go\r\n\xff\xfe\r\n\n");

  EXPECT_EQ(transcript.Status, 0);
  ASSERT_EQ(transcript.Records.size(), 5u);
  EXPECT_EQ(transcript.Records[1]["shown"], "went");
  // Bytes that are no UTF-8 are characters code page 932 cannot hold: geta marks.
  EXPECT_EQ(transcript.Records[2]["line"], "〓〓");
  EXPECT_EQ(transcript.Records[3]["line"], "");
}

TEST(BatchRunnerTest, RepliesThatSkipForeverEndTheRunWithAnError) {
  TempFolder home;
  WriteSettings(home);
  // Alternating words: neither is ever a repeat of the line before it.
  const std::string kit = WriteKit(home, {{"loop", "x{SKIP:pool}"}, {"pool", "y{SKIP:loop}"}});
  const TTranscript transcript = RunLines(home, kit, "loop\nnever said\n");

  EXPECT_EQ(transcript.Status, 1);
  EXPECT_THAT(transcript.Errors, HasSubstr("返答が終わりません"));
  // Enter follows a bounded number of replies at a time, so the run stops soon after the limit.
  EXPECT_GT(transcript.Records.size(), static_cast<size_t>(kBatchReplyLimit));
  EXPECT_LT(transcript.Records.size(), static_cast<size_t>(2 * kBatchReplyLimit));
  EXPECT_EQ(transcript.Records.back()["event"], "close");
}

TEST(BatchRunnerTest, FixedSeedMakesRandomChoicesRepeat) {
  TempFolder home;
  WriteSettings(home);
  std::vector<TAnswer> answers;
  for (const char* reply : {"one", "two", "three", "four", "five", "six", "seven", "eight"}) {
    answers.push_back({"", reply});
  }
  const std::string kit = WriteKit(home, answers);
  const std::string input = "a\nb\nc\nd\ne\nf\ng\nh\ni\nj\n";

  const TTranscript first = RunLines(home, kit, input, 7);
  const TTranscript second = RunLines(home, kit, input, 7);
  ASSERT_EQ(first.Records.size(), second.Records.size());
  std::set<std::string> replies;
  for (size_t i = 0; i < first.Records.size(); ++i) {
    EXPECT_EQ(first.Records[i], second.Records[i]);
    replies.insert(first.Records[i]["shown"].get<std::string>());
  }
  // The catch-all answers were really drawn at random, not always the same.
  EXPECT_GT(replies.size(), 3u);
}

}  // namespace
}  // namespace kelmo::testing
