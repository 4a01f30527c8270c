// Character folders for the engine tests, written the way a character author's tools on Windows
// write them: Shift-JIS text, CR LF line ends, dictionary and state files that may be scrambled.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/character.h"
#include "support/temp_folder.h"

namespace kelmo::testing {

// Shift-JIS bytes of a UTF-16 text.
std::string Sjis(std::u16string_view text);

// The lines, each followed by CR LF.
std::string CrLf(const std::vector<std::string>& lines);

// A scrambled file of the lines: the header carrying key, then each line scrambled with key.
std::string Scrambled(std::vector<std::string> lines, std::string_view key);

// Key and value lines of a definition file, in order.
using TDefinition = std::vector<std::pair<std::string, std::string>>;

// A temporary folder holding one character's files.
class TTestCharacterFolder {
 public:
  // Writes the definition file (CR LF) as "kit.klc" or under another name; returns its path.
  std::string WriteDefinition(const TDefinition& pairs,
                              std::string_view fileName = "kit.klc") const;

  // Writes any file below the folder; returns its path.
  std::string Write(std::string_view relativePath, std::string_view bytes) const {
    return folder_.Write(relativePath, bytes);
  }

  std::string Read(std::string_view relativePath) const { return folder_.Read(relativePath); }
  bool Exists(std::string_view relativePath) const { return folder_.Exists(relativePath); }
  std::string Path() const { return folder_.Path(); }

  // Loads the character the definition file at path describes; its plug-ins come from the
  // program folder, by default this folder.
  std::unique_ptr<TCharacter> Load(const std::string& path) const { return Load(path, Path()); }
  std::unique_ptr<TCharacter> Load(const std::string& path, const std::string& programFolder) const;

 private:
  TempFolder folder_;
};

// A folder with the smallest loadable character, named "kit": one kind C reply "hello". Its
// plug-ins come from programFolder, by default its own folder.
class TSmallCharacter {
 public:
  TSmallCharacter() : TSmallCharacter(std::string()) {}
  explicit TSmallCharacter(const std::string& programFolder);
  TTestCharacterFolder Folder;
  std::unique_ptr<TCharacter> Character;
};

}  // namespace kelmo::testing
