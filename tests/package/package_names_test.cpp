// Entry names: ZIP names without the UTF-8 flag are code page 932 (Japanese Windows), flagged
// ones UTF-8, tar names UTF-8; and how a name is cleaned or refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "package/package_error.h"
#include "package/package_fixture.h"
#include "package/package_reader.h"

namespace kelmo::testing {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> NamesOf(const std::string& package) {
  TRecordingSink sink;
  ReadPackage({"", package}, TPackageLimits{}, sink);
  return sink.Names;
}

constexpr uint16_t kUtf8Flag = 1 << 11;

TEST(PackageNamesTest, ZipNameWithoutTheFlagIsCodePage932) {
  EXPECT_THAT(NamesOf(MakeRawZip(
                  {{Utf8ToShiftJis("はな/表示.txt"), "x"}, {Utf8ToShiftJis("ソ十能.txt"), "y"}})),
              ElementsAre("はな/表示.txt", "ソ十能.txt"));  // trail bytes 0x5C stay in the name
}

TEST(PackageNamesTest, ZipNameWithTheFlagIsUtf8) {
  EXPECT_THAT(NamesOf(MakeRawZip({{"はな/表示.txt", "x", kUtf8Flag}})),
              ElementsAre("はな/表示.txt"));
}

TEST(PackageNamesTest, BothKindsInOneZipAndUtf8InATar) {
  EXPECT_THAT(
      NamesOf(MakeRawZip({{Utf8ToShiftJis("そら.klc"), "a"}, {"そら/辞書.txt", "b", kUtf8Flag}})),
      ElementsAre("そら.klc", "そら/辞書.txt"));
  EXPECT_THAT(NamesOf(MakeArchive({{"かぜ", "", TEntryKind::Folder}, {"かぜ/風.txt", "c"}},
                                  TArchiveFormat::Tar)),
              ElementsAre("かぜ/", "かぜ/風.txt"));
}

TEST(PackageNamesTest, FlaggedNameThatIsNoUtf8IsRefusedAsUnreadable) {
  TRecordingSink sink;
  try {
    ReadPackage({"", MakeRawZip({{Utf8ToShiftJis("はな.txt"), "x", kUtf8Flag}})}, {}, sink);
    FAIL() << "read a name flagged UTF-8 that is Shift-JIS";
  } catch (const EPackageError& error) {
    EXPECT_EQ(error.Code(), TPackageCode::UnreadableName);
  }
}

TEST_F(PackageTest, CharacterFromJapaneseWindowsInstallsUnderItsJapaneseNames) {
  // Everything in code page 932, as such a ZIP tool writes it: the names and the files.
  std::vector<TRawZipEntry> raw;
  for (const TTestEntry& entry : CharacterEntries("はな2", "はな二", "HELLO", "やあ", "はな二")) {
    raw.push_back({Utf8ToShiftJis(entry.Name), entry.Data});
  }
  const TInstallResult result = Install(MakeRawZip(raw));
  ASSERT_EQ(result.Code, TPackageCode::Ok) << result.Message;
  EXPECT_EQ(result.Characters[0].Name, "はな二");
  EXPECT_TRUE(home_.Exists("はな2.klc"));
  EXPECT_TRUE(home_.Exists("はな二/dict.txt"));
}

struct NameCase {
  const char* Name;
  const char* Written;
  const char* Clean;  // nullptr: refused with Code
  TPackageCode Code = TPackageCode::Ok;
};

void PrintTo(const NameCase& name, std::ostream* out) {
  *out << name.Name;
}

const NameCase kNameCases[] = {
    {"Plain", "sora/dict.txt", "sora/dict.txt"},
    {"FolderEntry", "sora/", "sora"},
    {"DotsAndDoubleSlashes", "./sora//./dict.txt", "sora/dict.txt"},
    {"Backslashes", "sora\\pics\\a.bmp", "sora/pics/a.bmp"},
    {"DotsInsideAName", "sora/..hidden..txt", "sora/..hidden..txt"},
    {"Root", "/sora.klc", nullptr, TPackageCode::AbsolutePath},
    {"RootWithBackslash", "\\sora.klc", nullptr, TPackageCode::AbsolutePath},
    {"Drive", "c:sora.klc", nullptr, TPackageCode::AbsolutePath},
    {"Parent", "sora/../../x", nullptr, TPackageCode::ParentReference},
    {"ParentAtTheEnd", "sora/..", nullptr, TPackageCode::ParentReference},
    {"OnlyDots", "./.", nullptr, TPackageCode::UnreadableName},
    {"Empty", "", nullptr, TPackageCode::UnreadableName},
};

class CleanEntryNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(CleanEntryNameTest, CleansOrRefuses) {
  const NameCase& name = GetParam();
  if (name.Clean != nullptr) {
    EXPECT_EQ(CleanEntryName(name.Written), name.Clean);
    return;
  }
  try {
    CleanEntryName(name.Written);
    FAIL() << "accepted " << name.Written;
  } catch (const EPackageError& error) {
    EXPECT_EQ(error.Code(), name.Code);
    EXPECT_EQ(error.Entry(), name.Written);
  }
}

INSTANTIATE_TEST_SUITE_P(Names, CleanEntryNameTest, ::testing::ValuesIn(kNameCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(PackageNamesTest, NamesDifferingInLetterCaseOrWidthShareAKey) {
  EXPECT_EQ(EntryNameKey("Sora/Dict.TXT"), EntryNameKey("sora/dict.txt"));
  EXPECT_EQ(EntryNameKey("ＳＯＲＡ/a"), EntryNameKey("sora/a"));
  EXPECT_NE(EntryNameKey("sora/a"), EntryNameKey("sora/b"));
}

}  // namespace
}  // namespace kelmo::testing
