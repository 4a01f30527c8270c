// The loading walk: one throw-away object per line to learn its kind, then AddPlugin.
#include "plugins/plugin_loader.h"

#include <string>
#include <vector>

#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/kelmo_error.h"
#include "charfile/text_file.h"
#include "charfile/text_utils.h"

namespace kelmo {
namespace {

// The ProgIDs listed in the program folder's "Plugins.txt"; none when it is missing or unreadable.
std::vector<std::string> ReadPluginList(const TPluginEnvironment& environment) {
  const std::string path =
      IncludeTrailingDelimiter(environment.ProgramFolder) + std::string(kPluginListFileName);
  if (!DataFileExists(path)) return {};
  try {
    return LoadLines(path);
  } catch (const EFileError&) {
    return {};
  }
}

// GetPluginInfo(1) of a throw-away object of progId, normalised; the object is released here.
std::u16string KindLetters(const TPluginList& list, const std::u16string& progId) {
  TPluginObject probe(list.Environment(), progId, list.CallTimeout());
  return NormalizeText(probe.GetPluginInfo(1));
}

}  // namespace

void LoadPlugins(TPluginList& list, char16_t kindLetter, bool pluginsEnabled) {
  if (!pluginsEnabled) return;
  const char16_t wanted = NormalizeText(std::u16string(1, kindLetter))[0];
  for (const std::string& line : ReadPluginList(list.Environment())) {
    const std::u16string progId = ShiftJisToUtf16(line);
    try {
      if (KindLetters(list, progId).find(wanted) == std::u16string::npos) continue;
    } catch (const EPluginError&) {
      continue;
    }
    list.AddPlugin(progId);
  }
}

}  // namespace kelmo
