// Shared pieces of the terminal and batch tests: a program folder with a complete profile, and a
// scripted line input standing in for the user at the dialogs' prompts.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "charfile/code_page.h"
#include "support/temp_folder.h"
#include "tty/line_input.h"

namespace kelmo::testing {

// The profile every test user has, as "Kelmo.ini" stores it (UTF-8 here).
inline constexpr const char* kStoredProfile = "山田{BR}太郎{BR}taro{BR}たろう{BR}{BR}1990/01/02";

// Writes "Kelmo.ini" with the profile and the extra lines of section "Balloon" (e.g.
// "Speed=200"), in Shift-JIS.
inline void WriteSettings(const TempFolder& home, const std::vector<std::string>& balloon = {}) {
  std::string text = std::string("[User]\r\nUser=") + kStoredProfile + "\r\n";
  if (!balloon.empty()) {
    text += "[Balloon]\r\n";
    for (const std::string& line : balloon) text += line + "\r\n";
  }
  home.Write("Kelmo.ini", Utf8ToShiftJis(text));
}

// The UTF-8 text of a Shift-JIS file below the folder.
inline std::string ReadUtf8(const TempFolder& home, const std::string& relativePath) {
  return ShiftJisToUtf8(home.Read(relativePath));
}

// Answers each prompt with the next scripted line; std::nullopt (end of input) when none is left.
class TScriptedInput : public TLineInput {
 public:
  std::optional<std::string> ReadLine(const std::string& prompt) override {
    prompts.push_back(prompt);
    if (answers.empty()) return std::nullopt;
    std::string answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<std::string> EditedLine() const override { return edited; }

  std::deque<std::string> answers;
  std::vector<std::string> prompts;
  std::optional<std::string> edited;  // what the user is typing at the chat prompt
};

}  // namespace kelmo::testing
