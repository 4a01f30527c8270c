// Paths that come from data files and settings are 8-bit (Shift-JIS) texts written for a file
// system that ignores letter case and uses "\" as delimiter. This module turns them into real
// UTF-8 paths: decode first (0x5C may be the trail byte of a double-byte character), let "\"
// count as "/", and when the path does not exist as written, resolve it component by component,
// accepting a directory entry whose normalised name equals the wanted one's (the first such entry
// in directory order wins). Entry names that are not valid UTF-8 are read as Shift-JIS, since
// archives made on Windows often unpack that way.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace kelmo {

// The data path decoded to UTF-8 with "\" turned into "/", nothing resolved.
std::string ToFileSystemPath(std::string_view dataPath);

// A UTF-8 file-system path as 8-bit data text (characters outside Shift-JIS become 〓).
std::string FromFileSystemPath(std::string_view fileSystemPath);

// The existing file-system path the data path names, resolved as described above. When some
// component cannot be found, the rest is appended as written (so a file about to be created lands
// in the resolved folder).
std::string ResolveDataPath(std::string_view dataPath);

// Resolves data paths as ResolveDataPath does, but reads each folder it has to search only once
// over its life and keeps the normalised names: a load that resolves thousands of names in one
// folder of thousands of files reads and normalises that folder once, not once per name. Changes
// to a folder after it was read are not seen, so a resolver lives for one load.
class TPathResolver {
 public:
  std::string Resolve(std::string_view dataPath);

  // How many folders the resolver has read.
  int FolderReads() const { return folderReads_; }

 private:
  // The name of folder's entry whose normalised name equals wanted's (the first in directory
  // order), or the empty text.
  std::string FindEntry(const std::string& folder, std::string_view wanted);

  // Per folder read: normalised entry name -> the entry's name.
  std::unordered_map<std::string, std::unordered_map<std::u16string, std::string>> folders_;
  int folderReads_ = 0;
};

// True when the data path names an existing regular file.
bool DataFileExists(std::string_view dataPath);

// True when the data path names an existing directory.
bool DataDirectoryExists(std::string_view dataPath);

// Deletes the file the data path names; raises EFileError when it exists and cannot be deleted.
void DeleteDataFile(std::string_view dataPath);

// The directory part of a data path including its final delimiter ("/" or "\"), or the empty text
// when the path has none. Walks characters, so a trail byte 0x5C is no delimiter.
std::string ExtractDirectory(std::string_view dataPath);

// The file name part of a data path (everything after the last delimiter).
std::string ExtractFileName(std::string_view dataPath);

// The text with a path delimiter appended unless it already ends in one ("/" or "\"); the empty
// text (the current directory) gives "./".
std::string IncludeTrailingDelimiter(std::string_view dataPath);

// The path with its extension (from the last "." of the file name on) replaced by extension.
std::string ChangeFileExtension(std::string_view dataPath, std::string_view extension);

}  // namespace kelmo
