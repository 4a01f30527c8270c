// The package reader: every entry of a ZIP archive or of a tar archive (plain, gzip, bzip2 or xz)
// through libarchive, each checked before anything hears of it.
//
// An entry is handed on only when its name is a plain relative path (no root, drive, ".."), it is
// a regular file or a folder (links, devices, FIFOs and sockets are refused), it is neither
// encrypted nor a second entry of a name already seen (names compared as the program compares
// data paths: without regard to letter case), and the package stays within TPackageLimits; the
// data of a file is counted as it is read, so sizes an archive declares falsely change nothing.
// The first entry that fails raises EPackageError naming it, and reading stops.
//
// Names: a ZIP entry flagged UTF-8 is read as UTF-8, one without the flag as code page 932 (what
// ZIP tools on Japanese Windows write); tar names are UTF-8. Names reach the sink as UTF-8 with
// "/" between components ("\" counts as one, as Windows tools write it), "." and empty
// components dropped, and no final "/".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "package/package_limits.h"

namespace kelmo {

// One entry that passed the checks.
struct TPackageEntry {
  std::string Name;  // see above
  bool IsFolder = false;
};

// Hears the entries of a package in archive order. A file's data follows its BeginFile in
// chunks; Write may raise EPackageError, which ends the reading.
class TEntrySink {
 public:
  virtual ~TEntrySink() = default;
  virtual void Folder(const TPackageEntry& entry) = 0;
  virtual void BeginFile(const TPackageEntry& entry) = 0;
  virtual void Write(std::string_view data) = 0;
  virtual void EndFile() = 0;
};

// Where a package is read from: a file (UTF-8 file-system path) or bytes in memory.
struct TPackageSource {
  std::string Path;
  std::string_view Bytes;  // used when Path is empty
};

// Reads the whole package into sink. Raises EPackageError: CannotOpen, NotAnArchive, Corrupt,
// Encrypted, AbsolutePath, ParentReference, Link, SpecialFile, Duplicate, UnreadableName,
// TooManyEntries, TooLarge, Bomb, or what the sink raises. Returns the number of entries read.
int64_t ReadPackage(const TPackageSource& source, const TPackageLimits& limits, TEntrySink& sink);

// The entry name as the reader hands it on, or raises EPackageError (AbsolutePath,
// ParentReference, UnreadableName) naming rawName.
std::string CleanEntryName(std::string_view name);

// The key under which two entry names count as the same: each "/"-separated component
// normalised as data paths are matched (NormalizeText: letter case and full-width forms).
std::u16string EntryNameKey(std::string_view cleanName);

}  // namespace kelmo
