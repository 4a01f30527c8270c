// Reading and writing data files as whole lists of lines.
//
// The line rule: a line ends at CR LF, at a lone CR or at a lone LF; a NUL byte ends the text;
// the text after the last line break forms a last line only when it is not empty. Lines are
// written back with CR LF after each one, as the data files were made on Windows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelmo {

// Splits bytes into lines by the line rule.
std::vector<std::string> SplitLines(std::string_view text);

// The whole content of the file a data path names. Raises EFileError when it cannot be read or
// is no regular file.
std::string ReadFileBytes(std::string_view dataPath);

// The same for a UTF-8 file-system path, taken as it is.
std::string ReadFileSystemBytes(const std::string& path);

// ReadFileBytes split by the line rule.
std::vector<std::string> LoadLines(std::string_view dataPath);

// Replaces the file with the lines, each followed by CR LF, atomically. Raises EFileWriteError.
void SaveLines(std::string_view dataPath, const std::vector<std::string>& lines);

}  // namespace kelmo
