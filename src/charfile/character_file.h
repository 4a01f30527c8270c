// The character definition file (".klc"): Shift-JIS lines (or UTF-8 after a byte order mark,
// converted as they are read) paired strictly by position, a key line then its value line. Keys
// match without regard to ASCII letter case and the first pair with a key wins; values are taken
// whole. No other part of the program parses this file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "charfile/definition_keys.h"

namespace kelmo {

class TLoadListener;

class TCharacterFile {
 public:
  // Reads the file when it exists; a missing file gives an empty object (no pairs, empty Folder).
  // Raises EFileError when the file exists but cannot be read. listener (may be null) hears of a
  // last line left without its pair and of characters a UTF-8 file could not keep.
  explicit TCharacterFile(std::string_view path, TLoadListener* listener = nullptr);

  // The value of the first pair whose key equals the lower-cased key; empty when there is none.
  std::string ReadValue(std::string_view key) const;
  std::string ReadValue(TDefinitionKey key) const { return ReadValue(DefinitionKeyName(key)); }

  // Folder followed directly by the file name; nothing is checked or normalised.
  std::string PathInFolder(std::string_view fileName) const { return Folder + std::string(fileName); }

  // The keys of the pairs in file order, lower-cased: key i stands on line 2i + 1, its value on
  // line 2i + 2. A key may appear more than once; ReadValue sees its first pair only.
  const std::vector<std::string>& Keys() const { return keys_; }

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
