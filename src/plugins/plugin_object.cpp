// The four plug-in methods on top of the JSON-RPC exchange, and the conversions between the
// program's wide texts and the JSON values on the wire.
#include "plugins/plugin_object.h"

#include <sys/stat.h>
#include <unistd.h>

#include "charfile/code_page.h"
#include "charfile/data_path.h"

namespace kelmo {
namespace {

// Refuses a ProgID that would name a file outside the plug-in folder (or no file at all).
void CheckProgId(std::u16string_view progId) {
  const bool leavesFolder = progId.empty() || progId == u"." || progId == u".." ||
                            progId.find_first_of(u"/\\") != std::u16string_view::npos ||
                            progId.find(u'\0') != std::u16string_view::npos;
  if (leavesFolder) throw EPluginError("invalid plug-in name: " + Utf16ToUtf8(progId));
}

// The plug-in's executable file. Checked before anything is started, so that a long list of
// names that do not exist costs a look-up each, not a process start each.
std::string ExecutablePath(const TPluginEnvironment& environment, std::u16string_view progId) {
  CheckProgId(progId);
  const std::string folder = ResolveDataPath(IncludeTrailingDelimiter(environment.ProgramFolder) +
                                             std::string(kPluginFolderName));
  const std::string path = folder + "/" + Utf16ToUtf8(progId);
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
      ::access(path.c_str(), X_OK) != 0) {
    throw EPluginError("no executable plug-in " + path);
  }
  return path;
}

std::string ProgramFolderPath(const TPluginEnvironment& environment) {
  return ResolveDataPath(IncludeTrailingDelimiter(environment.ProgramFolder));
}

std::string LogPath(const TPluginEnvironment& environment) {
  return ResolveDataPath(IncludeTrailingDelimiter(environment.ProgramFolder) +
                         std::string(kPluginLogName));
}

nlohmann::json ToJson(std::u16string_view text) {
  return Utf16ToUtf8(text);
}

// A method's value as text: a string as is, a number or boolean in its JSON spelling, null as
// the empty text. Arrays and objects have no text form, as automation would refuse them.
std::u16string ValueToText(const nlohmann::json& value) {
  if (value.is_string()) return Utf8ToUtf16(value.get_ref<const std::string&>());
  if (value.is_null()) return {};
  if (value.is_number() || value.is_boolean()) return Utf8ToUtf16(value.dump());
  throw EPluginError("plug-in value has no text form: " + value.dump());
}

// The text a by-reference argument holds after the call; it must still be a text.
std::u16string ReadBack(const nlohmann::json& params, size_t index) {
  const nlohmann::json& value = params.at(index);
  if (!value.is_string())
    throw EPluginError("plug-in changed a text argument into " + value.dump());
  return Utf8ToUtf16(value.get_ref<const std::string&>());
}

}  // namespace

TPluginObject::TPluginObject(const TPluginEnvironment& environment, std::u16string_view progId,
                             std::chrono::milliseconds callTimeout)
    : process_(ExecutablePath(environment, progId), ProgramFolderPath(environment),
               LogPath(environment), callTimeout) {}

std::u16string TPluginObject::GetPluginInfo(int index) {
  nlohmann::json params = nlohmann::json::array({index});
  return ValueToText(process_.Invoke("GetPluginInfo", params));
}

void TPluginObject::OnKelmoEvent(std::u16string_view event, std::u16string& params) {
  nlohmann::json arguments = nlohmann::json::array({ToJson(event), ToJson(params)});
  process_.Invoke("OnKelmoEvent", arguments);
  params = ReadBack(arguments, 1);
}

std::u16string TPluginObject::ExpandPluginTag(std::u16string& tag) {
  nlohmann::json params = nlohmann::json::array({ToJson(tag)});
  std::u16string value = ValueToText(process_.Invoke("ExpandPluginTag", params));
  tag = ReadBack(params, 0);
  return value;
}

void TPluginObject::ConfigurationDialog() {
  nlohmann::json params = nlohmann::json::array();
  process_.Invoke("ConfigurationDialog", params);
}

}  // namespace kelmo
