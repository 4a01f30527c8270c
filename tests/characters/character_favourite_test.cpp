// あかり's memory of the user's favourite thing (MEMO50, known when FLAG51 is set). She takes it
// from the answer to her own question and from lines that clearly state a liking, cut down to the
// thing itself; greetings, nods, dislikes, questions and petting actions are answered without
// touching the memory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "bundled_character.h"
#include "charfile/code_page.h"

namespace kelmo::testing {
namespace {

using ::testing::AnyOf;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kFavouriteMemo = 50;  // MEMO50: the user's favourite thing
constexpr int kFavouriteFlag = 51;  // FLAG51: the favourite thing is known

class Favourite : public ::testing::Test {
 protected:
  // あかり after her first greeting, which asks for a favourite thing.
  std::unique_ptr<TCharacter> Met() {
    auto akari = copy_.Load("akari", SampleProfile());
    Answer(*akari, "KCCalled", DictMaskBasic);
    return akari;
  }
  // あかり with the question of the greeting answered, so that nothing is being asked.
  std::unique_ptr<TCharacter> Talking() {
    auto akari = Met();
    Answer(*akari, "なるほど");
    return akari;
  }
  TBundledCopy copy_;
};

std::string FavouriteOf(const TCharacter& akari) {
  return akari.Flag[kFavouriteFlag] ? Utf8(akari.Memo[kFavouriteMemo]) : "(none)";
}

// The report that led to this: a greeting addressed to her was stored as the favourite, and the
// user's stated favourite then got "前は「あかり」って教えてくれたよね".
TEST_F(Favourite, AGreetingIsNotTakenAndAStatedFavouriteIs) {
  auto akari = Met();
  Answer(*akari, "こんにちは、あかりちゃん");
  EXPECT_EQ(FavouriteOf(*akari), "(none)");
  const std::string reply = Shown(Answer(*akari, "好きなものはお茶です"));
  EXPECT_THAT(reply, HasSubstr("「お茶」"));
  EXPECT_THAT(reply, Not(HasSubstr("前は")));
  EXPECT_EQ(FavouriteOf(*akari), "お茶");
}

struct TStatement {
  const char* Line;
  const char* Favourite;  // what she keeps
};

class FavouriteStatement : public Favourite, public ::testing::WithParamInterface<TStatement> {};

INSTANTIATE_TEST_SUITE_P(
    Sentences, FavouriteStatement,
    ::testing::Values(TStatement{"好きなものはお茶です", "お茶"},
                      TStatement{"わたしの好きなものは、ほうじ茶です。", "ほうじ茶"},
                      TStatement{"ミステリーが好きなんだ", "ミステリー"},
                      TStatement{"ぼくは、夜の散歩が好きです！", "夜の散歩"},
                      TStatement{"猫も好きだよー", "猫"}, TStatement{"ポテトが大好き", "ポテト"},
                      TStatement{"好きなのはね、ことばあそび", "ことばあそび"},
                      TStatement{"趣味は読書です", "読書"}));

TEST_P(FavouriteStatement, KeepsOnlyTheThingWithoutTheSentenceAroundIt) {
  auto akari = Talking();
  const std::string reply = Shown(Answer(*akari, GetParam().Line));
  EXPECT_EQ(FavouriteOf(*akari), GetParam().Favourite);
  EXPECT_THAT(reply, HasSubstr(std::string("「") + GetParam().Favourite + "」"));
}

// Answers to her question that are not a favourite thing.
class NotAnAnswer : public Favourite, public ::testing::WithParamInterface<const char*> {};

INSTANTIATE_TEST_SUITE_P(Lines, NotAnAnswer,
                         ::testing::Values("こんにちは、あかりちゃん", "はじめまして！",
                                           "うん、いいよ", "なるほど", "うーん、わからない",
                                           "猫は嫌い", "ひみつ", "（なでなで）", "（お茶をどうぞ）",
                                           "好きなものは？", "どういうこと？", "おやすみ",
                                           "パソコンが壊れた", "今日は会社休み",
                                           "いっしょに遊ぼう"));

TEST_P(NotAnAnswer, LeavesTheFavouriteUnknown) {
  auto akari = Met();
  EXPECT_FALSE(Shown(Answer(*akari, GetParam())).empty());
  EXPECT_EQ(FavouriteOf(*akari), "(none)");
}

// Lines about liking that state no favourite of the user's.
class NotAStatement : public Favourite, public ::testing::WithParamInterface<const char*> {};

INSTANTIATE_TEST_SUITE_P(Lines, NotAStatement,
                         ::testing::Values("猫は好きじゃない", "あかりちゃんのことが好き",
                                           "何が好き？", "好きなものはないかな",
                                           "好きなもの、覚えてる？", "お茶とコーヒーどっちが好き？",
                                           "あなたは猫が好き？"));

TEST_P(NotAStatement, LeavesTheFavouriteUnknown) {
  auto akari = Talking();
  EXPECT_FALSE(Shown(Answer(*akari, GetParam())).empty());
  EXPECT_EQ(FavouriteOf(*akari), "(none)");
}

TEST_F(Favourite, AYesToTheNicknameLeadsToTheQuestionAgain) {
  auto akari = Met();
  EXPECT_THAT(Shown(Answer(*akari, "うん、いいよ")), HasSubstr("好きなもの、なにかある？"));
  EXPECT_THAT(Shown(Answer(*akari, "えっと、ことばあそびかな")), HasSubstr("「ことばあそび」"));
  EXPECT_EQ(FavouriteOf(*akari), "ことばあそび");
}

TEST_F(Favourite, HerOwnFavouritesAnswerTheQuestionAboutThem) {
  auto akari = Talking();
  Answer(*akari, "好きなものはお茶です");
  Answer(*akari, "なるほど");
  const std::string reply = Shown(Answer(*akari, "あかりの好きなものは？"));
  EXPECT_THAT(reply, AnyOf(HasSubstr("ほうじ茶"), HasSubstr("風鈴")));
  EXPECT_THAT(reply, Not(HasSubstr("前は")));
  EXPECT_EQ(FavouriteOf(*akari), "お茶");
}

TEST_F(Favourite, ANewFavouriteReplacesTheOldOneAndSheSaysSo) {
  auto akari = Talking();
  Answer(*akari, "好きなものはお茶です");
  Answer(*akari, "なるほど");
  const std::string reply = Shown(Answer(*akari, "音楽が大好きです"));
  EXPECT_THAT(reply, HasSubstr("「音楽」"));
  EXPECT_THAT(reply, HasSubstr("「お茶」"));
  EXPECT_EQ(FavouriteOf(*akari), "音楽");
}

}  // namespace
}  // namespace kelmo::testing
