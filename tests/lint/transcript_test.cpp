// Transcript tests: reading the format, and running cases against a small character, each from a
// fresh state, with a fixed date, a fixed seed, and a readable diff when a reply differs.
#include "lint/transcript.h"

#include <gtest/gtest.h>

#include <sstream>

#include "charfile/code_page.h"
#include "engine/date_text.h"
#include "lint/transcript_runner.h"
#include "support/temp_folder.h"

namespace kelmo::testing {
namespace {

struct TBadTranscript {
  const char* Name;
  const char* Text;
  int Line;
  const char* MessagePiece;
};

class TranscriptMistake : public ::testing::TestWithParam<TBadTranscript> {};

INSTANTIATE_TEST_SUITE_P(
    Mistakes, TranscriptMistake,
    ::testing::Values(
        TBadTranscript{"NoCharacter", "now: 2024/04/12\n\n> a\n", 1, "character:"},
        TBadTranscript{"UnknownKey", "character: t.klc\nfoo: 1\n", 2, "知らないキー"},
        TBadTranscript{"SeedNotANumber", "character: t.klc\nseed: x\n", 2, "seed"},
        TBadTranscript{"SeedTooLarge", "character: t.klc\nseed: 4294967296\n", 2, "seed"},
        TBadTranscript{"NowNotADate", "character: t.klc\nnow: tomorrow\n", 2, "now"},
        TBadTranscript{"SexOther", "character: t.klc\nsex: other\n", 2, "sex"},
        TBadTranscript{"CaseInHeader", "character: t.klc\n> hi\n", 2, "見出し"},
        TBadTranscript{"BrokenPattern", "character: t.klc\n\n> a\n~ (a\n", 4,
                       "need right parenthesis"},
        TBadTranscript{"WaitNotANumber", "character: t.klc\n\n> a\nwait: soon\n", 4, "wait:"},
        TBadTranscript{"WaitNegative", "character: t.klc\n\nwait: -1\n", 3, "wait:"},
        TBadTranscript{"WaitFraction", "character: t.klc\n\nwait: 1.5\n", 3, "wait:"},
        TBadTranscript{"CaseNowNotADate", "character: t.klc\n\nnow: soon\n> a\n", 3, "now"},
        TBadTranscript{"CaseNowAfterAnExchange", "character: t.klc\n\n> a\nnow: 2024/04/12\n", 4,
                       "最初の行"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_P(TranscriptMistake, IsReportedAtItsLine) {
  TTranscript transcript;
  const std::vector<TTranscriptError> errors = ParseTranscript(GetParam().Text, transcript);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].LineNumber, GetParam().Line);
  EXPECT_NE(errors[0].Message.find(GetParam().MessagePiece), std::string::npos)
      << errors[0].Message;
}

TEST(Transcript, ReadsHeaderCasesExchangesAndComments) {
  TTranscript transcript;
  const char* text =
      "\xEF\xBB\xBF# comment\r\ncharacter: c/t.klc\r\nseed: 7\r\nnickname: ゆう\r\nsex: female\r\n"
      "\r\nいらっしゃい\r\n> かぞえて\r\n# a note\r\n2回目\r\n~\r\n>\r\n\r\n\r\n>   空白\r\n~ "
      "a.*\r\n"
      "...\r\n";
  ASSERT_TRUE(ParseTranscript(text, transcript).empty());
  EXPECT_EQ(transcript.Character, "c/t.klc");
  EXPECT_EQ(transcript.Seed, 7u);
  EXPECT_FALSE(transcript.Now);
  EXPECT_EQ(transcript.Profile.Nickname, Utf8ToShiftJis("ゆう"));
  EXPECT_EQ(transcript.Profile.Surname, Utf8ToShiftJis(kTranscriptSurname));
  EXPECT_FALSE(transcript.Profile.IsMale);
  ASSERT_EQ(transcript.Cases.size(), 2u);
  const TTranscriptCase& first = transcript.Cases[0];
  EXPECT_EQ(first.LineNumber, 7);
  ASSERT_EQ(first.Greeting.size(), 1u);
  EXPECT_EQ(first.Greeting[0].Text, "いらっしゃい");
  ASSERT_EQ(first.Exchanges.size(), 2u);
  EXPECT_EQ(first.Exchanges[0].LineNumber, 8);
  EXPECT_EQ(first.Exchanges[0].UserLine, "かぞえて");
  ASSERT_EQ(first.Exchanges[0].Expected.size(), 2u);
  using TKind = TExpectedLine::TKind;
  EXPECT_EQ(first.Exchanges[0].Expected[0].Kind, TKind::Text);
  EXPECT_EQ(first.Exchanges[0].Expected[1].Kind, TKind::Pattern);
  EXPECT_EQ(first.Exchanges[0].Expected[1].Text, "");
  EXPECT_EQ(first.Exchanges[1].UserLine, "");
  const TExchange& spaced = transcript.Cases[1].Exchanges.at(0);
  EXPECT_EQ(spaced.UserLine, "  空白");  // one blank after ">" belongs to the mark
  EXPECT_EQ(spaced.Expected.at(0).Text, "a.*");
  EXPECT_EQ(spaced.Expected.at(1).Kind, TKind::AnyLines);
}

TEST(Transcript, ReadsACaseDateAndWaits) {
  TTranscript transcript;
  const char* text =
      "character: t.klc\nnow: 2024/04/12\n\n# own date\nnow: 2025/01/02 03:04\nやあ\nwait: 180\n"
      "ひまだね\n> うん\nwait:0\n\n> b\n";
  ASSERT_TRUE(ParseTranscript(text, transcript).empty());
  ASSERT_EQ(transcript.Cases.size(), 2u);
  const TTranscriptCase& own = transcript.Cases[0];
  TDateTime expectedNow = 0;
  ASSERT_TRUE(TryReadDateTime(u"2025/01/02 03:04", expectedNow));
  EXPECT_EQ(own.Now, expectedNow);
  ASSERT_EQ(own.Greeting.size(), 1u);
  ASSERT_EQ(own.Exchanges.size(), 3u);
  EXPECT_EQ(own.Exchanges[0].LineNumber, 7);
  EXPECT_EQ(own.Exchanges[0].WaitSeconds, 180u);
  ASSERT_EQ(own.Exchanges[0].Expected.size(), 1u);
  EXPECT_EQ(own.Exchanges[0].Expected[0].Text, "ひまだね");
  EXPECT_FALSE(own.Exchanges[1].WaitSeconds);
  EXPECT_EQ(own.Exchanges[2].WaitSeconds, 0u);
  EXPECT_TRUE(own.Exchanges[2].Expected.empty());
  EXPECT_FALSE(transcript.Cases[1].Now);
}

struct TMatchCase {
  const char* Name;
  TExpectedLine::TKind Kind;
  const char* Expected;
  const char* Shown;
  bool Accepted;
};

class ExpectedLineMatch : public ::testing::TestWithParam<TMatchCase> {};

constexpr auto kText = TExpectedLine::TKind::Text;
constexpr auto kPattern = TExpectedLine::TKind::Pattern;

INSTANTIATE_TEST_SUITE_P(
    Lines, ExpectedLineMatch,
    ::testing::Values(TMatchCase{"LiteralEqual", kText, "やあ", "やあ", true},
                      TMatchCase{"LiteralLonger", kText, "やあ", "やあ！", false},
                      TMatchCase{"PatternWholeLine", kPattern, "今日は[0-9]+日", "今日は12日",
                                 true},
                      TMatchCase{"PatternPartOnly", kPattern, "今日は", "今日は12日", false},
                      TMatchCase{"PatternLaterStart", kPattern, "[0-9]+日", "今日は12日", false},
                      TMatchCase{"PatternKeepsCase", kPattern, "abc", "ABC", false},
                      TMatchCase{"EmptyPatternEmptyLine", kPattern, "", "", true},
                      TMatchCase{"EmptyPatternText", kPattern, "", "x", false},
                      TMatchCase{"AnyLines", TExpectedLine::TKind::AnyLines, "...", "x", true}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_P(ExpectedLineMatch, AcceptsOnlyTheWholeLine) {
  const TExpectedLine expected{1, GetParam().Kind, GetParam().Expected};
  TExpectedMatcher matcher(expected);
  EXPECT_EQ(matcher.Accepts(GetParam().Shown), GetParam().Accepted);
}

// A program folder holding the character "t.klc": a greeting that counts visits in a stored
// counter, and keywords for counting, the date, a random choice and a reply of two lines.
class TranscriptRun : public ::testing::Test {
 protected:
  TranscriptRun() {
    const auto lines = [](std::initializer_list<std::string_view> text) {
      std::string bytes;
      for (const std::string_view line : text) bytes += Utf8ToShiftJis(line) + "\r\n";
      return bytes;
    };
    folder.Write("t.klc", lines({"name", "テスト", "folder", "t", "version", "210", "data02",
                                 "kotoba.txt", "datab2", "kw.txt"}));
    folder.Write("t/kotoba.txt", lines({"{EQ{OPERATEMESSAGE}|KCCALLED},いらっしゃい{COUNT50++}"}));
    folder.Write("t/kw.txt",
                 lines({"かぞえて,{COUNT50++}{COUNT50}回目", "いまは,{YEAR}年{MONTH}月{DAY}日",
                        "くじ,{CHOICE大吉|中吉|小吉|吉|末吉|凶}", "ながい,一行目{BR}二行目",
                        "じこく,{HOUR}時{MINUTE}分", "まってて,うん{TIMER60|ひま}",
                        "ひま,ひまだなあ{TIMER120|ひま}", "ずっと,{TIMER1|ずっと}ずっと"}));
  }

  // Runs the transcript text; out receives the report.
  int Run(const std::string& text, std::string& out) {
    const std::string path = folder.Write("t.transcript", text);
    std::ostringstream report;
    const int status = RunTranscript({folder.Path(), path}, report);
    out = report.str();
    return status;
  }

  TempFolder folder;
};

TEST_F(TranscriptRun, PassingCasesEachStartFromAFreshState) {
  std::string out;
  const int status =
      Run("character: t.klc\nnow: 2024/04/12 09:30:00\n\n"
          "いらっしゃい\n> かぞえて\n2回目\n> かぞえて\n~ [0-9]回目\n\n"
          "> かぞえて\n2回目\n\n"
          "> いまは\n2024年4月12日\n\n"
          "> ながい\n...\n~ 二.*\n...\n",
          out);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out, folder.Path() + "t.transcript: 4 件中 4 件成功\n");
  EXPECT_FALSE(folder.Exists("t/t.kls"));
}

TEST_F(TranscriptRun, AFailureShowsTheDiffAtItsExchange) {
  std::string out;
  const int status = Run(
      "character: t.klc\n\n> かぞえて\n2回目\n> かぞえて\n2回目\n\n> ながい\n...\n三行目\n", out);
  EXPECT_EQ(status, 1);
  const std::string path = folder.Path() + "t.transcript";
  EXPECT_EQ(out,
            path + ":5: 失敗: 「かぞえて」への返答が違います\n  - 2回目\n  + 3回目\n" + path +
                ":8: 失敗: 「ながい」への返答が違います\n    一行目\n    二行目\n  - 三行目\n" +
                path + ": 2 件中 0 件成功、2 件失敗\n");
}

TEST_F(TranscriptRun, ASeedGivesEveryCaseTheSameDraws) {
  std::string out;
  Run("character: t.klc\nseed: 11\n\n> くじ\n?\n", out);
  const size_t shown = out.find("  + ");
  ASSERT_NE(shown, std::string::npos) << out;
  const std::string draw = out.substr(shown + 4, out.find('\n', shown) - shown - 4);
  const std::string oneCase = "> くじ\n" + draw + "\n\n";
  EXPECT_EQ(Run("character: t.klc\nseed: 11\n\n" + oneCase + oneCase + oneCase, out), 0) << out;
}

TEST_F(TranscriptRun, AWaitCarriesOutEachTimedTalkAtItsTime) {
  std::string out;
  const int status =
      Run("character: t.klc\nnow: 2024/04/12 09:30:00\n\n"
          "> まってて\nうん\nwait: 59\nwait: 1\nひまだなあ\n> じこく\n9時31分\n"
          "wait: 240\nひまだなあ\nひまだなあ\n> じこく\n9時35分\n\n"
          "now: 2025/01/02 03:04:05\n> じこく\n3時4分\nwait: 600\n\n"
          "> じこく\n9時30分\n",
          out);
  EXPECT_EQ(status, 0) << out;
}

TEST_F(TranscriptRun, TimedTalkThatNeverEndsFailsTheWait) {
  std::string out;
  EXPECT_EQ(Run("character: t.klc\n\n> ずっと\nずっと\nwait: 5000\n", out), 1);
  EXPECT_NE(out.find(":5: 失敗: 5000 秒待つ間の話が終わらない"), std::string::npos) << out;
}

TEST_F(TranscriptRun, BytesOfABinaryTranscriptReachTheReportEscaped) {
  const struct {
    std::string Text;
    std::vector<std::string> Quoted;
  } transcripts[] = {
      {"character: t.klc\n\x1B]0;title\x07: 1\n\n", {"知らないキーです: {0x1B}]0;title{0x07}"}},
      {"character: t.klc\n\n> \x1B[2J\xFF\n\x1B[31m\n",
       {"「{0x1B}[2J{0xFF}」への返答", "  - {0x1B}[31m"}},
  };
  for (const auto& [text, quoted] : transcripts) {
    std::string out;
    EXPECT_EQ(Run(text, out), 1);
    for (const std::string& piece : quoted) EXPECT_NE(out.find(piece), std::string::npos) << out;
    for (const char c : out) ASSERT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= ' ') << out;
  }
}

TEST_F(TranscriptRun, ACharacterThatCannotLoadFailsTheRun) {
  std::string out;
  EXPECT_EQ(Run("character: nai.klc\n\n> a\n", out), 1);
  EXPECT_NE(out.find("人格を読み込めません"), std::string::npos) << out;
}

}  // namespace
}  // namespace kelmo::testing
