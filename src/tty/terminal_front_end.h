// The terminal front end as a whole: the loop, the view and the controller wired together on the
// program's standard input and output, from start-up to shut-down.
#pragma once

#include <string>

namespace kelmo {

struct TTerminalOptions {
  std::string AppDir;           // the program folder (UTF-8 file-system path)
  std::string ProgramFileName;  // names the conversation log
  std::string Character;        // the definition file to start with; empty: the first installed
};

// Runs a conversation on the terminal until it is closed. Returns the exit status: 0 after a
// normal close, 1 when start-up failed ("起動に失敗しました" has then been shown and logged) or a
// file could not be saved (each failure has then been shown and logged).
int RunTerminalFrontEnd(const TTerminalOptions& options);

}  // namespace kelmo
