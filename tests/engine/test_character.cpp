#include "test_character.h"

#include "charfile/code_page.h"
#include "charfile/crypt.h"

namespace kelmo::testing {

std::string Sjis(std::u16string_view text) {
  return Utf16ToShiftJis(text);
}

std::string CrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string Scrambled(std::vector<std::string> lines, std::string_view key) {
  TCrypt crypt(TCrypt::Scramble);
  crypt.SetKey(key);
  crypt.TransformList(lines);
  return CrLf(lines);
}

std::string TTestCharacterFolder::WriteDefinition(const TDefinition& pairs,
                                                  std::string_view fileName) const {
  std::vector<std::string> lines;
  for (const auto& [key, value] : pairs) {
    lines.push_back(key);
    lines.push_back(value);
  }
  return folder_.Write(fileName, CrLf(lines));
}

std::unique_ptr<TCharacter> TTestCharacterFolder::Load(const std::string& path,
                                                       const std::string& programFolder) const {
  TCharacterEnvironment environment;
  environment.Plugins.ProgramFolder = programFolder;
  return std::make_unique<TCharacter>(path, environment);
}

TSmallCharacter::TSmallCharacter(const std::string& programFolder) {
  Folder.Write("small.txt", CrLf({"hello"}));
  Character = Folder.Load(
      Folder.WriteDefinition({{"name", "kit"}, {"version", "210"}, {"datac2", "small.txt"}}),
      programFolder.empty() ? Folder.Path() : programFolder);
}

}  // namespace kelmo::testing
