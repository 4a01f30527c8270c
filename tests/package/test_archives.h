// Archives made by the package tests: ZIP and tar through libarchive's writer, and ZIP archives
// built byte by byte where a test needs what no writer makes on purpose (a name in code page 932
// without the UTF-8 flag, the same name twice, an encrypted entry). Also a listing of a folder with
// the size and hash of every file, to tell that an install left a folder byte-identical.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "package/package_reader.h"

namespace kelmo::testing {

enum class TEntryKind { File, Folder, Symlink, Hardlink, CharDevice, BlockDevice, Fifo };

struct TTestEntry {
  std::string Name;       // UTF-8
  std::string Data = {};  // a file's content
  TEntryKind Kind = TEntryKind::File;
  std::string Target = {};  // a link's target
};

enum class TArchiveFormat { Zip, StoredZip, Tar, TarGzip };

// An archive of entries in the format, names flagged UTF-8 in a ZIP.
std::string MakeArchive(const std::vector<TTestEntry>& entries, TArchiveFormat format);

// One entry of a ZIP built by hand: stored, with the name's bytes and the flags as given.
struct TRawZipEntry {
  std::string Name;  // bytes as stored
  std::string Data = {};
  uint16_t Flags = 0;               // general purpose bits (bit 0 encrypted, bit 11 UTF-8)
  uint32_t ExternalAttributes = 0;  // the Unix mode in the upper 16 bits
};
std::string MakeRawZip(const std::vector<TRawZipEntry>& entries);

// A tar archive of one file entry whose header declares size bytes and holds none of them.
std::string MakeRawTar(const std::string& name, int64_t size);

// The entries of a small character "<stem>.klc" answering word with reply (and anything else with
// "…") from "<folder>/dict.txt", its "folder" being folder (UTF-8, "\" allowed; empty: stem).
std::vector<TTestEntry> CharacterEntries(const std::string& stem, const std::string& name,
                                         const std::string& word, const std::string& reply,
                                         const std::string& folder = "");

// Every file, folder and link below folder: relative path -> "folder", "link -> target" or
// "<size> <sha-256>".
std::map<std::string, std::string> FolderListing(const std::string& folder);

// Writes bytes to a new file at path.
void WriteFile(const std::string& path, const std::string& bytes);

// The bytes of the file at path; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// A sink of the package reader that keeps the names it hears (folders with a final "/") and the
// bytes of all files.
class TRecordingSink : public TEntrySink {
 public:
  void Folder(const TPackageEntry& entry) override { Names.push_back(entry.Name + "/"); }
  void BeginFile(const TPackageEntry& entry) override { Names.push_back(entry.Name); }
  void Write(std::string_view data) override { Bytes += data; }
  void EndFile() override {}

  std::vector<std::string> Names;
  std::string Bytes;
};

}  // namespace kelmo::testing
