// What the user reads when the program could not save a file: the file and the system's reason,
// in Japanese. The reasons a save meets in practice (no permission, a read-only or full disk, a
// missing folder) have Japanese texts of their own; any other reason is the system's own text.
#pragma once

#include <string>

#include "charfile/kelmo_error.h"

namespace kelmo {

// The reason for the errno value errorCode (UTF-8).
std::string SystemErrorReason(int errorCode);

// "ファイルを保存できませんでした: <file> (<reason>)" for a failed save (UTF-8).
std::string SaveFailureMessage(const EFileError& error);

}  // namespace kelmo
