// The model of the settings dialog ("設定"), free of any toolkit: the values it edits, its
// validation, the plug-in lines of its "Plug-in" page, and the conversions from and to the
// settings and the profile. The controller fills the data before the dialog opens and applies it
// when the dialog is confirmed; a view shows and edits it.
//
// The dialog can only be left (by OK or by Cancel) with four non-empty names and a real calendar
// date: on failure it shows "空欄があります" or "不正な日付です" and brings up its "ユーザー" page.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "shell/settings.h"

namespace kelmo {

class TPluginList;
struct TSettings;
struct TUserProfile;

// Validation messages.
inline constexpr std::string_view kEmptyFieldMessage = "空欄があります";
inline constexpr std::string_view kInvalidDateMessage = "不正な日付です";
// Ranges of the dialog's up-down controls.
inline constexpr int kMinIntervalControl = kMinSpeed;
inline constexpr int kMaxIntervalControl = kMaxSpeed;
inline constexpr int kMinBirthYear = 1900;
inline constexpr int kMaxBirthYear = 2100;
// A confirmed interval is applied only when it lies strictly between these.
inline constexpr int kIntervalLowerExclusive = 0;
inline constexpr int kIntervalUpperExclusive = 10000;

// What the settings dialog edits (texts UTF-8).
struct TConfigDialogData {
  // Page "一般".
  std::string FontName;
  int FontSize = 9;
  int Interval = 55;           // the typing interval in ms
  int Zoom = 100;              // the window's zoom in percent (kMinZoom to kMaxZoom)
  bool DesktopMode = false;    // the character on the desktop instead of in the window
  bool ExtensionChar = false;  // never shown; passed through
  bool LogKeep = true;
  bool PlaySound = true;
  bool AllowExecute = false;
  // Page "ユーザー".
  std::string Surname;
  std::string GivenName;
  std::string HandleName;
  std::string Nickname;
  bool IsMale = true;
  int BirthYear = 1970;
  int BirthMonth = 1;
  int BirthDay = 1;
  // Page "Plug-in": the switch and the two lists (null when there is no such list), for
  // PluginListLines and the plug-ins' own ConfigurationDialog.
  bool PluginsEnabled = false;
  TPluginList* ExtendedPlugins = nullptr;  // the program's, "拡張 Plug-in"
  TPluginList* BasicPlugins = nullptr;     // the current character's, "基本 Plug-in"
};

// The empty text when the dialog may close; otherwise the message to show.
std::string ValidateConfig(const TConfigDialogData& data);

// The dialog's values from the settings, the two switches the settings file at settingsPath keeps
// for itself ("ExtensionChar", "AllowExecute"), the profile (null while none is complete: the
// fields keep their defaults) and the two plug-in lists (null for none).
TConfigDialogData MakeConfigDialogData(const TSettings& settings, const std::string& settingsPath,
                                       const TUserProfile* profile, TPluginList* extendedPlugins,
                                       TPluginList* basicPlugins);

// The confirmed values into the settings and the profile: an interval outside its range keeps
// the old one, and the zoom is kept within its range.
void ApplyConfigDialogData(const TConfigDialogData& data, TSettings& settings,
                           TUserProfile& profile);

// One line per plug-in of the list: GetPluginInfo(0) + " / " + GetPluginInfo(2) (UTF-8). A
// plug-in that fails to answer shows an empty part instead of ending the dialog.
std::vector<std::string> PluginListLines(TPluginList& plugins);

}  // namespace kelmo
