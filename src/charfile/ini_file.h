// Access to INI settings files ("Kelmo.ini") through SimpleIni: section and key names compared
// without regard to letter case as on Windows, values passed through as bytes (Shift-JIS).
// Changes stay in memory until UpdateFile writes the whole file atomically with CR LF line ends;
// sections and keys this program does not know are kept. Lines that are not "key=value" or
// "[section]" are tolerated when reading.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kelmo {

class TIniFile {
 public:
  // Reads the file the data path names, if it exists and can be read; otherwise starts empty.
  explicit TIniFile(std::string_view dataPath);
  ~TIniFile();

  // The value of the key, or defaultValue when the section has no such key.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;

  // The value read as a decimal (or "$"/"0x" hexadecimal) 32-bit integer, or defaultValue when the
  // key is missing or not such a number.
  int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;

  // The value read as an integer, true when not 0; defaultValue when missing or not a number.
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  // Written as "1" or "0".
  void WriteBool(std::string_view section, std::string_view key, bool value);

  bool ValueExists(std::string_view section, std::string_view key) const;
  bool SectionExists(std::string_view section) const;

  // The names of the section's keys, in file order.
  std::vector<std::string> ReadSectionKeys(std::string_view section) const;

  // Removes the section and all its keys.
  void EraseSection(std::string_view section);

  // Writes the whole file atomically. Raises EFileError.
  void UpdateFile() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kelmo
