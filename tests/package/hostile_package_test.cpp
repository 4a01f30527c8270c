// Hostile packages: each is refused with the code for what is wrong and the entry to blame, and
// leaves the program folder byte-identical (listing with sizes and hashes, settings file included).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "package/folder_unpacker.h"
#include "package/package_fixture.h"

namespace kelmo::testing {
namespace {

using ::testing::HasSubstr;

// A valid character: hostile entries come after it, so that the refusal also has unpacked files
// to clean up.
std::vector<TTestEntry> Sora() {
  return CharacterEntries("sora", "そら", "HELLO", "やあ");
}

std::vector<TTestEntry> SoraWith(std::vector<TTestEntry> extra) {
  std::vector<TTestEntry> entries = Sora();
  entries.insert(entries.end(), extra.begin(), extra.end());
  return entries;
}

std::vector<TRawZipEntry> RawSora() {
  std::vector<TRawZipEntry> raw;
  for (const TTestEntry& entry : Sora()) raw.push_back({entry.Name, entry.Data});
  return raw;
}

std::string RawSoraWith(std::vector<TRawZipEntry> extra) {
  std::vector<TRawZipEntry> raw = RawSora();
  raw.insert(raw.end(), extra.begin(), extra.end());
  return MakeRawZip(raw);
}

std::string Zip(const std::vector<TTestEntry>& entries) {
  return MakeArchive(entries, TArchiveFormat::Zip);
}

std::string Tar(const std::vector<TTestEntry>& entries) {
  return MakeArchive(entries, TArchiveFormat::Tar);
}

// Flips bytes in the middle of the first file's compressed data.
std::string Damaged(std::string bytes) {
  for (size_t i = 60; i < 90 && i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
  return bytes;
}

std::string Cut(const std::string& bytes) {
  return bytes.substr(0, bytes.size() / 2);
}

// Sora whose definition file names value as its folder; the package holds "sora/" all the same.
std::vector<TTestEntry> SoraNaming(const std::string& value) {
  std::vector<TTestEntry> entries = Sora();
  const std::string written = "folder\r\nsora\r\n";
  entries[0].Data.replace(entries[0].Data.find(written), written.size(),
                          "folder\r\n" + value + "\r\n");
  return entries;
}

std::vector<TTestEntry> OldSora() {
  std::vector<TTestEntry> entries = Sora();
  entries[0].Data.replace(entries[0].Data.find("210"), 3, "100");
  return entries;
}

std::vector<TRawZipEntry> ManyFiles(int count) {
  std::vector<TRawZipEntry> raw = RawSora();
  for (int i = 0; i < count; ++i) raw.push_back({"sora/many/" + std::to_string(i) + ".txt", ""});
  return raw;
}

constexpr uint32_t kSymlinkMode = 0120777u << 16;

struct HostileCase {
  const char* Name;
  std::function<std::string()> Package;
  TPackageCode Code;
  const char* Entry;  // a piece of the entry the refusal names ("" for none)
  TPackageLimits Limits = {};
};

const HostileCase kHostileCases[] = {
    {"AbsolutePath",
     [] {
       return Zip(SoraWith({{"/tmp/evil.txt", "x"}}));
     },
     TPackageCode::AbsolutePath, "/tmp/evil.txt"},
    {"DriveLetter",
     [] {
       return Zip(SoraWith({{"C:/evil.txt", "x"}}));
     },
     TPackageCode::AbsolutePath, "C:/evil.txt"},
    {"ParentFolder",
     [] {
       return Zip(SoraWith({{"../evil.txt", "x"}}));
     },
     TPackageCode::ParentReference, "../evil.txt"},
    {"ParentFolderDeepInside",
     [] {
       return Tar(SoraWith({{"sora/a/../../../evil.txt", "x"}}));
     },
     TPackageCode::ParentReference, "sora/a/../../../evil.txt"},
    {"ParentFolderWithBackslashes",
     [] {
       return RawSoraWith({{"sora\\..\\..\\evil.txt", "x"}});
     },
     TPackageCode::ParentReference, "evil.txt"},
    {"SymbolicLinkInTar",
     [] {
       return Tar(SoraWith({{"sora/link", "", TEntryKind::Symlink, "/etc"}}));
     },
     TPackageCode::Link, "sora/link"},
    {"SymbolicLinkInZip",
     [] {
       return RawSoraWith({{"sora/link", "/etc", 0, kSymlinkMode}});
     },
     TPackageCode::Link, "sora/link"},
    {"LinkThenFileThroughIt",
     [] {
       return Tar(SoraWith({{"out", "", TEntryKind::Symlink, "/tmp"}, {"out/evil.txt", "x"}}));
     },
     TPackageCode::Link, "out"},
    {"HardLink",
     [] {
       return Tar(SoraWith({{"sora/hard", "", TEntryKind::Hardlink, "sora.klc"}}));
     },
     TPackageCode::Link, "sora/hard"},
    {"CharacterDevice",
     [] {
       return Tar(SoraWith({{"sora/null", "", TEntryKind::CharDevice}}));
     },
     TPackageCode::SpecialFile, "sora/null"},
    {"BlockDevice",
     [] {
       return Tar(SoraWith({{"sora/disk", "", TEntryKind::BlockDevice}}));
     },
     TPackageCode::SpecialFile, "sora/disk"},
    {"Fifo",
     [] {
       return Tar(SoraWith({{"sora/pipe", "", TEntryKind::Fifo}}));
     },
     TPackageCode::SpecialFile, "sora/pipe"},
    {"SameNameTwice",
     [] {
       return RawSoraWith({{"sora/dict.txt", "other"}});
     },
     TPackageCode::Duplicate, "sora/dict.txt"},
    {"SameNameInOtherLetterCase",
     [] {
       return RawSoraWith({{"SORA/Dict.TXT", "other"}});
     },
     TPackageCode::Duplicate, "SORA/Dict.TXT"},
    {"FileWhereFolderIs",
     [] {
       return RawSoraWith({{"sora", "a file"}});
     },
     TPackageCode::Duplicate, "sora"},
    {"FolderThroughFile",
     [] {
       return Zip(SoraWith({{"notes", "x"}, {"notes/a.txt", "y"}}));
     },
     TPackageCode::Duplicate, "notes"},
    {"MoreThan20000Entries", [] { return MakeRawZip(ManyFiles(20000)); },
     TPackageCode::TooManyEntries, ""},
    {"EntriesBeyondANarrowedLimit", [] { return MakeRawZip(ManyFiles(2)); },
     TPackageCode::TooManyEntries, "", TPackageLimits{.MaxEntries = 3}},
    {"DeclaredOver1GiB", [] { return MakeRawTar("sora.klc", (int64_t{1} << 30) + 1); },
     TPackageCode::TooLarge, "sora.klc"},
    {"UnpackedOverANarrowedLimit",
     [] {
       return Zip(SoraWith({{"sora/big.bin", std::string(5000, 'b')}}));
     },
     TPackageCode::TooLarge, "sora/big.bin", TPackageLimits{.MaxUnpackedBytes = 4096}},
    {"CompressionBomb",
     [] {
       return Zip(SoraWith({{"sora/zeros.bmp", std::string(16 << 20, '\0')}}));
     },
     TPackageCode::Bomb, "sora/zeros.bmp"},
    {"CompressionBombInGzippedTar",
     [] {
       return MakeArchive(SoraWith({{"sora/zeros.bmp", std::string(16 << 20, '\0')}}),
                          TArchiveFormat::TarGzip);
     },
     TPackageCode::Bomb, "sora/zeros.bmp"},
    {"TruncatedZip", [] { return Cut(Zip(Sora())); }, TPackageCode::Corrupt, ""},
    {"TruncatedGzippedTar", [] { return Cut(MakeArchive(Sora(), TArchiveFormat::TarGzip)); },
     TPackageCode::Corrupt, ""},
    {"DamagedZip", [] { return Damaged(Zip(Sora())); }, TPackageCode::Corrupt, ""},
    {"EncryptedEntry",
     [] {
       return RawSoraWith({{"sora/secret.txt", "xxxxxxxxxxxxxxxx", 1}});
     },
     TPackageCode::Encrypted, "sora/secret.txt"},
    {"NotAnArchive", [] { return std::string("these are not the bytes of any archive at all"); },
     TPackageCode::NotAnArchive, ""},
    {"EmptyFile", [] { return std::string(); }, TPackageCode::NotAnArchive, ""},
    {"NoDefinitionFile",
     [] {
       return Zip({{"readme.txt", "hello"}, {"sora/dict.txt", "x"}});
     },
     TPackageCode::NoDefinition, ""},
    {"DefinitionInADeeperFolder",
     [] {
       return Zip({{"a/b/sora.klc", "name\r\nx\r\n"}});
     },
     TPackageCode::NoDefinition, ""},
    {"DefinitionThatDoesNotLoad",
     [] {
       return Zip({{"sora.klc", "name\r\nsora\r\nfolder\r\nsora\r\nversion\r\n210\r\n"},
                   {"sora/readme.txt", "no dictionary"}});
     },
     TPackageCode::DefinitionDoesNotLoad, "sora.klc"},
    {"DefinitionOfAnOldVersion", [] { return Zip(OldSora()); }, TPackageCode::DefinitionDoesNotLoad,
     "sora.klc"},
    {"FolderOfTheProgram", [] { return Zip(SoraNaming("SPIs")); }, TPackageCode::NoCharacterFolder,
     "sora.klc"},
    {"FolderOutsideThePackage", [] { return Zip(SoraNaming("..\\sora")); },
     TPackageCode::NoCharacterFolder, "sora.klc"},
    {"NoFolderOfItsOwn", [] { return Zip(SoraNaming(".")); }, TPackageCode::NoCharacterFolder,
     "sora.klc"},
    {"FolderMissingFromThePackage", [] { return Zip(SoraNaming("kumo")); },
     TPackageCode::NoCharacterFolder, "sora.klc"},
    {"InstalledDefinitionOfAnotherFolder",
     [] { return Zip(CharacterEntries("hana", "はな2", "HELLO", "やあ", "hana2")); },
     TPackageCode::FolderConflict, "hana.klc"},
};

void PrintTo(const HostileCase& hostile, std::ostream* out) {
  *out << hostile.Name;
}

class HostilePackageTest : public PackageTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostilePackageTest, IsRefusedAndLeavesTheProgramFolderAsItWas) {
  const HostileCase& hostile = GetParam();
  const auto before = FolderListing(home_.Path());
  TInstallRequest request;
  request.Limits = hostile.Limits;
  const TInstallResult result = Install(hostile.Package(), request);
  EXPECT_EQ(result.Code, hostile.Code) << result.Message;
  EXPECT_THAT(result.Entry, HasSubstr(hostile.Entry));
  // The sentence names the entry to blame.
  EXPECT_THAT(result.Message, HasSubstr(hostile.Entry));
  EXPECT_TRUE(result.Characters.empty());
  EXPECT_EQ(FolderListing(home_.Path()), before);
}

INSTANTIATE_TEST_SUITE_P(Packages, HostilePackageTest, ::testing::ValuesIn(kHostileCases),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace kelmo::testing

namespace kelmo::testing {
namespace {

// The unpacker's own guard, behind the reader's checks: a link on an entry's way (which no
// package can make, as the reader refuses links) is never followed.
TEST(FolderUnpackerTest, NeverWritesThroughALinkOnTheWay) {
  const TempFolder unpacked;
  const TempFolder outside;
  std::filesystem::create_directory_symlink(outside.Path(), unpacked.Path() + "way");
  TFolderUnpacker unpacker(unpacked.Path() + ".");
  for (const bool folder : {false, true}) {
    try {
      const TPackageEntry entry{"way/evil", folder};
      folder ? unpacker.Folder(entry) : unpacker.BeginFile(entry);
      FAIL() << "wrote through the link";
    } catch (const EPackageError& error) {
      EXPECT_EQ(error.Code(), TPackageCode::OutsideFolder);
    }
  }
  try {
    unpacker.BeginFile({"way", false});
    FAIL() << "opened the link as a file";
  } catch (const EPackageError& error) {
    EXPECT_EQ(error.Code(), TPackageCode::Duplicate);
  }
  EXPECT_TRUE(std::filesystem::is_empty(outside.Path()));
}

}  // namespace
}  // namespace kelmo::testing
