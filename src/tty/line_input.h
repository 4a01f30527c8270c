// Where the terminal front end's dialogs read the user's answers from, and where the view finds
// the line the user is typing. The terminal loop implements it with readline; tests script it.
#pragma once

#include <optional>
#include <string>

namespace kelmo {

class TLineInput {
 public:
  virtual ~TLineInput() = default;

  // Shows prompt and returns the line the user enters (UTF-8, without its line break); empty
  // (std::nullopt) when the input ended or the user interrupted. Runs while a modal dialog is
  // open: the conversation does not advance meanwhile.
  virtual std::optional<std::string> ReadLine(const std::string& prompt) = 0;

  // The line being edited at the chat prompt right now, or std::nullopt when no line is being
  // edited (the balloon then holds what the front end or the controller put there).
  virtual std::optional<std::string> EditedLine() const = 0;
};

}  // namespace kelmo
