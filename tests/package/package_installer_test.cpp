// Installing and updating: what lands where, what an update keeps and drops, and that a failure
// at any step of moving into place, a full disk or a declined update leaves everything as it was.
#include "package/package_installer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <thread>

#include "package/install_journal.h"
#include "package/install_lock.h"
#include "package/package_fixture.h"
#include "package/temporary_folder.h"
#include "support/file_size_limit.h"

namespace kelmo::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string Zip(const std::vector<TTestEntry>& entries) {
  return MakeArchive(entries, TArchiveFormat::Zip);
}

// Version 2 of the installed character hana: another reply, one file less, one file more.
std::vector<TTestEntry> HanaVersion2() {
  std::vector<TTestEntry> entries =
      CharacterEntries("hana", "はな", "HELLO", "こんにちは、二版です");
  entries.push_back({"hana/new.txt", "new in version 2"});
  return entries;
}

class InstallTest : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    home_.Write("hana/old-only.txt", "version 1 only");
  }
};

TEST_F(InstallTest, NewCharacterLandsInItsFolderAndJoinsTheListAtTheEnd) {
  const TInstallResult result = Install(Zip(CharacterEntries("sora", "そら", "HELLO", "やあ")));
  ASSERT_EQ(result.Code, TPackageCode::Ok) << result.Message;
  EXPECT_FALSE(result.Updated);
  ASSERT_EQ(result.Characters.size(), 1u);
  EXPECT_EQ(result.Characters[0].Name, "そら");
  EXPECT_EQ(result.Characters[0].DefinitionPath, HomePath() + "/sora.klc");
  EXPECT_TRUE(home_.Exists("sora.klc"));
  EXPECT_THAT(home_.Read("sora/dict.txt"), HasSubstr("HELLO"));
  EXPECT_THAT(Listed(), ElementsAre(Utf8ToShiftJis(HomePath() + "/hana.klc"),
                                    Utf8ToShiftJis(HomePath() + "/sora.klc")));
  // Nothing of the install is left in the program folder.
  for (const auto& [path, what] : FolderListing(home_.Path())) {
    EXPECT_FALSE(path.starts_with(kTemporaryFolderPrefix)) << path;
  }
}

TEST_F(InstallTest, UpdateKeepsStateFileAndListPlaceAndDropsFilesTheNewVersionLacks) {
  Install(Zip(CharacterEntries("sora", "そら", "HELLO", "やあ")));
  std::vector<std::string> asked;
  TInstallRequest request;
  request.ConfirmUpdate = [&](const std::vector<TInstalledCharacter>& installed) {
    for (const TInstalledCharacter& character : installed) asked.push_back(character.Name);
    return true;
  };
  std::vector<TTestEntry> version2 = HanaVersion2();
  version2.push_back({"hana/hana.kls", "the package's own state must not win"});
  const TInstallResult result = Install(Zip(version2), request);

  ASSERT_EQ(result.Code, TPackageCode::Ok) << result.Message;
  EXPECT_TRUE(result.Updated);
  EXPECT_THAT(asked, ElementsAre("はな"));
  EXPECT_EQ(home_.Read("hana/hana.kls"), "hana's memories");
  EXPECT_FALSE(home_.Exists("hana/old-only.txt"));
  EXPECT_EQ(home_.Read("hana/new.txt"), "new in version 2");
  EXPECT_THAT(home_.Read("hana/dict.txt"), HasSubstr(Utf8ToShiftJis("二版")));
  EXPECT_THAT(Listed(), ElementsAre(Utf8ToShiftJis(HomePath() + "/hana.klc"),
                                    Utf8ToShiftJis(HomePath() + "/sora.klc")));
}

TEST_F(InstallTest, DeclinedUpdateChangesNothing) {
  const auto before = FolderListing(home_.Path());
  TInstallRequest request;
  request.ConfirmUpdate = [](const std::vector<TInstalledCharacter>&) { return false; };
  const TInstallResult result = Install(Zip(HanaVersion2()), request);
  EXPECT_EQ(result.Code, TPackageCode::Cancelled);
  EXPECT_EQ(FolderListing(home_.Path()), before);
}

// A failure injected before each step of moving into place, at its first and its second
// character, leaves the program folder exactly as it was.
struct FailingStep {
  const char* Name;
  TInstallStep Step;
  int Occurrence;  // which time the step is reached, from 1
};

void PrintTo(const FailingStep& failing, std::ostream* out) {
  *out << failing.Name;
}

class FailedUpdateTest : public InstallTest, public ::testing::WithParamInterface<FailingStep> {};

