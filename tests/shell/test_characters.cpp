#include "test_characters.h"

#include "charfile/code_page.h"

namespace kelmo::testing {
namespace {

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

std::string Condition(const std::string& word) {
  if (word.empty()) return "TRUE";
  if (word.front() == '{') return word;  // a ready-made condition
  return "{EQ{OPERATEMESSAGE}|" + word + "}";
}

}  // namespace

std::string WriteCharacter(const TempFolder& home, const std::string& stem, const std::string& name,
                           const std::vector<TAnswer>& answers,
                           const std::vector<std::string>& extraLines) {
  std::string dictionary;
  // Worded entries first; the catch-all entries in a later priority group.
  for (const TAnswer& answer : answers) {
    if (answer.Word.empty()) continue;
    dictionary += Quoted(Condition(answer.Word)) + "," + Quoted(answer.Reply) + "\r\n";
  }
  dictionary += "{PRIOR},-\r\n";
  for (const TAnswer& answer : answers) {
    if (!answer.Word.empty()) continue;
    dictionary += Quoted(Condition(answer.Word)) + "," + Quoted(answer.Reply) + "\r\n";
  }
  // A character needs one available entry to load.
  if (answers.empty()) dictionary += "FALSE,never\r\n";
  home.Write(stem + "/dict.txt", Utf8ToShiftJis(dictionary));

  std::string definition =
      "name\r\n" + name + "\r\nfolder\r\n" + stem + "\r\nversion\r\n210\r\ndata02\r\ndict.txt\r\n";
  for (const std::string& line : extraLines) definition += line + "\r\n";
  return home.Write(stem + ".klc", Utf8ToShiftJis(definition));
}

}  // namespace kelmo::testing
