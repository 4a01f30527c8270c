// Removing a character: to the desktop's trash (where it can be restored), out of the list, never
// the one in use, and a folder another character shares stays.
#include "package/character_removal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "package/package_fixture.h"
#include "support/scoped_environment.h"

namespace kelmo::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RemovalTest : public PackageTest {
 protected:
  TRemoveResult Remove(const std::string& definition, const std::string& running = "") {
    TCharacterList list(SettingsPath());
    return RemoveCharacter(
        {HomePath(), home_.Path() + definition, running.empty() ? "" : home_.Path() + running},
        list);
  }

  bool InTrash(const std::string& name) const {
    return dataHome_.Exists("Trash/files/" + name) &&
           dataHome_.Exists("Trash/info/" + name + ".trashinfo");
  }

  // The trash of a desktop lives in the user's data folder.
  TempFolder dataHome_;
  ScopedEnvironment dataHomeVariable_{"XDG_DATA_HOME", dataHome_.Path()};
};

TEST_F(RemovalTest, DefinitionFileAndFolderWithItsStateGoToTheTrashAndLeaveTheList) {
  WriteCharacter(home_, "sora", "そら", {{"", "うん"}});
  const TRemoveResult result = Remove("hana.klc");
  ASSERT_EQ(result.Code, TPackageCode::Ok) << result.Message;
  EXPECT_FALSE(home_.Exists("hana.klc"));
  EXPECT_FALSE(home_.Exists("hana"));
  EXPECT_TRUE(InTrash("hana.klc"));
  EXPECT_TRUE(InTrash("hana"));
  EXPECT_EQ(dataHome_.Read("Trash/files/hana/hana.kls"), "hana's memories");
  EXPECT_THAT(Listed(), IsEmpty());
  EXPECT_TRUE(home_.Exists("sora/dict.txt"));
}

TEST_F(RemovalTest, TheCharacterInUseIsNotRemoved) {
  const auto before = FolderListing(home_.Path());
  const TRemoveResult result = Remove("hana.klc", "hana.klc");
  EXPECT_EQ(result.Code, TPackageCode::Running);
  EXPECT_EQ(FolderListing(home_.Path()), before);
}

TEST_F(RemovalTest, AFolderAnotherCharacterNamesStaysAndTheStateFileGoes) {
  home_.Write(
      "hana-night.klc",
      Utf8ToShiftJis(
          "name\r\nよるのはな\r\nfolder\r\nhana\r\nversion\r\n210\r\ndata02\r\ndict.txt\r\n"));
  const TRemoveResult result = Remove("hana.klc");
  ASSERT_EQ(result.Code, TPackageCode::Ok) << result.Message;
  EXPECT_THAT(result.Trashed, ElementsAre(HomePath() + "/hana.klc", HomePath() + "/hana/hana.kls"));
  EXPECT_TRUE(home_.Exists("hana/dict.txt"));
  EXPECT_FALSE(home_.Exists("hana/hana.kls"));
}

TEST_F(RemovalTest, OnlyDefinitionFilesOfTheProgramFolderCountAsInstalled) {
  const TempFolder elsewhere;
  const std::string outside = WriteCharacter(elsewhere, "kaze", "かぜ", {{"", "そよ"}});
  TCharacterList list(SettingsPath());
  const TRemoveResult result = RemoveCharacter({HomePath(), outside, ""}, list);
  EXPECT_EQ(result.Code, TPackageCode::NotInstalled);
  EXPECT_TRUE(std::filesystem::exists(outside));
}

}  // namespace
}  // namespace kelmo::testing
