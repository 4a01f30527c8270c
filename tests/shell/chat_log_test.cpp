// The two logs: entry formats, where the files are, appending and the error log's order.
#include "shell/chat_log.h"

#include <gtest/gtest.h>

#include "charfile/code_page.h"
#include "charfile/date_time.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

using testing::TempFolder;

TDateTime Moment(int year, int month, int day, int hour, int minute, int second) {
  TDateTime value = 0;
  EXPECT_TRUE(TryEncodeDateTime(TDateTimeParts{year, month, day, hour, minute, second}, value));
  return value;
}

TEST(ChatLogTest, TimeStampIsTwentyFourHourWithSlashesAndColons) {
  EXPECT_EQ(FormatTimeStamp(Moment(2024, 3, 5, 17, 4, 9)), "2024/03/05 17:04:09");
}

struct EntryCase {
  const char* text;
  const char* entry;
};

class ChatLogEntryTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(ChatLogEntryTest, TrimsAndJoinsLines) {
  EXPECT_EQ(ChatLogEntry(GetParam().text), GetParam().entry);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ChatLogEntryTest,
    ::testing::Values(EntryCase{"hello", "hello"},
                      // A reply of two lines is one line with "{BR}" between them.
                      EntryCase{"first\r\nsecond\r\n", "first{BR}second"},
                      EntryCase{"a\r\n\r\nb\r\n", "a{BR}{BR}b"},
                      EntryCase{" \t padded \x01\r\n", "padded"}, EntryCase{"", ""},
                      EntryCase{"\r\n\r\n", ""},
                      // Control characters inside an entry are written escaped, the tab as is.
                      EntryCase{"red \x1b[31mtext\x1b[0m!", "red {0x1B}[31mtext{0x1B}[0m!"},
                      EntryCase{"bell\x07 and del\x7f.", "bell{0x07} and del{0x7F}."},
                      EntryCase{"lone\rcr and lone\nlf", "lone{0x0D}cr and lone{0x0A}lf"},
                      EntryCase{"tab\tstays", "tab\tstays"},
                      EntryCase{"\x83\x5c\x83\x7b", "\x83\x5c\x83\x7b"}));

TEST(ErrorLogEntryTest, QuotesTheMessageAndDoublesItsQuotes) {
  const TDateTime time = Moment(2024, 3, 5, 7, 8, 9);
  EXPECT_EQ(ErrorLogEntry("it's broken", time), "## 2024/03/05 07:08:09 [Kelmo]: 'it''s broken'");
  EXPECT_EQ(ErrorLogEntry("two\r\nlines", time), "## 2024/03/05 07:08:09 [Kelmo]: 'two{BR}lines'");
  EXPECT_EQ(ErrorLogEntry("a\x1b]0;x\x07", time),
            "## 2024/03/05 07:08:09 [Kelmo]: 'a{0x1B}]0;x{0x07}'");
}

TEST(ChatLogTest, ConversationLogIsNamedLikeTheProgramAndAppended) {
  const TempFolder home;
  const TChatLog log(home.Path(), "dorrinkelmo");
  log.WriteChatLog("one\r\ntwo\r\n");
  log.WriteChatLog(Utf8ToShiftJis("こんにちは"));
  EXPECT_EQ(home.Read("dorrinkelmo.log"), "one{BR}two\r\n" + Utf8ToShiftJis("こんにちは") + "\r\n");

  const TChatLog renamed(home.Path(), "Kelmo.exe");
  renamed.WriteChatLog("x");
  EXPECT_EQ(home.Read("Kelmo.log"), "x\r\n");
}

TEST(ChatLogTest, AnUnfinishedLastLineKeepsItsOwnLine) {
  const TempFolder home;
  home.Write("dorrinkelmo.log", "cut off");
  TChatLog(home.Path(), "dorrinkelmo").WriteChatLog("next");
  EXPECT_EQ(home.Read("dorrinkelmo.log"), "cut off\r\nnext\r\n");
}

TEST(ChatLogTest, ErrorLogHasTheNewestEntryFirst) {
  const TempFolder home;
  const TChatLog log(home.Path(), "dorrinkelmo");
  log.WriteErrorLog("first", Moment(2024, 1, 1, 0, 0, 1));
  log.WriteErrorLog(Utf8ToShiftJis("起動に失敗しました"), Moment(2024, 1, 1, 0, 0, 2));
  EXPECT_EQ(home.Read("KelmoErr.log"), "## 2024/01/01 00:00:02 [Kelmo]: '" +
                                           Utf8ToShiftJis("起動に失敗しました") +
                                           "'\r\n## 2024/01/01 00:00:01 [Kelmo]: 'first'\r\n");
}

TEST(ChatLogTest, WritingIntoAMissingFolderDoesNotThrow) {
  const TempFolder home;
  const TChatLog log(home.Path() + "missing/", "dorrinkelmo");
  EXPECT_NO_THROW(log.WriteChatLog("x"));
  EXPECT_NO_THROW(log.WriteErrorLog("x", 0));
  EXPECT_FALSE(home.Exists("missing"));
}

}  // namespace
}  // namespace kelmo
