// The program's own exception family. Loading a character raises a member of it, and the chat
// controller catches the whole family around every load.
#pragma once

#include <stdexcept>
#include <string>

namespace kelmo {

// Base of the program's own failures; carries an English message.
class EKelmoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file that exists could not be read or written. Kept apart from EKelmoError because the
// places that load a character decide on their own how to treat it.
class EFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kelmo
