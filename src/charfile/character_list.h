// The ordered list of installed characters, kept in the section "Character" of the settings file
// as "Char1", "Char2", ... (dense from 1). Loading stops at the first missing number and drops
// entries that are no valid definition file; saving rewrites the section from the list, so the
// numbering is always dense again.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelmo {

// The settings section that holds the list.
inline constexpr std::string_view kCharacterSection = "Character";
// Prefix of the list's keys, followed by the 1-based position.
inline constexpr std::string_view kCharacterKeyPrefix = "Char";

class TCharacterList {
 public:
  // Loads the list from the settings file the data path names.
  explicit TCharacterList(std::string settingsPath);

  // Writes the list back to the settings file; a failure to write is swallowed (a destructor
  // cannot report it), use Save to see it.
  ~TCharacterList();

  TCharacterList(const TCharacterList&) = delete;
  TCharacterList& operator=(const TCharacterList&) = delete;

  // Appends the path unless an item equal to it without regard to letter case is listed.
  void AddCharacter(std::string_view path);

  // Rewrites the section "Character" of the settings file from Items. Raises EFileError.
  void Save() const;

  // Definition-file paths; position 0 is the character started when none is named.
  std::vector<std::string> Items;

 private:
  std::string settingsPath_;
};

}  // namespace kelmo
