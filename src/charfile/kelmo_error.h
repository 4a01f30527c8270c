// The program's own exception family. Loading a character raises a member of it, and the chat
// controller catches the whole family around every load.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace kelmo {

// Base of the program's own failures; carries an English message.
class EKelmoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file that exists could not be read or written. Kept apart from EKelmoError because the
// places that load a character decide on their own how to treat it. Besides the English message
// it carries the file and the system's error number, for messages a user reads.
class EFileError : public std::runtime_error {
 public:
  EFileError(const std::string& message, std::string path, int errorCode)
      : std::runtime_error(message), path_(std::move(path)), errorCode_(errorCode) {}

  // The file's UTF-8 file-system path.
  const std::string& Path() const { return path_; }
  // The errno value of the failure; 0 when the system gave none.
  int ErrorCode() const { return errorCode_; }

 private:
  std::string path_;
  int errorCode_;
};

// A file could not be written: a save failed, and the file holds what it held before.
class EFileWriteError : public EFileError {
 public:
  using EFileError::EFileError;
};

}  // namespace kelmo