TEST_P(FailedUpdateTest, LeavesTheInstalledCharactersAsTheyWere) {
  // A package of two characters: hana (an update) and kaze (new), so each step occurs twice.
  Install(Zip(CharacterEntries("kaze", "かぜ", "HELLO", "そよそよ")));
  std::vector<TTestEntry> entries = HanaVersion2();
  for (TTestEntry& entry : CharacterEntries("kaze", "かぜ", "HELLO", "びゅう")) {
    entries.push_back(std::move(entry));
  }
  const auto before = FolderListing(home_.Path());
  int reached = 0;
  TInstallRequest request;
  request.BeforeStep = [&](TInstallStep step) {
    if (step == GetParam().Step && ++reached == GetParam().Occurrence) {
      throw EPackageError(TPackageCode::WriteFailed, "injected");
    }
  };
  const TInstallResult result = Install(Zip(entries), request);
  EXPECT_EQ(result.Code, TPackageCode::WriteFailed);
  EXPECT_EQ(result.Entry, "injected");
  EXPECT_FALSE(result.Updated);
  EXPECT_EQ(FolderListing(home_.Path()), before);
}

const FailingStep kFailingSteps[] = {
    {"OldFolderAside", TInstallStep::MoveOldFolderAside, 1},
    {"NewFolderIn", TInstallStep::MoveNewFolderIn, 1},
    {"OldDefinitionAside", TInstallStep::MoveOldDefinitionAside, 1},
    {"NewDefinitionIn", TInstallStep::MoveNewDefinitionIn, 1},
    {"SecondOldFolderAside", TInstallStep::MoveOldFolderAside, 2},
    {"SecondNewFolderIn", TInstallStep::MoveNewFolderIn, 2},
    {"SecondNewDefinitionIn", TInstallStep::MoveNewDefinitionIn, 2},
    {"SaveList", TInstallStep::SaveList, 1},
};
INSTANTIATE_TEST_SUITE_P(Steps, FailedUpdateTest, ::testing::ValuesIn(kFailingSteps),
                         [](const auto& info) { return std::string(info.param.Name); });

