// Validation and plug-in lines of the settings dialog.
#include "shell/config_dialog.h"

#include <exception>

#include "charfile/code_page.h"
#include "charfile/date_time.h"
#include "plugins/plugin_list.h"

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

}  // namespace kelmo
