// TPluginList: creation with "KE_Initialize", the chained broadcast and tag expansion by name.
#include "plugins/plugin_list.h"

#include <stdexcept>
#include <utility>

#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/text_utils.h"

namespace kelmo {
namespace {

// The normalised wide text as the 8-bit text names are stored and compared in.
std::string NormalizedName(std::u16string_view text) {
  return Utf16ToShiftJis(NormalizeText(text));
}

// The parameter text of "KE_Initialize" as 8-bit text, each value escaped: the program file is
// the fixed name in the program folder, the handle a signed decimal number.
std::string InitializeParameters(const TPluginEnvironment& environment) {
  const std::string programFile =
      IncludeTrailingDelimiter(environment.ProgramFolder) + std::string(kPluginHostFileName);
  return "apppath=" + EscapeParam(programFile) + "&version=" + EscapeParam(kPluginHostVersion) +
         "&hwndmain=" + EscapeParam(std::to_string(environment.MainWindowHandle));
}

}  // namespace

TPluginList::TPluginList(TPluginEnvironment environment)
    : TPluginList(std::move(environment), kPluginCallTimeout) {}

TPluginList::TPluginList(TPluginEnvironment environment, std::chrono::milliseconds callTimeout)
    : environment_(std::move(environment)), callTimeout_(callTimeout) {}

bool TPluginList::AddPlugin(const std::u16string& progId) {
  // Every failure, whatever its kind, only means this plug-in is not added.
  try {
    auto object = std::make_unique<TPluginObject>(environment_, progId, callTimeout_);
    std::string name = NormalizedName(object->GetPluginInfo(0));
    std::u16string parameters = ShiftJisToUtf16(InitializeParameters(environment_));
    object->OnKelmoEvent(u"KE_Initialize", parameters);
    plugins_.push_back({std::move(name), std::move(object)});
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void TPluginList::Broadcast(const std::u16string& event, std::u16string& text) {
  if (plugins_.empty()) return;
  std::u16string working = text;
  try {
    for (TKelmoPlugin& plugin : plugins_) plugin.Object->OnKelmoEvent(event, working);
  } catch (const EPluginError&) {
    // The plug-ins before the failing one have had their say; the rest are skipped.
  }
  text = std::move(working);
}

std::u16string TPluginList::ExpandTag(const std::u16string& text) {
  const size_t dot = text.find(u'.');
  if (plugins_.empty() || dot == std::u16string::npos) return {};
  const std::string name = NormalizedName(std::u16string_view(text).substr(0, dot));
  for (TKelmoPlugin& plugin : plugins_) {
    if (plugin.Name != name) continue;
    std::u16string tag = text.substr(dot + 1);
    try {
      return plugin.Object->ExpandPluginTag(tag);
    } catch (const EPluginError&) {
      return {};
    }
  }
  return {};
}

TPluginObject& TPluginList::At(int index) {
  if (index < 0 || index >= Count()) {
    throw std::out_of_range("no plug-in number " + std::to_string(index));
  }
  return *plugins_[static_cast<size_t>(index)].Object;
}

std::u16string TPluginList::PluginInfo(int index, int info) {
  return At(index).GetPluginInfo(info);
}

void TPluginList::ConfigurationDialog(int index) {
  At(index).ConfigurationDialog();
}

}  // namespace kelmo