// The same update, its process ending at a step as in a crash (no undo runs): the next start puts
// the old characters back, state file included.
class CrashedUpdateTest : public FailedUpdateTest {
 protected:
  // Runs the install of package in a child process that ends at the step; true when it did.
  bool CrashAt(const FailingStep& crash, const std::string& package) {
    const pid_t child = ::fork();
    if (child == 0) {
      int reached = 0;
      TInstallRequest request;
      request.Package = package;
      request.ProgramFolder = HomePath();
      request.BeforeStep = [&](TInstallStep step) {
        if (step == crash.Step && ++reached == crash.Occurrence) ::_exit(0);
      };
      TCharacterList list(SettingsPath());
      InstallPackage(request, list);
      ::_exit(1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
  }

  std::string TwoCharacterUpdate() {
    Install(Zip(CharacterEntries("kaze", "かぜ", "HELLO", "そよそよ")));
    std::vector<TTestEntry> entries = HanaVersion2();
    for (TTestEntry& entry : CharacterEntries("kaze", "かぜ", "HELLO", "びゅう")) {
      entries.push_back(std::move(entry));
    }
    return WriteFile(packages_.Path() + "update.klz", Zip(entries));
  }
};

TEST_P(CrashedUpdateTest, IsUndoneByTheNextStart) {
  const std::string package = TwoCharacterUpdate();
  const auto before = FolderListing(home_.Path());
  ASSERT_TRUE(CrashAt(GetParam(), package)) << "the install did not stop at the step";
  ASSERT_NE(FolderListing(home_.Path()), before) << "the crash left nothing to recover";
  RecoverInterruptedInstallsAtStart(HomePath());
  EXPECT_EQ(FolderListing(home_.Path()), before);
}

INSTANTIATE_TEST_SUITE_P(Steps, CrashedUpdateTest, ::testing::ValuesIn(kFailingSteps),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(CrashedUpdateTest, TheNextInstallRecoversFirstAndItsUpdateKeepsTheStateFile) {
  const std::string package = TwoCharacterUpdate();
  ASSERT_TRUE(CrashAt({"NewFolderIn", TInstallStep::MoveNewFolderIn, 1}, package));
  EXPECT_FALSE(home_.Exists("hana/hana.kls")) << "the old folder is not aside";
  const TInstallResult result = Install(Zip(HanaVersion2()));
  ASSERT_EQ(result.Code, TPackageCode::Ok) << result.Message;
  EXPECT_TRUE(result.Updated);
  EXPECT_EQ(home_.Read("hana/hana.kls"), "hana's memories");
}

TEST_F(InstallTest, FullDiskDuringTheUnpackIsReportedAndLeavesNothing) {
  const auto before = FolderListing(home_.Path());
  std::vector<TTestEntry> entries = CharacterEntries("sora", "そら", "HELLO", "やあ");
  std::string noise(300 * 1024, '\0');
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 2654435761u) >> 13);
  entries.push_back({"sora/big.bmp", noise});
  const std::string package = Zip(entries);
  TInstallResult result;
  {
    const TFileSizeLimit limit(200 * 1024);
    result = Install(package);
  }
  EXPECT_EQ(result.Code, TPackageCode::DiskFull);
  EXPECT_EQ(result.Entry, "sora/big.bmp");
  EXPECT_EQ(FolderListing(home_.Path()), before);
}

TEST_F(InstallTest, PackageInsideOneTopFolderWithAReadmeKeepsTheReadmeBesideTheCharacter) {
  std::vector<TTestEntry> entries;
  for (TTestEntry& entry : CharacterEntries("sora", "そら", "HELLO", "やあ")) {
    entries.push_back({"sora-1.0/" + entry.Name, entry.Data});
  }
  entries.push_back({"sora-1.0/README.txt", "read me"});
  entries.push_back({"sora-1.0/docs/licence.txt", "licence"});
  entries.push_back({"__MACOSX/sora-1.0/._README.txt", "resource fork"});
  const TInstallResult result = Install(Zip(entries));
  ASSERT_EQ(result.Code, TPackageCode::Ok) << result.Message;
  EXPECT_EQ(home_.Read("sora/README.txt"), "read me");
  EXPECT_EQ(home_.Read("sora/docs/licence.txt"), "licence");
  EXPECT_FALSE(home_.Exists("README.txt"));
  EXPECT_FALSE(home_.Exists("__MACOSX"));
  EXPECT_FALSE(home_.Exists("sora-1.0"));
}

TEST_F(InstallTest, TwoCharactersOfOnePackageAreBothInstalledAndListed) {
  std::vector<TTestEntry> entries = CharacterEntries("sora", "そら", "HELLO", "やあ");
  for (TTestEntry& entry : CharacterEntries("kumo", "くも", "HELLO", "ふわ", "sky\\kumo")) {
    entries.push_back(std::move(entry));
  }
  const TInstallResult result = Install(MakeArchive(entries, TArchiveFormat::TarGzip));
  ASSERT_EQ(result.Code, TPackageCode::Ok) << result.Message;
  ASSERT_EQ(result.Characters.size(), 2u);
  EXPECT_EQ(result.Characters[1].Name, "くも");
  EXPECT_TRUE(home_.Exists("sky/kumo/dict.txt"));
  EXPECT_EQ(Listed().size(), 3u);
}

TEST_F(InstallTest, FileBesideTheCharacterNamedLikeOneOfItsOwnIsRefused) {
  std::vector<TTestEntry> entries = CharacterEntries("sora", "そら", "HELLO", "やあ");
  entries.push_back({"dict.txt", "a second dictionary beside the character"});
  const auto before = FolderListing(home_.Path());
  const TInstallResult result = Install(Zip(entries));
  EXPECT_EQ(result.Code, TPackageCode::ExtraFileConflict);
  EXPECT_EQ(result.Entry, "dict.txt");
  EXPECT_EQ(FolderListing(home_.Path()), before);
}

TEST_F(InstallTest, AnInstallWaitsForTheOneHoldingTheLockAndGivesUpAfterItsPatience) {
  const TInstallLock held(HomePath(), kInstallLockPatience);
  TInstallRequest request;
  request.LockPatience = std::chrono::milliseconds(100);
  const auto before = FolderListing(home_.Path());
  const TInstallResult result =
      Install(Zip(CharacterEntries("sora", "そら", "HELLO", "やあ")), request);
  EXPECT_EQ(result.Code, TPackageCode::Busy);
  EXPECT_EQ(FolderListing(home_.Path()), before);
}

TEST_F(InstallTest, TwoInstallsAtOnceBothSucceedOneAfterTheOther) {
  const std::string sora = WriteFile(packages_.Path() + "sora.klz",
                                     Zip(CharacterEntries("sora", "そら", "HELLO", "やあ")));
  const std::string kaze = WriteFile(packages_.Path() + "kaze.klz",
                                     Zip(CharacterEntries("kaze", "かぜ", "HELLO", "そよ")));
  const auto install = [&](const std::string& package) {
    TInstallRequest request;
    request.Package = package;
    request.ProgramFolder = HomePath();
    return InstallPackage(request).Code;
  };
  // As two programs would: the one that runs second reads the list the first one saved.
  std::future<TPackageCode> first = std::async(std::launch::async, install, sora);
  std::future<TPackageCode> second = std::async(std::launch::async, install, kaze);
  EXPECT_EQ(first.get(), TPackageCode::Ok);
  EXPECT_EQ(second.get(), TPackageCode::Ok);
  EXPECT_TRUE(home_.Exists("sora/dict.txt"));
  EXPECT_TRUE(home_.Exists("kaze/dict.txt"));
  EXPECT_EQ(Listed().size(), 3u);
}

TEST_F(InstallTest, FoldersLeftByACrashedInstallAreRemovedByTheNext) {
  home_.Write(std::string(kTemporaryFolderPrefix) + "Ab3dEf/package/x.txt", "left");
  const TInstallResult result = Install(Zip(CharacterEntries("sora", "そら", "HELLO", "やあ")));
  ASSERT_EQ(result.Code, TPackageCode::Ok);
  EXPECT_FALSE(home_.Exists(std::string(kTemporaryFolderPrefix) + "Ab3dEf"));
}

}  // namespace
}  // namespace kelmo::testing
