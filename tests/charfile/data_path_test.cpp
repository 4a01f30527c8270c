#include "charfile/data_path.h"

#include <gtest/gtest.h>

#include "charfile/code_page.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

const std::string kHyo = "\x95\x5c";  // 表, trail byte 0x5C

TEST(DataPath, BackslashIsDelimiterButTrailByteIsNot) {
  EXPECT_EQ(ToFileSystemPath("a\\b\\" + kHyo + ".txt"), "a/b/表.txt");
  EXPECT_EQ(ExtractDirectory("dir\\" + kHyo), "dir\\");
  EXPECT_EQ(ExtractFileName("dir\\" + kHyo), kHyo);
  EXPECT_EQ(ExtractDirectory(kHyo), "");
  EXPECT_EQ(IncludeTrailingDelimiter(kHyo), kHyo + "/");
  EXPECT_EQ(IncludeTrailingDelimiter("a\\"), "a\\");
  EXPECT_EQ(IncludeTrailingDelimiter(""), "./");
}

TEST(DataPath, ChangeFileExtension) {
  EXPECT_EQ(ChangeFileExtension("/x/chara.klc", ".kls"), "/x/chara.kls");
  EXPECT_EQ(ChangeFileExtension("/x.d/chara", ".kls"), "/x.d/chara.kls");
  EXPECT_EQ(ChangeFileExtension("a.b.klc", ".kls"), "a.b.kls");
}

TEST(DataPath, ResolvesComponentsInOtherLetterCaseAndWidth) {
  testing::TempFolder folder;
  folder.Write("Chara/Data/b1.txt", "x");
  const std::string wanted = folder.Path() + "CHARA\\DATA\\B1.TXT";
  EXPECT_EQ(ResolveDataPath(wanted), folder.Path() + "Chara/Data/b1.txt");
  EXPECT_TRUE(DataFileExists(wanted));
  // Full-width letters normalise to the same name.
  EXPECT_TRUE(DataFileExists(folder.Path() + Utf8ToShiftJis("ｃｈａｒａ/data/B1.txt")));
  EXPECT_TRUE(DataDirectoryExists(folder.Path() + "CHARA\\data"));
}

TEST(DataPath, ResolvesJapaneseNamesWrittenInShiftJis) {
  testing::TempFolder folder;
  folder.Write("表/ソ.txt", "x");
  EXPECT_TRUE(DataFileExists(folder.Path() + kHyo + "\\" + "\x83\x5c.txt"));
}

TEST(DataPath, ReadsEntryNamesStoredAsShiftJisBytes) {
  testing::TempFolder folder;
  folder.Write(kHyo + ".txt", "x");  // a raw Shift-JIS name, as unpacked from a Windows archive
  EXPECT_TRUE(DataFileExists(folder.Path() + kHyo + ".TXT"));
}

TEST(DataPath, MissingComponentKeepsRestAsWritten) {
  testing::TempFolder folder;
  folder.Write("Chara/x.txt", "x");
  EXPECT_EQ(ResolveDataPath(folder.Path() + "CHARA\\new.kls"), folder.Path() + "Chara/new.kls");
  EXPECT_EQ(ResolveDataPath(folder.Path() + "nothing\\Here"), folder.Path() + "nothing/Here");
  EXPECT_FALSE(DataFileExists(folder.Path() + "nothing"));
}

TEST(DataPath, FullWidthDotsNeverBecomeParentFolder) {
  testing::TempFolder folder;
  folder.Write("a/b/x.txt", "x");
  folder.Write("secret.txt", "s");
  const std::string climbing = folder.Path() + "a/b/" + Utf8ToShiftJis("．．/．．/secret.txt");
  EXPECT_FALSE(DataFileExists(climbing));
  EXPECT_EQ(ResolveDataPath(climbing).find("/../"), std::string::npos);
}

TEST(DataPath, DeleteDataFile) {
  testing::TempFolder folder;
  folder.Write("A.txt", "x");
  DeleteDataFile(folder.Path() + "a.txt");
  EXPECT_FALSE(folder.Exists("A.txt"));
  EXPECT_NO_THROW(DeleteDataFile(folder.Path() + "a.txt"));  // already gone
}

}  // namespace
}  // namespace kelmo
