// Where the program keeps its files when no folder is named, and the first start in a user's
// folder: the bundled characters are copied in, nothing of the user's is replaced, and the copied
// characters are listed so that the first of them starts.
#include "instance/program_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "charfile/data_path.h"
#include "charfile/ini_file.h"
#include "instance/first_start.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

using testing::TempFolder;

struct TUserFolderCase {
  const char* Name;
  const char* XdgDataHome;
  const char* Home;
  std::string Expected;
};
void PrintTo(const TUserFolderCase& test, std::ostream* out) {
  *out << test.Name;
}

class UserProgramFolderTest : public ::testing::TestWithParam<TUserFolderCase> {};

TEST_P(UserProgramFolderTest, FollowsTheXdgRules) {
  EXPECT_EQ(UserProgramFolder(GetParam().XdgDataHome, GetParam().Home), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Variables, UserProgramFolderTest,
    ::testing::Values(
        TUserFolderCase{"DataHomeWins", "/data", "/home/u", "/data/dorrinkelmo"},
        TUserFolderCase{"UnsetDataHome", nullptr, "/home/u", "/home/u/.local/share/dorrinkelmo"},
        TUserFolderCase{"EmptyDataHome", "", "/home/u/", "/home/u/.local/share/dorrinkelmo"},
        TUserFolderCase{"RelativeDataHomeIsIgnored", "data", "/home/u",
                        "/home/u/.local/share/dorrinkelmo"},
        TUserFolderCase{"NoHome", nullptr, nullptr, ""},
        TUserFolderCase{"RelativeHome", nullptr, "home", ""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(DefaultProgramFolderTest, IsBesideThePortableExecutableAndTheUsersOwnWhenInstalled) {
  const TempFolder prefix;
  const std::string executable = prefix.Write("bin/dorrinkelmo", "");
  EXPECT_EQ(InstalledShareFolder(executable), "");
  EXPECT_EQ(DefaultProgramFolder(executable, "/data", "/home/u"), prefix.Path() + "bin");

  prefix.Write("share/dorrinkelmo/akari.klc", "");
  EXPECT_EQ(InstalledShareFolder(executable), prefix.Path() + "share/dorrinkelmo/");
  // Also for a user who may write the executable's folder (an administrator, a prefix of one's
  // own): an installed program keeps nothing beside its executable.
  ASSERT_EQ(::access((prefix.Path() + "bin").c_str(), W_OK), 0);
  EXPECT_EQ(DefaultProgramFolder(executable, "/data", "/home/u"), "/data/dorrinkelmo");
  // Without a user folder to use, the executable's folder is all there is.
  EXPECT_EQ(DefaultProgramFolder(executable, nullptr, nullptr), prefix.Path() + "bin");
}

class FirstStartTest : public ::testing::Test {
 protected:
  FirstStartTest() {
    share.Write("akari.klc", "name\r\nAkari\r\nfolder\r\ncharacters\\akari\r\n");
    share.Write("characters/akari/dict.txt", "bundled words");
    share.Write("characters/akari/pictures/smile.bmp", "BM");
    share.Write("mugi.klc", "name\r\nMugi\r\n");
    share.Write("readme.txt", "not a character");
    std::filesystem::create_symlink("/etc/passwd", share.Path() + "characters/akari/link");
    program = home.Path() + "dorrinkelmo";
  }

  TempFolder share;
  TempFolder home;
  std::string program;  // not made yet, as on a first start
};

TEST_F(FirstStartTest, CopiesTheBundledCharactersAndListsThemInNameOrder) {
  ASSERT_TRUE(IsFirstStart(program));
  const TSeedReport report = SeedProgramFolder(program, share.Path());
  EXPECT_TRUE(report.Problems.empty());
  EXPECT_EQ(report.CopiedFiles, 5);
  EXPECT_EQ(home.Read("dorrinkelmo/characters/akari/dict.txt"), "bundled words");
  EXPECT_EQ(home.Read("dorrinkelmo/characters/akari/pictures/smile.bmp"), "BM");
  EXPECT_FALSE(
      std::filesystem::exists(std::filesystem::symlink_status(program + "/characters/akari/link")));

  EXPECT_FALSE(IsFirstStart(program));
  const TIniFile ini(FromFileSystemPath(program + "/Kelmo.ini"));
  EXPECT_EQ(ini.ReadString("Character", "Char1", ""), FromFileSystemPath(program + "/akari.klc"));
  EXPECT_EQ(ini.ReadString("Character", "Char2", ""), FromFileSystemPath(program + "/mugi.klc"));
  EXPECT_FALSE(ini.ValueExists("Character", "Char3"));
}

TEST_F(FirstStartTest, NeverReplacesAFileTheUserHas) {
  home.Write("dorrinkelmo/characters/akari/dict.txt", "the user's words");
  home.Write("dorrinkelmo/mugi.klc", "name\r\nMy Mugi\r\n");
  const TSeedReport report = SeedProgramFolder(program, share.Path());
  EXPECT_TRUE(report.Problems.empty());
  EXPECT_EQ(report.CopiedFiles, 3);
  EXPECT_EQ(home.Read("dorrinkelmo/characters/akari/dict.txt"), "the user's words");
  EXPECT_EQ(home.Read("dorrinkelmo/mugi.klc"), "name\r\nMy Mugi\r\n");
  EXPECT_EQ(home.Read("dorrinkelmo/characters/akari/pictures/smile.bmp"), "BM");
}

// A link planted where the bundled files belong, pointing at a folder or file elsewhere.
struct TPlantedLinkCase {
  const char* Name;
  const char* Link;       // below the program folder
  bool ToFolder;          // the link points at a folder (else at a file)
  const char* NotCopied;  // a bundled file that must not be written through it
  int CopiedFiles;        // what is still copied beside it (of five)
};
void PrintTo(const TPlantedLinkCase& test, std::ostream* out) {
  *out << test.Name;
}

class PlantedLinkTest : public FirstStartTest,
                        public ::testing::WithParamInterface<TPlantedLinkCase> {};

TEST_P(PlantedLinkTest, IsReportedAndNothingIsWrittenThroughIt) {
  const TPlantedLinkCase& test = GetParam();
  const TempFolder elsewhere;
  const std::string target = elsewhere.Path() + "target";
  if (test.ToFolder) {
    std::filesystem::create_directories(target);
  } else {
    elsewhere.Write("target", "the user's file");
  }
  std::filesystem::create_directories(
      std::filesystem::path(program + "/" + test.Link).parent_path());
  std::filesystem::create_symlink(target, program + "/" + test.Link);

  const TSeedReport report = SeedProgramFolder(program, share.Path());
  ASSERT_EQ(report.Problems.size(), 1u);
  EXPECT_NE(report.Problems[0].find(program + "/" + test.Link), std::string::npos)
      << report.Problems[0];
  EXPECT_EQ(report.CopiedFiles, test.CopiedFiles);
  EXPECT_FALSE(std::filesystem::exists(program + "/" + test.NotCopied));
  // The link's target is as it was.
  if (test.ToFolder) {
    EXPECT_TRUE(std::filesystem::is_empty(target));
  } else {
    EXPECT_EQ(elsewhere.Read("target"), "the user's file");
  }
  EXPECT_TRUE(std::filesystem::is_symlink(program + "/" + test.Link));
}

INSTANTIATE_TEST_SUITE_P(
    Links, PlantedLinkTest,
    ::testing::Values(TPlantedLinkCase{"CharacterFolder", "characters/akari", true,
                                       "characters/akari/dict.txt", 3},
                      TPlantedLinkCase{"FolderOfFolders", "characters", true,
                                       "characters/akari/dict.txt", 3},
                      TPlantedLinkCase{"PictureFolder", "characters/akari/pictures", true,
                                       "characters/akari/pictures/smile.bmp", 4},
                      TPlantedLinkCase{"DefinitionFile", "mugi.klc", false, "mugi.klc/x", 4}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace kelmo
