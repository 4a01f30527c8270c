// A conversation plug-in object as the host sees it: created from a ProgID, answering the four
// methods GetPluginInfo, OnKelmoEvent, ExpandPluginTag and ConfigurationDialog.
//
// A ProgID is the name of an executable in the "plugins" folder of the program folder, used as
// written (no case folding: the file is the plug-in's own, made on this system). A ProgID that
// could name anything outside that folder is refused as a creation failure. Texts cross the
// process boundary as UTF-8 JSON strings and integers as JSON numbers; a method's value becomes
// text as automation would convert it (a string as is, a number or boolean in its JSON spelling,
// null as the empty text), and a text argument passed by reference is read back from the answer.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "plugins/plugin_process.h"

namespace kelmo {

// What the plug-ins are told about their host. The program folder is a Shift-JIS data path ending
// in a delimiter, such as FAppDir.
struct TPluginEnvironment {
  std::string ProgramFolder;
  long long MainWindowHandle = 0;
};

// The folder under the program folder that holds the plug-in executables.
inline constexpr std::string_view kPluginFolderName = "plugins";
// The file under the program folder that receives the plug-ins' standard error.
inline constexpr std::string_view kPluginLogName = "plugins.log";

class TPluginObject {
 public:
  // Starts <program folder>/plugins/<progId> with the program folder as working folder. Raises
  // EPluginError when progId is empty, "." or "..", or holds "/", "\" or NUL, or when the process
  // cannot be started.
  TPluginObject(const TPluginEnvironment& environment, std::u16string_view progId,
                std::chrono::milliseconds callTimeout);

  // GetPluginInfo(index): 0 the name, 1 the kind letters, 2 the short text, 3 the description.
  // Raises EPluginError.
  std::u16string GetPluginInfo(int index);

  // OnKelmoEvent(event, params): params is passed by reference and replaced by the value the
  // plug-in left. The event name travels by value: what the plug-in makes of it is not read
  // back, so every plug-in of a broadcast is told the same event. Raises EPluginError.
  void OnKelmoEvent(std::u16string_view event, std::u16string& params);

  // ExpandPluginTag(tag): the tag's value; tag is passed by reference and replaced by the value
  // the plug-in left. Raises EPluginError.
  std::u16string ExpandPluginTag(std::u16string& tag);

  // ConfigurationDialog(): the plug-in shows its own settings. Raises EPluginError.
  void ConfigurationDialog();

 private:
  TPluginProcess process_;
};

}  // namespace kelmo
