// Packing: exactly the files a character uses plus its readme, names flagged UTF-8, refused on
// lint errors; and each bundled character, packed and installed into an empty program folder,
// answers as the original does.
#include "package/package_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "charfile/text_utils.h"
#include "package/package_fixture.h"
#include "tty/batch_runner.h"

namespace kelmo::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr uint16_t kUtf8Flag = 1 << 11;

// The general purpose flags of every local header in a ZIP, in order.
std::vector<uint16_t> LocalHeaderFlags(const std::string& zip) {
  std::vector<uint16_t> flags;
  for (size_t at = zip.find("PK\x03\x04"); at != std::string::npos;
       at = zip.find("PK\x03\x04", at + 4)) {
    flags.push_back(static_cast<uint16_t>(static_cast<unsigned char>(zip[at + 6]) |
                                          (static_cast<unsigned char>(zip[at + 7]) << 8)));
  }
  return flags;
}

class PackTest : public PackageTest {
 protected:
  TPackResult Pack(const std::string& definition) {
    output_ = packages_.Path() + "out.klz";
    return PackCharacter({HomePath(), home_.Path() + definition, output_});
  }
  std::string output_;
};

TEST_F(PackTest, HoldsTheFilesTheCharacterUsesAndItsReadmeButNoStateFile) {
  home_.Write("hana/README.txt", "read me");
  home_.Write("hana/unused.txt", "nobody reads this");
  const TPackResult result = Pack("hana.klc");
  ASSERT_EQ(result.Code, TPackageCode::Ok) << result.Message;
  EXPECT_THAT(result.Names, ElementsAre("hana.klc", "hana/dict.txt", "hana/README.txt"));
  TRecordingSink sink;
  ReadPackage({output_, {}}, {}, sink);
  EXPECT_EQ(sink.Names, result.Names);
}

TEST_F(PackTest, JapaneseNamesAreUtf8AndFlaggedSo) {
  WriteCharacter(home_, "はる", "はる", {{"", "うん"}}, {"DefaultBitmap", "絵.bmp"});
  fs::copy_file(fs::path(KELMO_PROGRAM_DIR) / "characters/akari/futsuu.bmp",
                fs::path(home_.Path()) / "はる/絵.bmp");
  const TPackResult result = Pack("はる.klc");
  ASSERT_EQ(result.Code, TPackageCode::Ok) << result.Message;
  EXPECT_THAT(result.Names, ElementsAre("はる.klc", "はる/dict.txt", "はる/絵.bmp"));
  const std::vector<uint16_t> flags = LocalHeaderFlags(ReadFile(output_));
  ASSERT_EQ(flags.size(), 3u);
  for (const uint16_t flag : flags) EXPECT_TRUE(flag & kUtf8Flag);
}

TEST_F(PackTest, CharacterWithErrorsIsNotPacked) {
  WriteCharacter(home_, "kaze", "かぜ", {{"", "うん"}}, {"DefaultBitmap", "missing.bmp"});
  const TPackResult result = Pack("kaze.klc");
  EXPECT_EQ(result.Code, TPackageCode::LintErrors);
  EXPECT_EQ(result.Entry, "kaze.klc");
  EXPECT_GT(result.Lint.Errors(), 0);
  EXPECT_FALSE(fs::exists(output_));
  EXPECT_TRUE(fs::is_empty(packages_.Path()));
}

TEST_F(PackTest, FileOutsideTheCharacterFolderIsNotPacked) {
  home_.Write("common/shared.txt", Utf8ToShiftJis("\"TRUE\",\"共有\"\r\n"));
  WriteCharacter(home_, "kaze", "かぜ", {{"", "うん"}}, {"data01", "..\\common\\shared.txt"});
  const TPackResult result = Pack("kaze.klc");
  EXPECT_EQ(result.Code, TPackageCode::OutsideCharacterFolder);
  EXPECT_THAT(result.Entry, HasSubstr("common/shared.txt"));
  EXPECT_FALSE(fs::exists(output_));
}

// The bundled characters: packed from the build's program folder, installed into an empty one.
class BundledCharacterTest : public ::testing::TestWithParam<const char*> {};

// Copies the build's image decoders, which the program brings (not the character).
void CopyDecoders(const std::string& programFolder) {
  fs::copy(fs::path(KELMO_PROGRAM_DIR) / "SPIs", fs::path(programFolder) / "SPIs",
           fs::copy_options::recursive);
}

// The batch transcript of lines said to the character, with the program folder's path hidden.
std::string Transcript(const std::string& programFolder, const std::string& definition) {
  std::istringstream in(
      "こんにちは\n好きなものは猫です\nなでなで\n今日はいい天気だね\nさようなら\n");
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunBatch({programFolder, "dorrinkelmo", definition, 7}, in, out, err);
  EXPECT_EQ(status, 0) << err.str();
  return ReplaceAll(out.str(), programFolder, "<home>/");
}

TEST_P(BundledCharacterTest, PackedAndInstalledIntoAnEmptyFolderAnswersAsTheOriginal) {
  const std::string id = GetParam();
  const TempFolder packages;
  const std::string package = packages.Path() + id + ".klz";
  const std::string program = KELMO_PROGRAM_DIR;
  const TPackResult packed = PackCharacter({program, program + "/" + id + ".klc", package});
  ASSERT_EQ(packed.Code, TPackageCode::Ok) << packed.Message;

  const TempFolder installed;
  TInstallRequest request;
  request.Package = package;
  request.ProgramFolder = installed.Path().substr(0, installed.Path().size() - 1);
  const TInstallResult result = InstallPackage(request);
  ASSERT_EQ(result.Code, TPackageCode::Ok) << result.Message;
  ASSERT_EQ(result.Characters.size(), 1u);

  // The original, copied as the build lays it out, into a program folder of its own.
  const TempFolder original;
  fs::copy_file(fs::path(program) / (id + ".klc"), fs::path(original.Path()) / (id + ".klc"));
  fs::create_directories(fs::path(original.Path()) / "characters");
  fs::copy(fs::path(program) / "characters" / id, fs::path(original.Path()) / "characters" / id,
           fs::copy_options::recursive);
  CopyDecoders(original.Path());
  CopyDecoders(installed.Path());

  const std::string expected = Transcript(original.Path(), original.Path() + id + ".klc");
  EXPECT_THAT(expected, HasSubstr("\"event\":\"reply\""));
  EXPECT_EQ(Transcript(installed.Path(), result.Characters[0].DefinitionPath), expected);
}

INSTANTIATE_TEST_SUITE_P(Characters, BundledCharacterTest, ::testing::Values("akari", "mugi"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace kelmo::testing
