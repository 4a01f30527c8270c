// The keys of "Kelmo.ini" and the profile text. Reading takes each value from the file with its
// default; writing goes through TIniFile, which keeps unknown sections and keys and replaces the
// file atomically.
#include "shell/settings.h"

#include <algorithm>
#include <vector>

#include "charfile/code_page.h"
#include "charfile/ini_file.h"
#include "charfile/text_file.h"
#include "charfile/text_utils.h"
#include "engine/date_text.h"

namespace kelmo {
namespace {

// Sections and keys of the settings file.
constexpr std::string_view kWindowSection = "Window";
constexpr std::string_view kTopKey = "Top";
constexpr std::string_view kLeftKey = "Left";
constexpr std::string_view kStayOnTopKey = "StayOnTop";
constexpr std::string_view kMainSection = "Main";
constexpr std::string_view kPlaySoundKey = "PlaySound";
constexpr std::string_view kPluginKey = "Plugin";
constexpr std::string_view kAllowExecuteKey = "AllowExecute";
constexpr std::string_view kExtensionCharKey = "ExtensionChar";
constexpr std::string_view kZoomKey = "Zoom";
constexpr std::string_view kDesktopModeKey = "DesktopMode";
constexpr std::string_view kLogSection = "Log";
constexpr std::string_view kKeepKey = "Keep";
constexpr std::string_view kBalloonSection = "Balloon";
constexpr std::string_view kFontNameKey = "FontName";
constexpr std::string_view kFontSizeKey = "FontSize";
constexpr std::string_view kSpeedKey = "Speed";
constexpr std::string_view kUserSection = "User";
constexpr std::string_view kUserKey = "User";

// The fifth profile line of a female user.
constexpr std::string_view kFemaleLine = "Female";
constexpr std::string_view kCrLf = "\r\n";

}  // namespace

std::string DefaultFontName() {
  return Utf8ToShiftJis("ＭＳ ゴシック");
}

TSettings ReadSettings(const std::string& path) {
  const TIniFile ini(path);
  TSettings settings;
  settings.Top = ini.ReadInteger(kWindowSection, kTopKey, settings.Top);
  settings.Left = ini.ReadInteger(kWindowSection, kLeftKey, settings.Left);
  settings.StayOnTop = ini.ReadBool(kWindowSection, kStayOnTopKey, settings.StayOnTop);
  settings.PlaySound = ini.ReadBool(kMainSection, kPlaySoundKey, settings.PlaySound);
  settings.PluginsEnabled = ini.ReadBool(kMainSection, kPluginKey, settings.PluginsEnabled);
  settings.AllowExecute = ini.ReadBool(kMainSection, kAllowExecuteKey, settings.AllowExecute);
  settings.Zoom =
      std::clamp(ini.ReadInteger(kMainSection, kZoomKey, settings.Zoom), kMinZoom, kMaxZoom);
  settings.DesktopMode = ini.ReadBool(kMainSection, kDesktopModeKey, settings.DesktopMode);
  settings.LogKeep = ini.ReadBool(kLogSection, kKeepKey, settings.LogKeep);
  settings.FontName = ini.ReadString(kBalloonSection, kFontNameKey, settings.FontName);
  settings.FontSize = std::clamp(ini.ReadInteger(kBalloonSection, kFontSizeKey, settings.FontSize),
                                 kMinFontSize, kMaxFontSize);
  settings.Speed = ini.ReadInteger(kBalloonSection, kSpeedKey, settings.Speed);
  // A timer cannot run at 0 ms, nor at a negative interval.
  if (settings.Speed < 1) settings.Speed = kDefaultSpeed;
  settings.Speed = std::min(settings.Speed, kMaxSpeed);
  settings.UserProfileText =
      ReplaceAll(ini.ReadString(kUserSection, kUserKey, ""), kProfileLineBreak, kCrLf);
  return settings;
}

void WriteSettings(const std::string& path, const TSettings& settings, bool writeProfile,
                   const std::string& profileText) {
  TIniFile ini(path);
  if (writeProfile) {
    ini.WriteString(kUserSection, kUserKey, ReplaceAll(profileText, kCrLf, kProfileLineBreak));
  }
  ini.WriteInteger(kWindowSection, kTopKey, settings.Top);
  ini.WriteInteger(kWindowSection, kLeftKey, settings.Left);
  ini.WriteBool(kWindowSection, kStayOnTopKey, settings.StayOnTop);
  ini.WriteBool(kMainSection, kPlaySoundKey, settings.PlaySound);
  ini.WriteBool(kLogSection, kKeepKey, settings.LogKeep);
  ini.WriteString(kBalloonSection, kFontNameKey, settings.FontName);
  ini.WriteInteger(kBalloonSection, kFontSizeKey, settings.FontSize);
  ini.WriteInteger(kBalloonSection, kSpeedKey, settings.Speed);
  ini.WriteBool(kMainSection, kPluginKey, settings.PluginsEnabled);
  ini.WriteBool(kMainSection, kAllowExecuteKey, settings.AllowExecute);
  ini.WriteInteger(kMainSection, kZoomKey, settings.Zoom);
  ini.WriteBool(kMainSection, kDesktopModeKey, settings.DesktopMode);
  ini.UpdateFile();
}

bool ReadExtensionChar(const std::string& path) {
  return TIniFile(path).ReadBool(kMainSection, kExtensionCharKey, false);
}

void WriteDialogSwitches(const std::string& path, bool extensionChar, bool allowExecute,
                         bool pluginsEnabled) {
  TIniFile ini(path);
  ini.WriteBool(kMainSection, kExtensionCharKey, extensionChar);
  ini.WriteBool(kMainSection, kAllowExecuteKey, allowExecute);
  ini.WriteBool(kMainSection, kPluginKey, pluginsEnabled);
  ini.UpdateFile();
}

bool ParseUserProfile(std::string_view text, TUserProfile& profile) {
  const std::vector<std::string> lines = SplitLines(text);
  if (lines.size() < 6) return false;
  for (size_t i = 0; i < 4; ++i) {
    if (lines[i].empty()) return false;
  }
  TUserProfile parsed;
  parsed.Surname = lines[0];
  parsed.GivenName = lines[1];
  parsed.HandleName = lines[2];
  parsed.Nickname = lines[3];
  parsed.IsMale = lines[4].empty();
  // A time alone reads as a date-time too, but it is no birthday.
  const bool isDate = lines[5].find('/') != std::string::npos;
  if (!isDate || !TryReadDateTime(ShiftJisToUtf16(lines[5]), parsed.Birthday)) {
    TryEncodeDateTime(TDateTimeParts{kFallbackBirthYear, 1, 1}, parsed.Birthday);
  }
  profile = parsed;
  return true;
}

std::string FormatUserProfile(const TUserProfile& profile) {
  std::string text;
  for (const std::string* line :
       {&profile.Surname, &profile.GivenName, &profile.HandleName, &profile.Nickname}) {
    text.append(*line).append(kCrLf);
  }
  text.append(profile.IsMale ? "" : kFemaleLine).append(kCrLf);
  text.append(FormatDate(profile.Birthday));
  return text;
}

}  // namespace kelmo
