// Validation and plug-in lines of the settings dialog.
#include "shell/config_dialog.h"

#include <algorithm>
#include <exception>

#include "charfile/code_page.h"
#include "charfile/date_time.h"
#include "engine/user_profile.h"
#include "plugins/plugin_list.h"
#include "shell/settings.h"

namespace kelmo {
namespace {

// GetPluginInfo indices shown in a plug-in's line.
constexpr int kInfoName = 0;
constexpr int kInfoShortText = 2;

std::string PluginInfoText(TPluginList& plugins, int index, int info) {
  try {
    return Utf16ToUtf8(plugins.PluginInfo(index, info));
  } catch (const std::exception&) {
    return {};  // a plug-in that cannot answer keeps its line, empty where the answer would be
  }
}

}  // namespace

std::string ValidateConfig(const TConfigDialogData& data) {
  for (const std::string* name :
       {&data.Surname, &data.GivenName, &data.HandleName, &data.Nickname}) {
    if (name->empty()) return std::string(kEmptyFieldMessage);
  }
  TDateTime birthday = 0;
  if (!TryEncodeDateTime(TDateTimeParts{data.BirthYear, data.BirthMonth, data.BirthDay},
                         birthday)) {
    return std::string(kInvalidDateMessage);
  }
  return {};
}

std::vector<std::string> PluginListLines(TPluginList& plugins) {
  std::vector<std::string> lines;
  for (int index = 0; index < plugins.Count(); ++index) {
    lines.push_back(PluginInfoText(plugins, index, kInfoName) + " / " +
                    PluginInfoText(plugins, index, kInfoShortText));
  }
  return lines;
}

TConfigDialogData MakeConfigDialogData(const TSettings& settings, const std::string& settingsPath,
                                       const TUserProfile* profile, TPluginList* extendedPlugins,
                                       TPluginList* basicPlugins) {
  TConfigDialogData data;
  data.FontName = ShiftJisToUtf8(settings.FontName);
  data.FontSize = settings.FontSize;
  data.Interval = settings.Speed;
  data.Zoom = settings.Zoom;
  data.DesktopMode = settings.DesktopMode;
  data.ExtensionChar = ReadExtensionChar(settingsPath);
  data.AllowExecute = ReadSettings(settingsPath).AllowExecute;
  data.LogKeep = settings.LogKeep;
  data.PlaySound = settings.PlaySound;
  if (profile != nullptr) {
    data.Surname = ShiftJisToUtf8(profile->Surname);
    data.GivenName = ShiftJisToUtf8(profile->GivenName);
    data.HandleName = ShiftJisToUtf8(profile->HandleName);
    data.Nickname = ShiftJisToUtf8(profile->Nickname);
    data.IsMale = profile->IsMale;
    const TDateTimeParts birthday = DecodeDateTime(profile->Birthday);
    data.BirthYear = std::clamp(birthday.Year, kMinBirthYear, kMaxBirthYear);
    data.BirthMonth = birthday.Month;
    data.BirthDay = birthday.Day;
  }
  data.PluginsEnabled = settings.PluginsEnabled;
  data.ExtendedPlugins = extendedPlugins;
  data.BasicPlugins = basicPlugins;
  return data;
}

void ApplyConfigDialogData(const TConfigDialogData& data, TSettings& settings,
                           TUserProfile& profile) {
  settings.FontName = Utf8ToShiftJis(data.FontName);
  settings.FontSize = std::clamp(data.FontSize, kMinFontSize, kMaxFontSize);
  if (data.Interval > kIntervalLowerExclusive && data.Interval < kIntervalUpperExclusive) {
    settings.Speed = data.Interval;
  }
  settings.Zoom = std::clamp(data.Zoom, kMinZoom, kMaxZoom);
  settings.DesktopMode = data.DesktopMode;
  settings.PlaySound = data.PlaySound;
  settings.PluginsEnabled = data.PluginsEnabled;
  settings.AllowExecute = data.AllowExecute;
  settings.LogKeep = data.LogKeep;
  profile.Surname = Utf8ToShiftJis(data.Surname);
  profile.GivenName = Utf8ToShiftJis(data.GivenName);
  profile.HandleName = Utf8ToShiftJis(data.HandleName);
  profile.Nickname = Utf8ToShiftJis(data.Nickname);
  profile.IsMale = data.IsMale;
  TryEncodeDateTime(TDateTimeParts{data.BirthYear, data.BirthMonth, data.BirthDay},
                    profile.Birthday);
}

}  // namespace kelmo
