// Starting entrusted programs (command line taken apart, no shell, nothing inherited, always
// reaped) and opening documents through a stand-in for the desktop's opener.
#include "engine/external_program.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/text_file.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

using testing::TempFolder;

std::string MakeExecutable(const std::string& path) {
  std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add);
  return path;
}

// Waits until the process has left the process table (reaped, not a zombie); ten seconds at most.
bool DisappearsFromProcessTable(pid_t process) {
  const std::string entry = "/proc/" + std::to_string(process);
  for (int i = 0; i < 1000 && std::filesystem::exists(entry); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return !std::filesystem::exists(entry);
}

// Waits until the file exists; ten seconds at most.
bool Appears(const TempFolder& folder, std::string_view name) {
  for (int i = 0; i < 1000 && !folder.Exists(name); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return folder.Exists(name);
}

struct SplitCase {
  const char* name;
  std::u16string text;
  std::vector<std::u16string> arguments;
};

class SplitArgumentTextTable : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitArgumentTextTable, SplitsAsTheCharactersPlatformDoes) {
  EXPECT_EQ(SplitArgumentText(GetParam().text), GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SplitArgumentTextTable,
    ::testing::Values(SplitCase{"Empty", u"", {}}, SplitCase{"OnlyBlanks", u" \t ", {}},
                      SplitCase{"Blanks", u" x  y\tz ", {u"x", u"y", u"z"}},
                      SplitCase{"QuotesGroup", u"\"a b\" c", {u"a b", u"c"}},
                      SplitCase{"QuotesInsideWord", u"a\"b c\"d", {u"ab cd"}},
                      SplitCase{"EmptyQuoted", u"\"\" x", {u"", u"x"}},
                      SplitCase{"DoubledQuoteInsideQuotes", u"\"a\"\"b\"", {u"a\"b"}},
                      SplitCase{"UnclosedQuoteRunsToEnd", u"\"a b", {u"a b"}},
                      SplitCase{"BackslashesLiteral", u"a\\\\b c\\", {u"a\\\\b", u"c\\"}},
                      SplitCase{"EscapedQuote", u"a\\\"b", {u"a\"b"}},
                      SplitCase{"EvenBackslashesBeforeQuote", u"\"a\\\\\" b", {u"a\\", u"b"}},
                      SplitCase{"JapaneseWithTrailByte5C", u"表 \"ソ ト\"", {u"表", u"ソ ト"}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

class StartProgramTest : public ::testing::Test {
 protected:
  // A character folder whose name holds a blank and Japanese, with the answering helper in it.
  void SetUp() override {
    folder_ = root_.Path() + "キャラ 1/";
    std::filesystem::create_directories(folder_);
    std::filesystem::copy_file(
        (std::filesystem::path(__FILE__).parent_path() / "entrust_helper.sh"),
        folder_ + "helper.sh");
    MakeExecutable(folder_ + "helper.sh");
    root_.Write("キャラ 1/release", "");
  }

  // The command line the way ENTRUST builds it, in Shift-JIS.
  std::string CommandLine(std::string_view program, std::string_view arguments) const {
    const std::string folder = FromFileSystemPath(folder_);
    return folder + std::string(program) + " \"" + folder + "Result.txt\" " +
           std::string(arguments);
  }

  TempFolder root_;
  std::string folder_;
};

TEST_F(StartProgramTest, PassesTheAnswerFileAndSplitArgumentsInAFolderWithBlanks) {
  const pid_t process =
      StartProgram(CommandLine("helper.sh", "one \"two words\" " + Utf8ToShiftJis("三")));
  ASSERT_GT(process, 0);
  ASSERT_TRUE(Appears(root_, "キャラ 1/Result.txt"));
  EXPECT_EQ(root_.Read("キャラ 1/Result.txt"), "one\r\ntwo words\r\n三\r\n");
  // Reaped by the one who waits: ProcessHasEnded reports the end and takes the process away.
  for (int i = 0; i < 1000 && !ProcessHasEnded(process); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(DisappearsFromProcessTable(process));
}

TEST_F(StartProgramTest, FindsTheProgramWhateverTheLetterCaseOfItsName) {
  const pid_t process = StartProgram(CommandLine("HELPER.SH", "x"));
  ASSERT_GT(process, 0);
  ASSERT_TRUE(Appears(root_, "キャラ 1/Result.txt"));
  ReapWhenEnded(process);
  EXPECT_TRUE(DisappearsFromProcessTable(process));
}

TEST_F(StartProgramTest, StartsNothingWithoutAnExecutableFile) {
  root_.Write("キャラ 1/plain.sh", "#!/bin/sh\ntouch \"$1\"\n");
  EXPECT_EQ(StartProgram(CommandLine("missing.sh", "x")), -1);
  EXPECT_EQ(StartProgram(CommandLine("plain.sh", "x")), -1);
  EXPECT_EQ(StartProgram(""), -1);
  EXPECT_EQ(StartProgram(FromFileSystemPath(folder_)), -1);  // the folder itself
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(root_.Exists("キャラ 1/Result.txt"));
}

TEST_F(StartProgramTest, PassesNoDescriptorOfThisProgram) {
  // The probe reports whether a descriptor that this program left inheritable is open in it.
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  const std::string probe = "#!/bin/sh\nif [ -e /proc/$$/fd/" + std::to_string(pipeEnds[1]) +
                            " ]; then echo open > \"$1\"; else echo closed > \"$1\"; fi\n";
  MakeExecutable(root_.Write("キャラ 1/probe.sh", probe));
  const pid_t process = StartProgram(CommandLine("probe.sh", ""));
  ASSERT_GT(process, 0);
  ReapWhenEnded(process);
  ASSERT_TRUE(DisappearsFromProcessTable(process));
  EXPECT_EQ(root_.Read("キャラ 1/Result.txt"), "closed\n");
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
}

TEST(ReapWhenEnded, LeavesNoZombieAfterTheProgramEnds) {
  const pid_t process = StartProgram("/bin/sleep 0.2");
  ASSERT_GT(process, 0);
  ReapWhenEnded(process);
  EXPECT_EQ(::kill(process, 0), 0);  // still running right after the hand-over
  EXPECT_TRUE(DisappearsFromProcessTable(process));
}

// A stand-in for xdg-open in PATH that records its argument and working folder.
class OpenDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* path = ::getenv("PATH");
    savedPath_ = path ? path : "";
    MakeExecutable(
        bin_.Write("xdg-open",
                   "#!/bin/sh\nprintf '%s\\n%s\\n' \"$1\" \"$(pwd)\" > \"$OPENER_RECORD\"\n"
                   "sleep \"${OPENER_DELAY:-0}\"\nexit \"${OPENER_STATUS:-0}\"\n"));
    ::setenv("PATH", (bin_.Path() + ":" + savedPath_).c_str(), 1);
    ::setenv("OPENER_RECORD", (bin_.Path() + "record").c_str(), 1);
    ::unsetenv("OPENER_STATUS");
    ::unsetenv("OPENER_DELAY");
    folder_.Write("notes.txt", "hello");
    folder_.Write("sub/data.csv", "1,2");
  }
  void TearDown() override { ::setenv("PATH", savedPath_.c_str(), 1); }

  // What the opener was given and where it ran; empty when it did not run.
  std::string Record() const { return bin_.Read("record"); }
  std::string Folder() const { return std::filesystem::canonical(folder_.Path()).string(); }

  TempFolder bin_;
  TempFolder folder_;
  std::string savedPath_;
};

TEST_F(OpenDocumentTest, OpensADocumentRelativeToTheFolderFromThere) {
  EXPECT_EQ(OpenDocument("NOTES.TXT", folder_.Path()), TOpenResult::kOpened);
  EXPECT_EQ(Record(), folder_.Path() + "notes.txt\n" + Folder() + "\n");
}

TEST_F(OpenDocumentTest, OpensAbsolutePathsFoldersAndWebAddresses) {
  EXPECT_EQ(OpenDocument(folder_.Path() + "sub\\data.csv", "/"), TOpenResult::kOpened);
  EXPECT_EQ(Record(), folder_.Path() + "sub/data.csv\n/\n");
  EXPECT_EQ(OpenDocument("sub", folder_.Path()), TOpenResult::kOpened);
  EXPECT_EQ(OpenDocument("https://example.com/a.html?x=1", folder_.Path()), TOpenResult::kOpened);
  EXPECT_EQ(Record(), "https://example.com/a.html?x=1\n" + Folder() + "\n");
}

struct RefusedCase {
  const char* name;
  const char* path;
  TOpenResult result;
};

class OpenDocumentRefusals : public OpenDocumentTest,
                             public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(OpenDocumentRefusals, StartsNoOpener) {
  folder_.Write("tool.exe", "MZ");
  MakeExecutable(folder_.Write("run.sh", "#!/bin/sh\n"));
  folder_.Write("app.Desktop", "[Desktop Entry]\nExec=true\n");
  EXPECT_EQ(OpenDocument(GetParam().path, folder_.Path()), GetParam().result);
  EXPECT_EQ(Record(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OpenDocumentRefusals,
    ::testing::Values(RefusedCase{"ExeLowerCase", "tool.exe", TOpenResult::kRefused},
                      RefusedCase{"ExeMixedCase", "Tool.ExE", TOpenResult::kRefused},
                      RefusedCase{"ExeThatDoesNotExist", "other.EXE", TOpenResult::kRefused},
                      RefusedCase{"ExeAddress", "http://example.com/setup.exe",
                                  TOpenResult::kRefused},
                      RefusedCase{"ExecutableFile", "run.sh", TOpenResult::kRefused},
                      RefusedCase{"DesktopLauncher", "app.desktop", TOpenResult::kRefused},
                      RefusedCase{"FileAddress", "file:///bin/sh", TOpenResult::kRefused},
                      RefusedCase{"OtherScheme", "javascript:alert(1)", TOpenResult::kRefused},
                      RefusedCase{"Missing", "none.txt", TOpenResult::kNotFound},
                      RefusedCase{"Empty", "", TOpenResult::kNotFound}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

TEST_F(OpenDocumentTest, ReportsTheOpenersFailure) {
  ::setenv("OPENER_STATUS", "3", 1);
  EXPECT_EQ(OpenDocument("notes.txt", folder_.Path()), TOpenResult::kFailed);
  EXPECT_NE(Record(), "");
}

TEST_F(OpenDocumentTest, FailsWithoutAnOpener) {
  ::setenv("PATH", folder_.Path().c_str(), 1);
  EXPECT_EQ(OpenDocument("notes.txt", folder_.Path()), TOpenResult::kFailed);
}

TEST_F(OpenDocumentTest, CountsAnOpenerStillBusyAsOpened) {
  ::setenv("OPENER_DELAY", "5", 1);
  EXPECT_EQ(OpenDocument("notes.txt", folder_.Path()), TOpenResult::kOpened);
}

}  // namespace
}  // namespace kelmo
