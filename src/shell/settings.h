// The settings file "Kelmo.ini" in the program folder, and the user profile stored in it.
//
// Every key the program knows is a field of TSettings with its default; ReadSettings reads the file
// (a missing file or key gives the default) and WriteSettings writes the keys back through
// TIniFile, which keeps sections and keys it does not know and replaces the file atomically. The
// section "Character" belongs to the character list and is neither read nor written here.
//
// The profile is six lines (surname, given name, handle name, nickname, empty for a male user or
// anything else for a female one, birthday "yyyy/mm/dd"); in the file its line breaks are written
// as "{BR}" so that it fits one value.
#pragma once

#include <string>
#include <string_view>

#include "engine/user_profile.h"

namespace kelmo {

// The settings file in the program folder.
inline constexpr std::string_view kSettingsFileName = "Kelmo.ini";
// What a line break of the profile becomes in the file.
inline constexpr std::string_view kProfileLineBreak = "{BR}";
// The typing interval used when none (or 0, or a negative one) is stored, in milliseconds.
inline constexpr int kDefaultSpeed = 55;
// The typing interval's range, in milliseconds: what the settings dialog offers. The display
// commands and a stored value outside it are taken as the nearest end of it, so no reply can leave
// the balloon unusable for every character afterwards.
inline constexpr int kMinSpeed = 1;
inline constexpr int kMaxSpeed = 1000;
// The balloon font size used when none is stored, and the range of sizes, in points (the sizes
// the font dialog offers; kept as the interval's range is).
inline constexpr int kDefaultFontSize = 9;
inline constexpr int kMinFontSize = 6;
inline constexpr int kMaxFontSize = 72;
// The birthday of a profile whose sixth line is no date.
inline constexpr int kFallbackBirthYear = 1970;
// The window's zoom in percent: the pictures, the balloon, its font and the layout together.
// A stored value outside the range is taken as the nearest end of it.
inline constexpr int kDefaultZoom = 100;
inline constexpr int kMinZoom = 50;
inline constexpr int kMaxZoom = 300;

// The balloon font used when none is stored: "ＭＳ ゴシック" in Shift-JIS.
std::string DefaultFontName();

// The values of "Kelmo.ini" that the main window keeps (texts in Shift-JIS).
struct TSettings {
  int Top = -1;                              // "Window"/"Top"
  int Left = -1;                             // "Window"/"Left"
  bool StayOnTop = false;                    // "Window"/"StayOnTop"
  bool PlaySound = true;                     // "Main"/"PlaySound"
  bool PluginsEnabled = false;               // "Main"/"Plugin"
  bool AllowExecute = false;                 // "Main"/"AllowExecute"
  int Zoom = kDefaultZoom;                   // "Main"/"Zoom": the window's scale in percent
  bool DesktopMode = false;                  // "Main"/"DesktopMode": the character on the desktop
  bool LogKeep = true;                       // "Log"/"Keep"
  std::string FontName = DefaultFontName();  // "Balloon"/"FontName"
  int FontSize = kDefaultFontSize;           // "Balloon"/"FontSize"
  int Speed = kDefaultSpeed;                 // "Balloon"/"Speed": the timer interval in ms
  std::string UserProfileText;               // "User"/"User" with "{BR}" turned into CR LF
};

// Reads the settings file at the data path; missing keys (or a missing file) give the defaults,
// a Speed below 1 gives kDefaultSpeed, and Speed, FontSize and Zoom are kept within their ranges.
TSettings ReadSettings(const std::string& path);

// Writes every field except UserProfileText, and "User"/"User" from profileText (CR LF turned into
// "{BR}") unless writeProfile is false, into the file at the data path, keeping everything else in
// it. Raises EFileError when the file cannot be written.
void WriteSettings(const std::string& path, const TSettings& settings, bool writeProfile,
                   const std::string& profileText);

// "Main"/"ExtensionChar": read and written only by the settings dialog, passed through unchanged.
bool ReadExtensionChar(const std::string& path);

// The three switches the settings dialog writes at once when confirmed. Raises EFileError.
void WriteDialogSwitches(const std::string& path, bool extensionChar, bool allowExecute,
                         bool pluginsEnabled);

// Reads the profile text (lines ended by CR LF, CR or LF). Fails (false, profile untouched) with
// fewer than six lines or an empty line among the first four. A sixth line that is no date
// "yyyy/mm/dd" gives 1970/01/01; lines after the sixth are ignored.
bool ParseUserProfile(std::string_view text, TUserProfile& profile);

// The six lines joined by CR LF (no line break after the last).
std::string FormatUserProfile(const TUserProfile& profile);

}  // namespace kelmo
