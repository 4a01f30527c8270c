#include "charfile/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "charfile/atomic_file.h"
#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/kelmo_error.h"
#include "charfile/load_listener.h"
#include "charfile/regular_file.h"

namespace kelmo {

std::vector<std::string> SplitLines(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

std::string ReadFileBytes(std::string_view dataPath) {
  return ReadFileSystemBytes(ResolveDataPath(dataPath));
}

std::string ReadFileSystemBytes(const std::string& path) {
  const TFileDescriptor file(OpenRegularFile(path, O_RDONLY));
  std::string content;
  struct stat info;
  if (::fstat(file.Get(), &info) == 0) content.reserve(static_cast<size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t count = ::read(file.Get(), buffer, sizeof buffer);
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      const int failure = errno;
      throw EFileError("cannot read " + path + ": " + std::strerror(failure), path, failure);
    }
    content.append(buffer, static_cast<size_t>(count));
  }
  return content;
}

std::vector<std::string> LoadLines(std::string_view dataPath) {
  return SplitLines(ReadFileBytes(dataPath));
}

std::vector<std::string> SplitDataLines(std::string_view content, TLoadListener* listener) {
  if (!content.starts_with(kUtf8ByteOrderMark)) return SplitLines(content);
  // Line breaks and NUL are single bytes that no other UTF-8 character contains, so the line rule
  // splits UTF-8 as it splits Shift-JIS.
  std::vector<std::string> lines = SplitLines(content.substr(kUtf8ByteOrderMark.size()));
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::u16string wide = Utf8ToUtf16(lines[i]);
    std::string converted = Utf16ToShiftJis(wide);
    if (listener != nullptr) {
      const std::string replaced = UnrepresentableCharacters(wide);
      if (!replaced.empty()) listener->CharactersReplaced(static_cast<int>(i) + 1, replaced);
    }
    lines[i] = std::move(converted);
  }
  return lines;
}

std::vector<std::string> LoadDataLines(std::string_view dataPath, TLoadListener* listener) {
  return SplitDataLines(ReadFileBytes(dataPath), listener);
}

void SaveLines(std::string_view dataPath, const std::vector<std::string>& lines) {
  std::string content;
  for (const std::string& line : lines) {
    content += line;
    content += "\r\n";
  }
  WriteFileAtomically(ResolveDataPath(dataPath), content);
}

}  // namespace kelmo
