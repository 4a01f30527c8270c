// The terminal front end as a whole: the loop, the view and the controller wired together on the
// program's standard input and output, from start-up to shut-down.
#pragma once

#include <string>

namespace kelmo {

class TSingleInstance;

struct TTerminalOptions {
  std::string AppDir;           // the program folder (UTF-8 file-system path)
  std::string ProgramFileName;  // names the conversation log
  std::string Character;        // the definition file to start with; empty: the first installed
  // Holds the program folder; once the conversation is up, second starts are served through it.
  // May be null (the tests, a folder that cannot be locked).
  TSingleInstance* Instance = nullptr;
};

// Runs a conversation on the terminal until it is closed. Returns the exit status: 0 after a
// normal close (a termination signal during a start-up dialog included), 1 when start-up failed
// ("起動に失敗しました" has then been shown and logged) or a file could not be saved (each failure
// has then been shown and logged).
int RunTerminalFrontEnd(const TTerminalOptions& options);

}  // namespace kelmo
