// What a second start of the program asks of the one already running on the same program folder,
// and what the running one answers. The second start hands its command line over instead of
// running a second conversation on the same files (src/instance/ carries it across); the chat
// controller acts on it (TChatController::TakeHandOver, hand_over.cpp).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelmo {

// A second start's command line, as far as the running program takes it.
struct THandOverRequest {
  // A definition file to switch to (an absolute UTF-8 file-system path); empty for none.
  std::string Character;
  // A line to say as the user ("--say TEXT", UTF-8); none when not given.
  std::optional<std::string> Say;
  // The desktop's start-up notification id the second start was given (DESKTOP_STARTUP_ID), so
  // that the running program can end the launch feedback the desktop shows; empty for none.
  std::string StartupId;
  // A character package to install ("--install FILE", an absolute UTF-8 file-system path); empty
  // for none. Character and Say are then not looked at.
  std::string Package = {};
};

// How the running program took a request.
enum class THandOverStatus {
  Done,     // taken: the window shows, and the switch or the line is under way (or the package is
            // installed, the message saying what); no later request replaces a switch under way
  Busy,     // not now: the character is not in the user's turn, a dialog is open, or a switch is
            // under way
  Refused,  // never: the file is no character definition file (or the package was not installed)
  Closing,  // the running program is ending; the second start may take the folder after it
};

struct THandOverAnswer {
  THandOverStatus Status = THandOverStatus::Done;
  std::string Message;  // for the second start to print (UTF-8); empty when Done, but for a package
};

// The message of a Closing answer (UTF-8).
inline constexpr std::string_view kClosingMessage = "DorrinKelmo は終了するところです";

}  // namespace kelmo
