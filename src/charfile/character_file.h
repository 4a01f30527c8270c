// The character definition file (".klc"): Shift-JIS lines paired strictly by position, a key line
// then its value line. Keys match without regard to ASCII letter case and the first pair with a
// key wins; values are taken whole. No other part of the program parses this file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelmo {

class TCharacterFile {
 public:
  // Reads the file when it exists; a missing file gives an empty object (no pairs, empty Folder).
  // Raises EFileError when the file exists but cannot be read.
  explicit TCharacterFile(std::string_view path);

  // The value of the first pair whose key equals the lower-cased key; empty when there is none.
  std::string ReadValue(std::string_view key) const;

  // Folder followed directly by the file name; nothing is checked or normalised.
  std::string PathInFolder(std::string_view fileName) const { return Folder + std::string(fileName); }

  // The character folder: the definition file's directory joined with the "folder" value, always
  // ending in a delimiter; empty when the definition file did not exist.
  std::string Folder;

 private:
  std::vector<std::string> keys_;
  std::vector<std::string> values_;
};

// The folder rule shared with the character: directory of the definition path, a delimiter,
// the "folder" value, a delimiter (each delimiter added only when missing).
std::string ResolveCharacterFolder(std::string_view definitionPath, std::string_view folderValue);

// True when the file exists and its "name" or its "folder" value is not empty.
bool IsValidCharacterFile(std::string_view path);

}  // namespace kelmo
