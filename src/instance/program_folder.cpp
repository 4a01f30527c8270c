// The default program folder: portable beside the executable, or the user's own when installed.
#include "instance/program_folder.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace kelmo {
namespace {

// The share folder relative to the executable's folder, from the install layout the program was
// built for (src/instance/CMakeLists.txt).
constexpr const char* kShareFolderFromExecutable = KELMO_SHARE_FROM_BIN;
// Below HOME when XDG_DATA_HOME gives no folder.
constexpr const char* kDefaultDataHome = ".local/share";

// An absolute path from an environment variable, else nothing.
std::filesystem::path AbsoluteVariable(const char* value) {
  if (value == nullptr || *value == '\0' || value[0] != '/') return {};
  return std::filesystem::path(value);
}

std::string WithTrailingSlash(std::string path) {
  if (!path.empty() && path.back() != '/') path.push_back('/');
  return path;
}

}  // namespace

std::string InstalledShareFolder(const std::string& executablePath) {
  const std::filesystem::path folder =
      (std::filesystem::path(executablePath).parent_path() / kShareFolderFromExecutable)
          .lexically_normal();
  std::error_code error;
  if (!folder.is_absolute() || !std::filesystem::is_directory(folder, error)) return {};
  return WithTrailingSlash(folder.string());
}

std::string UserProgramFolder(const char* xdgDataHome, const char* home) {
  std::filesystem::path data = AbsoluteVariable(xdgDataHome);
  if (data.empty()) {
    const std::filesystem::path homeFolder = AbsoluteVariable(home);
    if (homeFolder.empty()) return {};
    data = homeFolder / kDefaultDataHome;
  }
  return (data / kUserFolderName).lexically_normal().string();
}

std::string DefaultProgramFolder(const std::string& executablePath, const char* xdgDataHome,
                                 const char* home) {
  const std::string executableFolder =
      std::filesystem::path(executablePath).parent_path().lexically_normal().string();
  const bool portable =
      InstalledShareFolder(executablePath).empty() && ::access(executableFolder.c_str(), W_OK) == 0;
  if (portable) return executableFolder;
  const std::string user = UserProgramFolder(xdgDataHome, home);
  return user.empty() ? executableFolder : user;
}

}  // namespace kelmo
