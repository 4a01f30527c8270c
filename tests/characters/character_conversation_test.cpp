// Conversations with the bundled characters through the engine, the way the window drives it:
// the window's own words under the basic mask, user lines under the full mask, each reply selected
// and evaluated. Replies are drawn at random, so every check accepts any of the entries that may
// answer and pins down what all of them share (a word, a remembered slot, a computed number).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <tuple>

#include "bundled_character.h"
#include "charfile/code_page.h"
#include "charfile/date_time.h"
#include "charfile/text_utils.h"
#include "dictionary/kelmo_data_0.h"
#include "dictionary/kelmo_data_a.h"
#include "dictionary/kelmo_data_b.h"
#include "dictionary/kelmo_data_c.h"

namespace kelmo::testing {
namespace {

using ::testing::AnyOf;
using ::testing::HasSubstr;
using ::testing::Not;

// Slots the bundled characters keep in their state files (see docs/character-authoring.md).
constexpr int kMetFlag = 50;          // FLAG50: the first meeting has happened
constexpr int kVisitCounter = 50;     // COUNT50: visits so far
constexpr int kFavouriteMemo = 50;    // MEMO50: the user's favourite thing (あかり)
constexpr int kFirstMetMemo = 52;     // MEMO52: the date of the first meeting (あかり)
constexpr int kPettingCounter = 51;   // COUNT51: petting so far (あかり), fish received (ムギ)
constexpr int kDrinkMemo = 53;        // MEMO53: tea or coffee (あかり)
constexpr int kFortuneDateMemo = 55;  // MEMO55, MEMO56: today's fortune and its result (あかり)
constexpr int kFortuneMemo = 56;

std::string Today() {
  const TDateTimeParts now = DecodeDateTime(NowLocal());
  char text[16];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d", now.Year, now.Month, now.Day);
  return text;
}

std::string Greet(TCharacter& character) {
  return Answer(character, "KCCalled", DictMaskBasic);
}

// Greets and answers a question the greeting may have asked, so that the next line is read on its
// own and not as that answer (no follow-up of the bundled characters asks again).
void StartConversation(TCharacter& character) {
  Greet(character);
  Answer(character, "なるほど");
  ASSERT_EQ(character.DataA1->Context().find("{Q:"), std::string::npos)
      << Utf8(character.DataA1->Context());
}

class Conversation : public ::testing::Test {
 protected:
  std::unique_ptr<TCharacter> Load(const std::string& id) {
    return copy_.Load(id, SampleProfile());
  }
  TBundledCopy copy_;
};

TEST_F(Conversation, AkariIntroducesHerselfOnceAndRemembersTheVisitAndTheFavourite) {
  {
    auto akari = Load("akari");
    EXPECT_THAT(Greet(*akari), HasSubstr("はじめまして"));
    EXPECT_TRUE(akari->Flag[kMetFlag]);
    EXPECT_EQ(akari->Counter[kVisitCounter], 1);
    EXPECT_EQ(akari->Memo[kFirstMetMemo], Today());
    // The greeting asked for a favourite thing; the answer is taken in that context.
    EXPECT_THAT(Answer(*akari, "ことばあそび"), HasSubstr("「ことばあそび」"));
    EXPECT_EQ(Utf8(akari->Memo[kFavouriteMemo]), "ことばあそび");
  }
  auto akari = Load("akari");
  const std::string greeting = Greet(*akari);
  EXPECT_FALSE(Shown(greeting).empty());
  EXPECT_THAT(greeting, Not(HasSubstr("はじめまして")));
  EXPECT_EQ(akari->Counter[kVisitCounter], 2);
  Answer(*akari, "なるほど");
  EXPECT_THAT(Answer(*akari, "好きなもの、覚えてる？"), HasSubstr("「ことばあそび」"));
  EXPECT_THAT(Answer(*akari, "何回目？"), HasSubstr("2回目"));
}

TEST_F(Conversation, MugiCountsTheFishHeIsGivenAcrossVisits) {
  {
    auto mugi = Load("mugi");
    EXPECT_THAT(Greet(*mugi), HasSubstr("わしはムギ"));
    // He asked whether the user has fish.
    EXPECT_THAT(Answer(*mugi, "あるよ、どうぞ"), HasSubstr("1匹"));
  }
  auto mugi = Load("mugi");
  EXPECT_THAT(Greet(*mugi), Not(HasSubstr("わしはムギ")));
  EXPECT_EQ(mugi->Counter[kPettingCounter], 1);
  EXPECT_THAT(Answer(*mugi, "（魚をどうぞ）"), HasSubstr("2匹"));
}

TEST_F(Conversation, WindowWordsAreAnsweredByBothCharacters) {
  for (const TBundledCharacter& bundled : kBundledCharacters) {
    auto character = Load(bundled.Id);
    Greet(*character);
    const std::string closing = Answer(*character, "CloseWindow", DictMaskBasic);
    EXPECT_FALSE(closing.empty()) << bundled.Id;
    EXPECT_EQ(closing.find('{'), std::string::npos) << "shown in a message box: " << closing;
    EXPECT_FALSE(Shown(Answer(*character, "InvalidCharacter", DictMaskBasic)).empty());
    EXPECT_FALSE(
        Shown(Answer(*character, "ReadCharacter:/elsewhere/other.klc", DictMaskBasic)).empty());
  }
  auto akari = Load("akari");
  EXPECT_THAT(Answer(*akari, "ReadCharacter:" + copy_.DefinitionPath("mugi"), DictMaskBasic),
              HasSubstr("ムギさん"));
  auto mugi = Load("mugi");
  EXPECT_THAT(Answer(*mugi, "ReadCharacter:" + copy_.DefinitionPath("akari"), DictMaskBasic),
              AnyOf(HasSubstr("娘っ子"), HasSubstr("あかり")));
}

TEST_F(Conversation, EmptyLinesAlwaysGetAnAnswer) {
  for (const TBundledCharacter& bundled : kBundledCharacters) {
    auto character = Load(bundled.Id);
    Greet(*character);
    for (int i = 0; i < 6; ++i) {
      EXPECT_FALSE(Shown(Answer(*character, "")).empty()) << bundled.Id << " time " << i;
    }
  }
}

const auto kRepeatRemarks = AnyOf(HasSubstr("こだま"), HasSubstr("さっきも聞いた"),
                                  HasSubstr("聞こえてる"), HasSubstr("二回目"));

TEST_F(Conversation, AkariNoticesARepeatedSentenceButNotARepeatedShortAnswer) {
  auto akari = Load("akari");
  Greet(*akari);
  Answer(*akari, "今日はとてもいい天気だね");
  EXPECT_THAT(Answer(*akari, "今日はとてもいい天気だね"), kRepeatRemarks);
  Answer(*akari, "うん");
  EXPECT_THAT(Answer(*akari, "うん"), Not(kRepeatRemarks));
}

TEST_F(Conversation, TimedTalkSpeaksOnlyWhenTheUserStayedSilent) {
  // Their replies arm the timer again; a good night does not, so the pending one is stale.
  const std::tuple<const char*, const char*, const char*> timers[] = {
      {"akari", "AKARI_IDLE", "おやすみ"}, {"mugi", "MUGI_NAP", "おやすみ"}};
  for (const auto& [id, word, line] : timers) {
    auto character = Load(id);
    EXPECT_THAT(Greet(*character), HasSubstr(std::string("{TIMER")));
    EXPECT_FALSE(Shown(Answer(*character, word)).empty()) << id;
    Answer(*character, line);
    EXPECT_EQ(Answer(*character, word), "") << id;
  }
}

TEST_F(Conversation, EveryPettingActionIsAnswered) {
  for (const TBundledCharacter& bundled : kBundledCharacters) {
    auto character = Load(bundled.Id);
    Greet(*character);
    for (const auto& [label, text] : PettingActions(bundled.Id)) {
      EXPECT_FALSE(Shown(Answer(*character, Utf8(text))).empty())
          << bundled.Id << ": " << Utf8(label);
    }
  }
}

TEST_F(Conversation, AkariCountsPettingAndKeepsCountingWhenRepeated) {
  auto akari = Load("akari");
  StartConversation(*akari);
  Answer(*akari, "（なでなで）");
  EXPECT_EQ(akari->Counter[kPettingCounter], 1);
  EXPECT_THAT(Answer(*akari, "（なでなで）"), HasSubstr("まだなでてくれるの"));
  EXPECT_EQ(akari->Counter[kPettingCounter], 2);
}

struct TArithmeticCase {
  const char* Line;
  const char* Answer;
};

class AkariArithmetic : public ::testing::TestWithParam<TArithmeticCase> {};

INSTANTIATE_TEST_SUITE_P(
    Operators, AkariArithmetic,
    ::testing::Values(TArithmeticCase{"12+34", "答えは46"},
                      TArithmeticCase{"１２＋３４", "答えは46"},
                      TArithmeticCase{"100-1=", "答えは99"}, TArithmeticCase{"7×8", "答えは56"},
                      TArithmeticCase{"6*7=", "答えは42"}, TArithmeticCase{"9/3", "答えは3"},
                      TArithmeticCase{"1÷4", "答えは0.25"}, TArithmeticCase{"5 + 5", "答えは10"},
                      TArithmeticCase{"1.5*2", "答えは3"}, TArithmeticCase{"10/0", "0で割る"}));

TEST_P(AkariArithmetic, ComputesTheExpression) {
  TBundledCopy copy;
  auto akari = copy.Load("akari", SampleProfile());
  EXPECT_THAT(Shown(Answer(*akari, GetParam().Line)), HasSubstr(GetParam().Answer));
}

// A question around the expression is answered by thinking again about the bare expression.
TEST_F(Conversation, AkariHandsAQuestionAboutASumBackAsTheBareSum) {
  auto akari = Load("akari");
  EXPECT_THAT(Answer(*akari, "12+34は？"), HasSubstr("{SKIP:12+34}"));
  EXPECT_THAT(Answer(*akari, "7×8って？"), HasSubstr("{SKIP:7×8}"));
  EXPECT_THAT(Answer(*akari, "10/0=？"), HasSubstr("{SKIP:10/0}"));
}

const char* const kWeekdays[] = {"日曜", "月曜", "火曜", "水曜", "木曜", "金曜", "土曜"};

TEST_F(Conversation, AkariAnswersTimeDateAndProfileQuestions) {
  auto akari = Load("akari");
  StartConversation(*akari);
  const TDateTimeParts now = DecodeDateTime(NowLocal());
  const std::string hour = Shown(Answer(*akari, "いま何時？"));
  EXPECT_TRUE(hour.find(std::to_string(now.Hour) + "時") != std::string::npos ||
              hour.find(std::to_string((now.Hour + 1) % 24) + "時") != std::string::npos)
      << hour;
  EXPECT_THAT(Answer(*akari, "今日は何曜日？"),
              HasSubstr(std::string(kWeekdays[DayOfWeek(NowLocal())]) + "日だよ"));
  EXPECT_THAT(Answer(*akari, "今日は何日？"),
              HasSubstr(std::to_string(now.Year) + "年" + std::to_string(now.Month) + "月"));
  EXPECT_THAT(Answer(*akari, "わたしの名前、覚えてる？"), HasSubstr("灯野ゆうさん"));
  EXPECT_THAT(Answer(*akari, "私の誕生日っていつ？"), HasSubstr("4月12日"));
  EXPECT_THAT(Answer(*akari, "2020年に引っ越したんだ"), HasSubstr("2020年かあ"));
}

TEST_F(Conversation, AkariNoticesWhenTheBirthdayAskedAboutIsToday) {
  TUserProfile profile = SampleProfile();
  TDateTimeParts birthday = DecodeDateTime(NowLocal());
  birthday.Year = 2000;  // a leap year, so that 29 February is a date too
  birthday.Hour = birthday.Minute = birthday.Second = birthday.Millisecond = 0;
  ASSERT_TRUE(TryEncodeDateTime(birthday, profile.Birthday));
  auto akari = copy_.Load("akari", profile);
  StartConversation(*akari);
  EXPECT_THAT(Answer(*akari, "誕生日覚えてる？"), HasSubstr("おめでとう"));

  const TDateTimeParts today = DecodeDateTime(NowLocal());
  if (today.Month == 4 && today.Day == 12) GTEST_SKIP() << "the sample birthday is today";
  auto other = Load("akari");
  StartConversation(*other);
  const std::string reply = Answer(*other, "誕生日覚えてる？");
  EXPECT_THAT(reply, HasSubstr("4月12日"));
  EXPECT_THAT(reply, Not(HasSubstr("おめでとう")));
}

struct TKeywordCase {
  const char* Line;
  std::vector<const char*> Expected;  // any one of these shows
};

class AkariKeywords : public ::testing::TestWithParam<TKeywordCase> {};

INSTANTIATE_TEST_SUITE_P(
    Sample, AkariKeywords,
    ::testing::Values(TKeywordCase{"おはよう", {"おはよう"}},
                      TKeywordCase{"ありがとう", {"どういたしまして", "こちらこそ"}},
                      TKeywordCase{"なんだか寂しいな", {"さみしいときは", "わたしがいるよ"}},
                      TKeywordCase{"猫が好きなんだ", {"猫"}},
                      TKeywordCase{"ムギって誰？", {"おじいちゃん猫"}},
                      TKeywordCase{"なにができるの？", {"できること"}},
                      TKeywordCase{"ただいま", {"おかえりなさい"}},
                      TKeywordCase{"かみなりが鳴ってる", {"かみなり"}}));

TEST_P(AkariKeywords, AnswersTheKeyword) {
  TBundledCopy copy;
  auto akari = copy.Load("akari", SampleProfile());
  const std::string shown = Shown(Answer(*akari, GetParam().Line));
  EXPECT_TRUE(std::any_of(GetParam().Expected.begin(), GetParam().Expected.end(),
                          [&](const char* word) { return shown.find(word) != std::string::npos; }))
      << GetParam().Line << " -> " << shown;
}

TEST_F(Conversation, AkariUnderstandsAnAnswerInTheContextOfHerQuestion) {
  auto akari = Load("akari");
  StartConversation(*akari);
  EXPECT_THAT(Answer(*akari, "飲み物の話をしよう"), HasSubstr("どっち派"));
  EXPECT_THAT(Answer(*akari, "コーヒーかな"), HasSubstr("コーヒー派なんだね"));
  EXPECT_EQ(Utf8(akari->Memo[kDrinkMemo]), "コーヒー");
  // Without the question, words about coffee are only a topic.
  EXPECT_THAT(Answer(*akari, "コーヒーが好き"), Not(HasSubstr("コーヒー派なんだね")));
}

TEST_F(Conversation, AkariFollowsAChainOfQuestionsAboutAPet) {
  auto akari = Load("akari");
  StartConversation(*akari);
  EXPECT_THAT(Answer(*akari, "好きなものの話をしよう"), HasSubstr("好きなもの"));
  EXPECT_THAT(Answer(*akari, "猫が好きなんだ"), HasSubstr("猫と暮らしてるの？"));
  EXPECT_EQ(Utf8(akari->Memo[kFavouriteMemo]), "猫");
  EXPECT_THAT(Answer(*akari, "うん、飼ってるよ"), HasSubstr("お名前は？"));
  // The name is quoted without the sentence ending around it.
  EXPECT_THAT(Answer(*akari, "ミケだよ"), HasSubstr("「ミケ」ちゃん"));
}

TEST_F(Conversation, AkariQuotesAPetsNameWithoutTheWordsAroundIt) {
  const std::pair<const char*, const char*> answers[] = {
      {"ミケだよ", "「ミケ」ちゃん"},
      {"名前はこむぎっていうの", "「こむぎ」ちゃん"},
      {"なまえはタマです", "「タマ」ちゃん"},
      {"名前はポチ", "「ポチ」ちゃん"},
  };
  for (const auto& [line, quoted] : answers) {
    auto akari = Load("akari");
    StartConversation(*akari);
    Answer(*akari, "好きなものの話をしよう");
    Answer(*akari, "猫が好きなんだ");
    ASSERT_THAT(Answer(*akari, "うん、飼ってるよ"), HasSubstr("お名前は？"));
    EXPECT_THAT(Answer(*akari, line), HasSubstr(quoted)) << line;
  }
}

TEST_F(Conversation, AkariTakesThanksAfterHerFoodQuestionAsThanks) {
  auto akari = Load("akari");
  StartConversation(*akari);
  ASSERT_THAT(Answer(*akari, "好きな食べ物は？"), HasSubstr("好きな食べもの"));
  const std::string reply = Answer(*akari, "ありがとう");
  EXPECT_THAT(reply, HasSubstr("どういたしまして"));
  EXPECT_THAT(reply, Not(HasSubstr("おいしそう")));
}

TEST_F(Conversation, MugiTakesFishOfferedInWords) {
  auto mugi = Load("mugi");
  StartConversation(*mugi);
  Answer(*mugi, "魚があるよ");
  EXPECT_EQ(mugi->Counter[kPettingCounter], 1);
}

TEST_F(Conversation, AkarisRiddlesAreCheckedAgainstTheirAnswers) {
  const std::map<std::string, std::string> answers = {
      {"NAZO1", "つき"},     {"NAZO2", "ロウソク"}, {"NAZO3", "苔"},     {"NAZO4", "かげ"},
      {"NAZO5", "雪だるま"}, {"NAZO6", "かさ"},     {"NAZO7", "鏡"},     {"NAZO8", "にじ"},
      {"NAZO9", "時計"},     {"NAZO0", "ふうりん"}};
  auto akari = Load("akari");
  StartConversation(*akari);
  const std::regex marker(R"(\{Q:(NAZO[0-9])\})");
  std::set<std::string> asked;
  for (size_t i = 0; i < answers.size(); ++i) {
    const std::string riddle = Answer(*akari, "なぞなぞ");
    std::smatch found;
    ASSERT_TRUE(std::regex_search(riddle, found, marker)) << riddle;
    asked.insert(found[1]);
    if (i % 2 == 0) {
      EXPECT_THAT(Answer(*akari, answers.at(found[1])), HasSubstr("せいかい"));
    } else {
      EXPECT_THAT(Answer(*akari, "うーん、わからない"), HasSubstr("答えは"));
    }
  }
  EXPECT_EQ(asked.size(), answers.size()) << "each riddle is asked once";
  EXPECT_THAT(Answer(*akari, "なぞなぞ"), HasSubstr("品切れ"));
}

TEST_F(Conversation, AkarisFortuneHoldsForTheWholeDay) {
  auto akari = Load("akari");
  StartConversation(*akari);
  EXPECT_THAT(Answer(*akari, "おみくじ"), HasSubstr("出ました"));
  EXPECT_EQ(akari->Memo[kFortuneDateMemo], Today());
  const std::string fortune = Utf8(akari->Memo[kFortuneMemo]);
  EXPECT_THAT(fortune, AnyOf("大吉", "中吉", "小吉", "吉", "末吉"));
  const std::string again = Answer(*akari, "おみくじ");
  EXPECT_THAT(again, HasSubstr("もう引いた"));
  EXPECT_THAT(again, HasSubstr("「" + fortune + "」"));
  EXPECT_EQ(Utf8(akari->Memo[kFortuneMemo]), fortune);
}

TEST_F(Conversation, SleepyLinesTypeSlowerAndRestoreTheSpeed) {
  auto akari = Load("akari");
  StartConversation(*akari);
  const std::string reply = Answer(*akari, "ねむい");
  const size_t slower = reply.find("{SPEEDFAST}");
  ASSERT_NE(slower, std::string::npos) << reply;
  EXPECT_NE(reply.find("{SPEEDSLOW}", slower), std::string::npos) << reply;
  EXPECT_NE(reply.find("{PIC:nemui.jpg}"), std::string::npos) << reply;
}

// Lines a newcomer says, each after the lines that lead up to it (the conversation starts as
// StartConversation leaves it), and what the answer must and must not show.
struct TExchange {
  const char* Id;
  std::vector<const char*> Before;
  const char* Line;
  std::vector<const char*> AnyOf;   // one of these shows
  std::vector<const char*> NoneOf;  // none of these shows
};

void PrintTo(const TExchange& exchange, std::ostream* out) {
  *out << exchange.Id << ": " << exchange.Line;
}

class Exchange : public ::testing::TestWithParam<TExchange> {};

INSTANTIATE_TEST_SUITE_P(
    Newcomer, Exchange,
    ::testing::Values(
        // Blanks are nothing said, not a one-letter line.
        TExchange{"akari",
                  {},
                  "　 ",
                  {"ゆっくり", "いっしょにいる", "しずか", "言いかけた？", "待ってる", "好きなこと",
                   "なぞなぞ"},
                  {"ひと文字"}},
        // An offer of tea takes a yes or a no; anything else is read on its own.
        TExchange{"akari", {"お茶"}, "犬が好き", {"「犬」"}, {"二人分"}},
        TExchange{"akari", {}, "あかりちゃんのことが好き", {"ありがとう"}, {"なあに", "呼んだ"}},
        TExchange{"akari", {}, "つらい", {"泣きたい", "悲しい", "つらかった"}, {}},
        TExchange{"akari", {"おはよう"}, "おはよう", {"聞こえてる"}, {}},
        TExchange{"akari", {}, "いいね", {"うんうん", "だよね", "そうだよね"}, {}},
        TExchange{"akari", {}, "しりとりしよう", {"ちょうちん"}, {}},
        TExchange{
            "akari", {}, "将来の夢は作家になること", {"すてきな夢"}, {"かなえたい夢ってある"}},
        TExchange{"akari", {}, "お茶とコーヒーどっちが好き？", {"お茶派"}, {}},
        TExchange{"akari", {}, "パン食べた", {"おいしかった？"}, {}},
        TExchange{"akari", {}, "あかりは物知りだね", {"ほめられ"}, {}},
        TExchange{"akari", {}, "あかりをなでたい", {"なでなで", "手、あったかい"}, {}},
        // A greeting in answer to a question is a greeting.
        TExchange{"akari",
                  {"朝型と夜型、どっち？"},
                  "こんばんは",
                  {"おはよう", "こんにちは", "こんばんは"},
                  {"リズム"}},
        TExchange{
            "mugi", {}, "こんにちは", {"こんにちは", "おはよう", "こんばんは"}, {"魚ではない"}},
        TExchange{"mugi", {}, "猫が好き", {"猫好き"}, {"猫は好きか"}},
        TExchange{"mugi", {}, "ムギの好きなものは？", {"ひなた"}, {"なにを言うか"}},
        TExchange{"mugi", {}, "12+34", {"計算"}, {}},
        TExchange{"mugi", {}, "ムギはどこに住んでるの？", {"軒下"}, {"知らん"}},
        TExchange{"mugi", {}, "和尚さんって誰？", {"名付け親"}, {"わしはムギ"}},
        TExchange{"mugi",
                  {},
                  "また来るね",
                  {"窓を閉じる", "達者", "また来い", "おやすみ", "遅い", "寝ろ"},
                  {}},
        TExchange{"mugi", {}, "好きなもの、覚えてる？", {"まだ聞いておらん"}, {}},
        TExchange{"mugi", {}, "魚はないよ", {"手ぶら"}, {"持っとるか"}},
        TExchange{"mugi", {}, "あかりってどんな子？", {"灯りの精"}, {"元気にしとったか"}},
        TExchange{"mugi", {"あかりは元気？"}, "散歩に行こう", {"散歩"}, {"まかせた"}}));

TEST_P(Exchange, IsAnsweredInContext) {
  TBundledCopy copy;
  auto character = copy.Load(GetParam().Id, SampleProfile());
  if (std::string(GetParam().Id) == "mugi") {
    Greet(*character);  // ムギ's first greeting asks about fish; the lines below answer it
  } else {
    StartConversation(*character);
  }
  for (const char* line : GetParam().Before) Answer(*character, line);
  const std::string shown = Shown(Answer(*character, GetParam().Line));
  const auto shows = [&](const char* word) { return shown.find(word) != std::string::npos; };
  EXPECT_TRUE(std::any_of(GetParam().AnyOf.begin(), GetParam().AnyOf.end(), shows)) << shown;
  for (const char* word : GetParam().NoneOf) EXPECT_FALSE(shows(word)) << word << " in " << shown;
}

// The user's nickname "たろちゃん" is used as it is by both characters.
TEST_F(Conversation, TheNicknameGetsNoHonorific) {
  TUserProfile profile = SampleProfile();
  profile.Nickname = Sjis("たろちゃん");
  for (const TBundledCharacter& bundled : kBundledCharacters) {
    auto character = copy_.Load(bundled.Id, profile);
    std::string all = Shown(Greet(*character));
    for (const char* line :
         {"なるほど", "わたしの名前、覚えてる？", "（手をふりふり）", "（ぎゅっ）", "おはよう"}) {
      all += Shown(Answer(*character, line));
    }
    all += Answer(*character, "CloseWindow", DictMaskBasic);
    EXPECT_THAT(all, HasSubstr("たろちゃん")) << bundled.Id;
    EXPECT_THAT(all, Not(HasSubstr("たろちゃんさん"))) << bundled.Id;
  }
}

class BundledCharacterLoad : public ::testing::TestWithParam<TBundledCharacter> {};

INSTANTIATE_TEST_SUITE_P(Bundled, BundledCharacterLoad, ::testing::ValuesIn(kBundledCharacters),
                         [](const auto& info) { return std::string(info.param.Id); });

TEST_P(BundledCharacterLoad, HasEnoughEntries) {
  TBundledCopy copy;
  auto character = copy.Load(GetParam().Id, SampleProfile());
  const int entries = character->Data01->AvailableCount + character->Data02->AvailableCount +
                      character->DataA1->AvailableCount + character->DataA2->AvailableCount +
                      character->DataB1->AvailableCount + character->DataB2->AvailableCount +
                      character->DataC1->AvailableCount + character->DataC2->AvailableCount;
  EXPECT_GE(entries, GetParam().MinimumEntries);
}

TEST_P(BundledCharacterLoad, AboutCommentShowsItsMacroResults) {
  TBundledCopy copy;
  auto character = copy.Load(GetParam().Id, SampleProfile());
  Greet(*character);
  const std::string comment = Utf8(character->CharacterFile->ReadValue("comment"));
  ASSERT_NE(comment.find('{'), std::string::npos) << "the comment uses a macro";
  const std::string shown = Shown(Utf16ToUtf8(character->Evaluate(Utf8ToUtf16(comment))));
  EXPECT_EQ(shown.find("COUNT"), std::string::npos) << shown;
  EXPECT_NE(shown.find('\n'), std::string::npos) << "{BR} breaks the text into paragraphs";
  EXPECT_THAT(shown, AnyOf(HasSubstr("1回"), HasSubstr("0匹")));
}

}  // namespace
}  // namespace kelmo::testing
