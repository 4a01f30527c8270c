// Component-wise resolution reads directories only when a path does not exist as written, so the
// common case costs one stat. A folder that is read is read whole, its names normalised into a
// table the resolver keeps.
#include "charfile/data_path.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "charfile/code_page.h"
#include "charfile/kelmo_error.h"
#include "charfile/text_utils.h"

namespace kelmo {
namespace {

bool PathExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

// How a directory entry's name compares: normalised UTF-16, read as UTF-8 or else as Shift-JIS.
std::u16string ComparableEntryName(const char* name) {
  const std::string_view text(name);
  return NormalizeText(IsValidUtf8(text) ? Utf8ToUtf16(text) : ShiftJisToUtf16(text));
}

// Calls visit(name) for the entries of folder in directory order, "." and ".." left out.
template <class TVisit>
void ForEachEntry(const std::string& folder, TVisit&& visit) {
  DIR* directory = ::opendir(folder.empty() ? "." : folder.c_str());
  if (directory == nullptr) return;
  while (const dirent* entry = ::readdir(directory)) {
    // "．．" normalises to "..": matching it would let a data path climb out of its folder.
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    visit(entry->d_name);
  }
  ::closedir(directory);
}

std::vector<std::string> SplitComponents(std::string_view path) {
  std::vector<std::string> components;
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = path.find('/', start);
    const size_t stop = end == std::string_view::npos ? path.size() : end;
    if (stop > start) components.emplace_back(path.substr(start, stop - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return components;
}

bool IsDelimiter(char c) { return c == '/' || c == '\\'; }

// Byte offset just after the last delimiter, walking characters; 0 when there is none.
size_t FileNameStart(std::string_view dataPath) {
  size_t start = 0;
  for (size_t i = 0; i < dataPath.size();) {
    const size_t length = ShiftJisCharLength(dataPath, i);
    if (length == 1 && IsDelimiter(dataPath[i])) start = i + 1;
    i += length;
  }
  return start;
}

}  // namespace

std::string ToFileSystemPath(std::string_view dataPath) {
  std::u16string wide = ShiftJisToUtf16(dataPath);
  for (char16_t& c : wide) {
    if (c == u'\\') c = u'/';
  }
  return Utf16ToUtf8(wide);
}

std::string FromFileSystemPath(std::string_view fileSystemPath) {
  return Utf8ToShiftJis(fileSystemPath);
}

std::string ResolveDataPath(std::string_view dataPath) {
  return TPathResolver().Resolve(dataPath);
}

std::string TPathResolver::Resolve(std::string_view dataPath) {
  const std::string written = ToFileSystemPath(dataPath);
  if (written.empty() || PathExists(written)) return written;
  const bool absolute = written[0] == '/';
  const std::vector<std::string> components = SplitComponents(written);
  std::string resolved = absolute ? "/" : "";
  bool searching = true;
  for (size_t i = 0; i < components.size(); ++i) {
    const std::string& component = components[i];
    std::string next = resolved + component;
    if (searching && component != "." && component != ".." && !PathExists(next)) {
      const std::string found = FindEntry(resolved, component);
      if (found.empty()) {
        searching = false;
      } else {
        next = resolved + found;
      }
    }
    resolved = next;
    if (i + 1 < components.size()) resolved += '/';
  }
  if (written.back() == '/' && resolved.back() != '/') resolved += '/';
  return resolved;
}

std::string TPathResolver::FindEntry(const std::string& folder, std::string_view wanted) {
  auto [names, unread] = folders_.try_emplace(folder);
  if (unread) {
    ++folderReads_;
    ForEachEntry(folder, [&names = names->second](const char* name) {
      names.try_emplace(ComparableEntryName(name), name);
    });
  }
  const auto found = names->second.find(NormalizeText(Utf8ToUtf16(wanted)));
  return found == names->second.end() ? std::string() : found->second;
}

bool DataFileExists(std::string_view dataPath) {
  struct stat info;
  return ::stat(ResolveDataPath(dataPath).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool DataDirectoryExists(std::string_view dataPath) {
  struct stat info;
  return ::stat(ResolveDataPath(dataPath).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void DeleteDataFile(std::string_view dataPath) {
  const std::string path = ResolveDataPath(dataPath);
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    const int failure = errno;
    throw EFileError("cannot delete " + path + ": " + std::strerror(failure), path, failure);
  }
}

std::string ExtractDirectory(std::string_view dataPath) {
  return std::string(dataPath.substr(0, FileNameStart(dataPath)));
}

std::string ExtractFileName(std::string_view dataPath) {
  return std::string(dataPath.substr(FileNameStart(dataPath)));
}

std::string IncludeTrailingDelimiter(std::string_view dataPath) {
  // An empty directory is the current one, not the root.
  if (dataPath.empty()) return "./";
  std::string out(dataPath);
  if (FileNameStart(out) != out.size()) out += '/';
  return out;
}

std::string ChangeFileExtension(std::string_view dataPath, std::string_view extension) {
  const size_t nameStart = FileNameStart(dataPath);
  size_t dot = std::string_view::npos;
  for (size_t i = nameStart; i < dataPath.size();) {
    const size_t length = ShiftJisCharLength(dataPath, i);
    if (length == 1 && dataPath[i] == '.') dot = i;
    i += length;
  }
  std::string out(dataPath.substr(0, dot == std::string_view::npos ? dataPath.size() : dot));
  out += extension;
  return out;
}

}  // namespace kelmo
