// A list of conversation plug-ins: the main window's extended plug-ins for the whole run, or one
// character's basic plug-ins for as long as it is loaded.
//
// The list owns its plug-in objects in loading order; dropping an entry or the list releases the
// objects (their processes end), and no event is sent on release. Plug-in failures are silent
// here: a plug-in that fails to start is not added, a broadcast stops at the first plug-in that
// fails with the text reached so far, and a failing tag expansion gives the empty text. Only the
// settings dialog's calls let a failure through.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "plugins/plugin_object.h"

namespace kelmo {

// The program version announced to plug-ins in "KE_Initialize".
inline constexpr std::string_view kPluginHostVersion = "1.1.1";
// The program file name announced in "apppath=", fixed whatever the running file is called.
inline constexpr std::string_view kPluginHostFileName = "DorrinKelmo.exe";

// One loaded plug-in.
struct TKelmoPlugin {
  // GetPluginInfo(0) after NormalizeText, as 8-bit (Shift-JIS) text; compared by ExpandTag.
  std::string Name;
  std::unique_ptr<TPluginObject> Object;
};

class TPluginList {
 public:
  // An empty list whose plug-ins are told about environment; calls time out after
  // kPluginCallTimeout.
  explicit TPluginList(TPluginEnvironment environment);

  // The same with another call time-out (tests use a short one).
  TPluginList(TPluginEnvironment environment, std::chrono::milliseconds callTimeout);

  TPluginList(const TPluginList&) = delete;
  TPluginList& operator=(const TPluginList&) = delete;

  // Creates a new object from progId, names it from GetPluginInfo(0), sends it "KE_Initialize"
  // with "apppath=", "version=" and "hwndmain=" and appends it. Returns false, leaving the list
  // as it was, when any of that fails.
  bool AddPlugin(const std::u16string& progId);

  // Sends the event to every plug-in in list order, each receiving the text the previous one left;
  // text becomes the last one's. When a plug-in fails, text becomes the text reached so far and
  // the rest are not called. Does nothing on an empty list.
  void Broadcast(const std::u16string& event, std::u16string& text);

  // For "name.tag": asks the first plug-in whose Name equals the normalised text before the first
  // "." for ExpandPluginTag(text after it). The empty text when there is no "." or no such
  // plug-in, or the call fails.
  std::u16string ExpandTag(const std::u16string& text);

  // Number of plug-ins.
  int Count() const { return static_cast<int>(plugins_.size()); }

  // GetPluginInfo(info) of plug-in index (0-based), for the settings dialog. Raises EPluginError
  // when the call fails and std::out_of_range for an index outside the list.
  std::u16string PluginInfo(int index, int info);

  // ConfigurationDialog() of plug-in index. Raises as PluginInfo does.
  void ConfigurationDialog(int index);

  // What the plug-ins are told, and the call time-out (the loader creates its objects alike).
  const TPluginEnvironment& Environment() const { return environment_; }
  std::chrono::milliseconds CallTimeout() const { return callTimeout_; }

 private:
  TPluginObject& At(int index);

  TPluginEnvironment environment_;
  std::chrono::milliseconds callTimeout_;
  std::vector<TKelmoPlugin> plugins_;
};

}  // namespace kelmo
