// The main window's menu on a terminal: lines typed at the prompt that begin with "/" are menu
// actions instead of words for the character. "/pet" sends a petting action, "/switch" opens the
// character chooser, "/settings" the settings, "/about" the about texts, "/help" lists the
// commands and "/quit" closes with the closing talk. A line beginning with "//" is said to the
// character with one "/" removed.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace kelmo {

class TChatController;
class TLineInput;
class TTerminalView;

// What a line typed at the prompt is.
struct TTypedLine {
  bool IsCommand = false;  // a menu action for RunSlashCommand
  std::string Text;        // the command line, or the line said to the character
};

// Sorts a typed line into a command or a line for the character.
TTypedLine ClassifyTypedLine(std::string_view line);

// Runs the command line (beginning with "/") against the controller, printing through view and
// asking input where the action needs an answer. An unknown command prints a hint.
void RunSlashCommand(std::string_view command, TChatController& controller, TTerminalView& view,
                     TLineInput& input);

}  // namespace kelmo
