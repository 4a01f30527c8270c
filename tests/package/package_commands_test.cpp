// The command line of packages: how --install, a package named alone, --pack and -o are read,
// what --install and --pack print, and the program itself installing a package as a file manager
// would start it, and refusing while a program runs on the folder.
#include "package/package_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>

#include "instance/single_instance.h"
#include "package/package_fixture.h"
#include "tty/program_options.h"

namespace kelmo::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

struct OptionCase {
  const char* Name;
  std::vector<std::string> Arguments;
  const char* Install;  // nullptr: a usage error is expected
  bool Pack = false;
  const char* Character = "";
  const char* Output = "";
};

void PrintTo(const OptionCase& option, std::ostream* out) {
  *out << option.Name;
}

const OptionCase kOptionCases[] = {
    {"Install", {"--install", "sora.klz"}, "sora.klz"},
    {"InstallWithEquals", {"--install=sora.zip", "--home", "h"}, "sora.zip"},
    {"PackageNamedAlone", {"sora.klz"}, "sora.klz"},
    {"PackageNamedAloneInCapitals", {"/tmp/SORA.KLZ"}, "/tmp/SORA.KLZ"},
    {"CharacterIsNoPackage", {"sora.klc"}, "", false, "sora.klc"},
    {"Pack", {"--pack", "sora.klc"}, "", true, "sora.klc"},
    {"PackWithOutput", {"--pack", "sora.klc", "-o", "out.klz"}, "", true, "sora.klc", "out.klz"},
    {"InstallWithoutPackage", {"--install"}, nullptr},
    {"InstallWithACharacter", {"--install", "a.klz", "b.klc"}, nullptr},
    {"InstallInTheTerminal", {"--install", "a.klz", "--tty"}, nullptr},
    {"InstallAndPack", {"--install", "a.klz", "--pack", "b.klc"}, nullptr},
    {"PackWithoutCharacter", {"--pack"}, nullptr},
    {"PackAndLint", {"--pack", "--lint", "b.klc"}, nullptr},
    {"OutputWithoutPack", {"-o", "out.klz", "b.klc"}, nullptr},
    {"OutputWithoutFile", {"--pack", "b.klc", "-o"}, nullptr},
};

class PackageOptionsTest : public ::testing::TestWithParam<OptionCase> {};

TEST_P(PackageOptionsTest, AreReadOrRefused) {
  const OptionCase& option = GetParam();
  std::string error;
  const std::optional<TProgramOptions> options = ParseProgramOptions(option.Arguments, error);
  if (option.Install == nullptr) {
    EXPECT_FALSE(options.has_value());
    EXPECT_FALSE(error.empty());
    return;
  }
  ASSERT_TRUE(options.has_value()) << error;
  EXPECT_EQ(options->Install, option.Install);
  EXPECT_EQ(options->Pack, option.Pack);
  EXPECT_EQ(options->Character, option.Character);
  EXPECT_EQ(options->Output, option.Output);
}

INSTANTIATE_TEST_SUITE_P(CommandLine, PackageOptionsTest, ::testing::ValuesIn(kOptionCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(PackageCommandsTest, UpdateQuestionAtATerminalTakesYesOnly) {
  const std::vector<TInstalledCharacter> installed = {{"はな", "/home/hana.klc"}};
  for (const auto& [answer, yes] :
       {std::pair{"y\n", true}, {"YES\n", true}, {"\n", false}, {"no\n", false}, {"", false}}) {
    std::istringstream in(answer);
    std::ostringstream out;
    EXPECT_EQ(AskUpdateAtTerminal(installed, in, out), yes) << answer;
    EXPECT_THAT(out.str(), HasSubstr("はな"));
  }
}

class CommandsTest : public PackageTest {
 protected:
  std::string SoraPackage() {
    return WriteFile(
        packages_.Path() + "sora.klz",
        MakeArchive(CharacterEntries("sora", "そら", "HELLO", "やあ"), TArchiveFormat::Zip));
  }
};

TEST_F(CommandsTest, InstallPrintsWhatWasInstalledAndThenWhatWasUpdated) {
  const std::string package = SoraPackage();
  std::ostringstream out, err;
  EXPECT_EQ(RunInstall(HomePath(), package, {}, out, err), 0) << err.str();
  EXPECT_EQ(out.str(), "インストールしました: そら (" + HomePath() + "/sora.klc)\n");
  std::ostringstream again;
  EXPECT_EQ(RunInstall(HomePath(), package, {}, again, err), 0);
  EXPECT_EQ(again.str(), "更新しました: そら (" + HomePath() + "/sora.klc)\n");
}

TEST_F(CommandsTest, RefusedInstallIntoANewFolderLeavesItEmpty) {
  const TempFolder fresh;
  const std::string junk = WriteFile(packages_.Path() + "junk.klz", "no archive");
  std::ostringstream out, err;
  EXPECT_EQ(RunInstall(fresh.Path(), junk, {}, out, err), 1);
  EXPECT_THAT(err.str(), HasSubstr("junk.klz"));
  EXPECT_THAT(FolderListing(fresh.Path()), IsEmpty());
}

TEST_F(CommandsTest, PackListsTheEntriesAndRefusesACharacterWithErrors) {
  std::ostringstream out, err;
  const std::string output = packages_.Path() + "hana.klz";
  EXPECT_EQ(RunPack(HomePath(), home_.Path() + "hana.klc", output, out, err), 0) << err.str();
  EXPECT_EQ(out.str(), "  hana.klc\n  hana/dict.txt\nパッケージを作りました: " + output + "\n");

  WriteCharacter(home_, "kaze", "かぜ", {{"", "うん"}}, {"DefaultBitmap", "missing.bmp"});
  std::ostringstream refusedOut, refusedErr;
  EXPECT_EQ(RunPack(HomePath(), home_.Path() + "kaze.klc", packages_.Path() + "kaze.klz",
                    refusedOut, refusedErr),
            1);
  EXPECT_THAT(refusedErr.str(), HasSubstr("missing.bmp"));
  EXPECT_THAT(refusedErr.str(), HasSubstr(PackageMessage(TPackageCode::LintErrors, "kaze.klc")));
}

// Runs the program with arguments, standard input from /dev/null; returns the exit status and
// what it wrote.
int RunProgram(const std::string& arguments, std::string& output) {
  FILE* pipe =
      ::popen((std::string(KELMO_PROGRAM) + " " + arguments + " </dev/null 2>&1").c_str(), "r");
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, got);
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(CommandsTest, ProgramInstallsAPackageNamedAloneAndNeverBesideAProgramOnTheFolder) {
  const std::string package = SoraPackage();
  const auto before = FolderListing(home_.Path());
  {
    // A program holding the folder that takes no hand-over (a batch run): nothing is installed.
    const std::unique_ptr<TSingleInstance> running = TSingleInstance::TryClaim(HomePath());
    ASSERT_NE(running, nullptr);
    std::string output;
    EXPECT_NE(RunProgram("--home " + HomePath() + " " + package, output), 0);
    EXPECT_THAT(output, HasSubstr("応答がありません"));
  }
  EXPECT_FALSE(home_.Exists("sora.klc"));
  std::string output;
  EXPECT_EQ(RunProgram("--home " + HomePath() + " " + package, output), 0) << output;
  EXPECT_THAT(output, HasSubstr("インストールしました: そら"));
  EXPECT_TRUE(home_.Exists("sora/dict.txt"));
}

}  // namespace
}  // namespace kelmo::testing
