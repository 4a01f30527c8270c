// The window front end: the Qt application, the program's font and title, the main window and the
// chat controller it shows, the termination signals and the event loop.
#pragma once

#include <string>

namespace kelmo {

class TSingleInstance;

// The application's title before any character is loaded.
inline constexpr const char* kApplicationTitle = "DorrinKelmo";
// The application's font (dialogs and the petting window use it unless they name another), with
// the Japanese fallback after it, and its size in pixels.
inline constexpr const char* kApplicationFontFamily = "ＭＳ Ｐゴシック";
inline constexpr int kApplicationFontPixelSize = 12;

struct TWindowOptions {
  std::string AppDir;           // the program folder (UTF-8 file-system path)
  std::string ProgramFileName;  // names the conversation log
  std::string Character;        // the definition file to start with; empty: the list's first
  // Holds the program folder; once the conversation is up, second starts are served through it.
  // May be null (the tests, a folder that cannot be locked).
  TSingleInstance* Instance = nullptr;
};

// Whether the window system the environment names can be reached: an X server at DISPLAY that
// accepts a connection, or a Wayland compositor at WAYLAND_DISPLAY for which Qt has a platform.
// A platform chosen with QT_QPA_PLATFORM is trusted as it is.
bool WindowSystemReachable();

// Gives the running application its font (kApplicationFontFamily and the Japanese fallback).
void UseApplicationFont();

// Runs the window until it is closed (the closing talk, a termination signal). Returns 0, or 1
// when start-up failed (the controller has shown and logged why). SIGINT, SIGTERM and SIGHUP
// close the window as its close box does, except that no message box waits for an answer; one
// that comes while a start-up dialog is open cancels it and every later one, and the program ends
// with 0 once the start-up has run its course.
int RunWindowFrontEnd(const TWindowOptions& options);

}  // namespace kelmo
