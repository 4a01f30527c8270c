#include "package/package_paths.h"

#include "package/package_reader.h"
#include "plugins/plugin_object.h"

namespace kelmo {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kReservedFolders[] = {"SPIs", kPluginFolderName};

}  // namespace

bool IsReservedFolder(std::string_view firstComponent) {
  const std::u16string key = EntryNameKey(firstComponent);
  for (const std::string_view reserved : kReservedFolders) {
    if (key == EntryNameKey(reserved)) return true;
  }
  return false;
}

fs::path NormalPath(const std::string& path) {
  fs::path normal = fs::path(path).lexically_normal();
  if (!normal.has_filename() && normal.has_parent_path()) normal = normal.parent_path();
  return normal;
}

bool IsStrictlyBelow(const fs::path& path, const fs::path& folder) {
  const fs::path relative = path.lexically_relative(folder);
  return !relative.empty() && relative != "." && *relative.begin() != "..";
}

}  // namespace kelmo
