// Paths are compared after std::filesystem::weakly_canonical, which resolves ".." and symbolic
// links as far as the path exists, and then as whole components: "/a/bc" is not inside "/a/b".
#include "charfile/data_root.h"

#include <filesystem>

#include "charfile/data_path.h"

namespace kelmo {
namespace {

// The resolved path, or the empty text when it cannot be resolved at all.
std::string Resolved(const std::string& path) {
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
  if (error) return {};
  std::string text = resolved.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

bool IsWithin(const std::string& resolvedPath, const std::string& resolvedRoot) {
  if (resolvedPath.empty() || resolvedRoot.empty()) return false;
  if (resolvedRoot == "/") return resolvedPath.front() == '/';
  return resolvedPath == resolvedRoot ||
         (resolvedPath.starts_with(resolvedRoot) && resolvedPath[resolvedRoot.size()] == '/');
}

}  // namespace

TDataRoot::TDataRoot(const std::string& folder) : path_(Resolved(folder.empty() ? "." : folder)) {}

TDataRoot TDataRoot::ForCharacter(std::string_view definitionPath, std::string_view programFolder) {
  TDataRoot program(ResolveDataPath(IncludeTrailingDelimiter(programFolder)));
  if (program.Contains(ResolveDataPath(definitionPath))) return program;
  return TDataRoot(ResolveDataPath(IncludeTrailingDelimiter(ExtractDirectory(definitionPath))));
}

std::string TDataRoot::OutsideMessage(std::string_view dataPath) const {
  return std::string(dataPath) + " is outside " + FromFileSystemPath(path_) +
         " and is treated as missing.";
}

bool TDataRoot::Contains(const std::string& fileSystemPath) const {
  return IsWithin(Resolved(fileSystemPath.empty() ? "." : fileSystemPath), path_);
}

}  // namespace kelmo
