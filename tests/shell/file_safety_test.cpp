// Files and paths under attack: saves that fail must be reported and keep the old file, what a
// crash leaves behind is cleared at the next save, a FIFO in place of a file never blocks, paths
// from character data stay inside the character's root, the opener is never handed a launcher
// behind a link, resolving many missing names reads their folder once, and a character too large
// for the memory is refused with a message instead of an exception.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "charfile/atomic_file.h"
#include "charfile/data_path.h"
#include "charfile/kelmo_error.h"
#include "controller_fixture.h"
#include "engine/character.h"
#include "engine/external_program.h"
#include "shell/file_error_text.h"
#include "support/fifo_rescue.h"
#include "support/file_size_limit.h"

namespace kelmo {
namespace {

using testing::TAnswer;
using testing::TempFolder;
using testing::TFileSizeLimit;
using testing::WriteCharacter;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class FileSafety : public testing::ControllerTest {
 protected:
  std::string Alice() {
    return WriteCharacter(home, "alice", "Alice",
                          {{"KCCalled", "Hello."}, {"remember", "{MEMO50:kept}Noted."}});
  }
  std::string ErrorLog() const { return ShiftJisToUtf8(home.Read("KelmoErr.log")); }
};

TEST_F(FileSafety, AStateFileThatCannotBeSavedIsReportedAndKeepsItsOldContent) {
  ASSERT_TRUE(Start(Alice()));
  Say("remember");
  TypeAll();
  const std::string before = home.Read("alice/alice.kls");
  {
    // Room for the settings and the error log, none for the state file.
    TFileSizeLimit full(before.size() - 1);
    controller->Shutdown();
  }
  ASSERT_EQ(controller->SaveFailures().size(), 1u);
  const std::string& failure = controller->SaveFailures().front();
  EXPECT_TRUE(Contains(failure, "alice.kls")) << failure;
  EXPECT_TRUE(Contains(failure, SystemErrorReason(EFBIG))) << failure;
  ASSERT_FALSE(view.messages.empty());
  EXPECT_TRUE(Contains(view.messages.back(), failure)) << view.messages.back();
  EXPECT_TRUE(Contains(ErrorLog(), failure)) << ErrorLog();
  EXPECT_EQ(home.Read("alice/alice.kls"), before);
}

TEST_F(FileSafety, ASettingsFileThatCannotBeSavedIsReported) {
  const std::string alice = Alice();
  std::filesystem::remove(home.Path() + "Kelmo.ini");
  std::filesystem::create_directories(home.Path() + "Kelmo.ini/taken");
  ASSERT_TRUE(Start(alice));
  controller->Shutdown();
  ASSERT_FALSE(controller->SaveFailures().empty());
  for (const std::string& failure : controller->SaveFailures()) {
    EXPECT_TRUE(Contains(failure, "Kelmo.ini")) << failure;
    EXPECT_TRUE(Contains(ErrorLog(), failure)) << ErrorLog();
  }
  EXPECT_TRUE(Contains(view.messages.back(), "Kelmo.ini"));
}

// A FIFO where the conversation log goes: opening it for appending would wait for a reader.
TEST_F(FileSafety, AFifoInPlaceOfTheConversationLogDoesNotBlock) {
  testing::TFifoRescue fifo(home.Path() + "dorrinkelmo.log");
  ASSERT_TRUE(fifo.Made());
  const bool started = Start(Alice());
  TypeAll();
  EXPECT_FALSE(fifo.Rescued());
  EXPECT_TRUE(started);
  EXPECT_EQ(view.balloon, "Hello.\r\n");
  struct stat info;
  ASSERT_EQ(::stat((home.Path() + "dorrinkelmo.log").c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST(TemporaryFiles, ASaveRemovesWhatEarlierSavesOfThatFileLeft) {
  TempFolder folder;
  const std::vector<std::string> stale = {".Kelmo.ini.kelmo-tmp-Ab3dEf",
                                          ".Kelmo.ini.kelmo-tmp-zzzzzz"};
  const std::vector<std::string> kept = {".other.kls.kelmo-tmp-Ab3dEf", "Kelmo.ini.G7gS9g",
                                         ".Kelmo.ini.kelmo-tmp-toolong", "notes.txt"};
  for (const std::string& name : stale) folder.Write(name, "left by a crash");
  for (const std::string& name : kept) folder.Write(name, "not ours");
  WriteFileAtomically(folder.Path() + "Kelmo.ini", "[Main]\r\n");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::vector<std::string> expected = kept;
  expected.push_back("Kelmo.ini");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
  EXPECT_EQ(folder.Read("Kelmo.ini"), "[Main]\r\n");
}

// Characters in the program folder "home" and a folder "outside" beside it, whose name the
// climbing paths use. The character's own folder is home/kit.
class DataRootTest : public ::testing::Test {
 protected:
  DataRootTest() {
    outside.Write("secret.txt", "secret reply\r\n");
    home.Write("common/shared.txt", "shared reply\r\n");
    std::filesystem::create_directories(home.Path() + "kit");
    std::filesystem::create_symlink(outside.Path() + "secret.txt", home.Path() + "kit/link.txt");
  }

  // A folder's name: the temporary folders are siblings.
  static std::string NameOf(const TempFolder& folder) {
    return std::filesystem::path(folder.Path()).parent_path().filename().string();
  }

  // The outside folder as a path from home/kit.
  std::string Climb() const { return "..\\..\\" + NameOf(outside); }

  // Loads a character from the definition file at path (by default home/kit/kit.klc), written
  // with the "folder" and "datac2" values, collecting the error log's messages.
  std::unique_ptr<TCharacter> Load(const std::string& folderValue, const std::string& datac2,
                                   std::string path = {}) {
    if (path.empty()) path = home.Path() + "kit/kit.klc";
    std::ofstream(path, std::ios::binary) << "name\r\nkit\r\nversion\r\n210\r\nfolder\r\n"
                                          << folderValue << "\r\ndatac2\r\n"
                                          << datac2 << "\r\n";
    TCharacterEnvironment environment;
    environment.Plugins.ProgramFolder = home.Path();
    environment.LogError = [this](const std::string& message) { logged.push_back(message); };
    return std::make_unique<TCharacter>(path, environment);
  }

  TempFolder home;
  TempFolder outside;
  std::vector<std::string> logged;
};

struct RootCase {
  const char* name;
  std::string folderValue;  // "{out}" stands for the climb to the outside folder
  std::string datac2;
  std::string reply;  // empty: the character holds no data
};
void PrintTo(const RootCase& test, std::ostream* out) {
  *out << test.name;
}

class DataRoot : public DataRootTest, public ::testing::WithParamInterface<RootCase> {
 protected:
  std::string Expand(std::string text) const {
    const size_t at = text.find("{out}");
    if (at != std::string::npos) text.replace(at, 5, Climb());
    return text;
  }
};

TEST_P(DataRoot, PathsFromCharacterDataStayInsideTheProgramFolder) {
  const RootCase& test = GetParam();
  std::unique_ptr<TCharacter> character;
  try {
    character = Load(Expand(test.folderValue), Expand(test.datac2));
  } catch (const EKelmoInvalidCharacter& error) {
    EXPECT_TRUE(test.reply.empty()) << error.what();
    EXPECT_EQ(std::string(error.what()), "character contains no data");
    EXPECT_FALSE(logged.empty());
    EXPECT_FALSE(std::filesystem::exists(outside.Path() + "kit.kls"));
    return;
  }
  ASSERT_FALSE(test.reply.empty()) << "loaded";
  EXPECT_EQ(Utf16ToUtf8(character->SelectReply(u"", DictMaskAll)), test.reply);
  EXPECT_TRUE(logged.empty());
}

std::string RootCaseName(const ::testing::TestParamInfo<RootCase>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DataRoot,
    ::testing::Values(RootCase{"ClimbingDictionaryPathIsMissing", "", "{out}\\secret.txt", ""},
                      RootCase{"LinkLeadingOutsideIsMissing", "", "link.txt", ""},
                      RootCase{"FolderOutsideHoldsNothing", "{out}", "secret.txt", ""},
                      RootCase{"CommonFolderOfTheProgramFolderIsShared", "",
                               "..\\common\\shared.txt", "shared reply"},
                      RootCase{"FolderClimbingBackInsideIsFine", "..\\kit",
                               "..\\common\\shared.txt", "shared reply"}),
    RootCaseName);

// A character opened from elsewhere may use its own folder only.
TEST_F(DataRootTest, ACharacterOutsideTheProgramFolderKeepsToItsOwnFolder) {
  TempFolder elsewhere;
  elsewhere.Write("own.txt", "own reply\r\n");
  const std::string definition = elsewhere.Path() + "kit.klc";
  EXPECT_EQ(Utf16ToUtf8(Load("", "own.txt", definition)->SelectReply(u"", DictMaskAll)),
            "own reply");
  EXPECT_THROW(Load("", "..\\" + NameOf(home) + "\\common\\shared.txt", definition),
               EKelmoInvalidCharacter);
  EXPECT_EQ(logged.size(), 1u);
}

TEST_F(DataRootTest, EntrustAndResultStayInsideTheCharacterFolder) {
  outside.Write("tool.sh", "#!/bin/sh\necho started > \"$0.ran\"\n");
  std::filesystem::permissions(outside.Path() + "tool.sh", std::filesystem::perms::owner_all);
  std::filesystem::create_symlink(outside.Path() + "secret.txt", home.Path() + "kit/Result.txt");
  std::unique_ptr<TCharacter> character = Load("", "..\\common\\shared.txt");
  character->SetAllowExecute(true);
  EXPECT_EQ(Utf16ToUtf8(character->Evaluate(u"{ENTRUST" + Utf8ToUtf16(Climb()) + u"\\tool.sh|x}")),
            "False");
  EXPECT_EQ(Utf16ToUtf8(character->Evaluate(u"{RESULT}")), "{RESULT}");
  EXPECT_EQ(logged.size(), 2u);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(std::filesystem::exists(outside.Path() + "tool.sh.ran"));
  EXPECT_TRUE(std::filesystem::exists(outside.Path() + "secret.txt"));
}

// The opener is a stand-in that records what it was handed.
TEST(ShellOpen, ALinkIsJudgedByItsTargetAndTheTargetIsOpened) {
  TempFolder folder;
  TempFolder opener;
  opener.Write("xdg-open", "#!/bin/sh\necho \"$1\" > \"$(dirname \"$0\")/opened\"\n");
  std::filesystem::permissions(opener.Path() + "xdg-open", std::filesystem::perms::owner_all);
  const std::string savedPath = ::getenv("PATH");
  ::setenv("PATH", (opener.Path() + ":" + savedPath).c_str(), 1);
  folder.Write("evil.desktop", "[Desktop Entry]\nExec=rm -rf ~\n");
  folder.Write("tool.EXE", "MZ");
  folder.Write("notes.txt", "notes");
  std::filesystem::create_symlink("evil.desktop", folder.Path() + "innocent.txt");
  std::filesystem::create_symlink("tool.EXE", folder.Path() + "manual.txt");
  std::filesystem::create_symlink("notes.txt", folder.Path() + "shortcut.txt");

  EXPECT_EQ(OpenDocument("innocent.txt", folder.Path()), TOpenResult::kRefused);
  EXPECT_EQ(OpenDocument("manual.txt", folder.Path()), TOpenResult::kRefused);
  EXPECT_FALSE(opener.Exists("opened"));
  EXPECT_EQ(OpenDocument("shortcut.txt", folder.Path()), TOpenResult::kOpened);
  EXPECT_EQ(opener.Read("opened"),
            std::filesystem::canonical(folder.Path() + "notes.txt").string() + "\n");
  ::setenv("PATH", savedPath.c_str(), 1);
}

TEST(PathResolver, ReadsAFolderOnceForAllItsMissingNames) {
  TempFolder folder;
  for (int i = 0; i < 300; ++i) folder.Write("file" + std::to_string(i) + ".txt", "");
  TPathResolver resolver;
  for (int i = 0; i < 200; ++i) {
    const std::string missing = folder.Path() + "missing" + std::to_string(i) + ".txt";
    EXPECT_EQ(resolver.Resolve(missing), missing);
  }
  EXPECT_EQ(resolver.Resolve(folder.Path() + "FILE7.TXT"), folder.Path() + "file7.txt");
  EXPECT_EQ(resolver.FolderReads(), 1);
}

// The address space this process uses now.
rlim_t AddressSpaceBytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmSize:")) return std::stoull(line.substr(7)) * 1024;
  }
  return 0;
}

// A dictionary file as large as the address space allows never: its reading runs out of memory
// at once. The address space is limited, so that no system lets the allocation through.
TEST_F(FileSafety, ACharacterTooLargeForTheMemoryIsRefusedWithAMessage) {
#if defined(__SANITIZE_ADDRESS__)  // gcc
  GTEST_SKIP() << "the address sanitizer reports an allocation failure instead of raising it";
#elif defined(__has_feature)  // clang
#if __has_feature(address_sanitizer)
  GTEST_SKIP() << "the address sanitizer reports an allocation failure instead of raising it";
#endif
#endif
  ASSERT_TRUE(Start(Alice()));
  TypeAll();
  const std::string huge = WriteCharacter(home, "huge", "Huge", {{"", "x"}}, {"datac2", "big.txt"});
  home.Write("huge/big.txt", "");
  std::filesystem::resize_file(home.Path() + "huge/big.txt", 64ull << 30);
  rlimit saved{};
  ::getrlimit(RLIMIT_AS, &saved);
  const rlimit limited{AddressSpaceBytes() + (2ull << 30), saved.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_AS, &limited), 0);
  const bool loaded = controller->LoadCharacter(Utf8ToShiftJis(huge));
  ::setrlimit(RLIMIT_AS, &saved);
  EXPECT_FALSE(loaded);
  ASSERT_NE(controller->Character(), nullptr);
  EXPECT_EQ(controller->Character()->Name, "Alice");
  ASSERT_FALSE(view.messages.empty());
  EXPECT_TRUE(Contains(view.messages.back(), "人格が大きすぎてメモリに読み込めません"));
  EXPECT_TRUE(Contains(ErrorLog(), "人格が大きすぎてメモリに読み込めません"));
}

}  // namespace
}  // namespace kelmo
