// Reading and writing data files as whole lists of lines.
//
// The line rule: a line ends at CR LF, at a lone CR or at a lone LF; a NUL byte ends the text;
// the text after the last line break forms a last line only when it is not empty. Lines are
// written back with CR LF after each one, as the data files were made on Windows.
//
// Files that authors write (definition, dictionary and petting files) are Shift-JIS, or UTF-8 when
// they begin with the UTF-8 byte order mark: such a file is converted to Shift-JIS line by line as
// it is read, so the rest of the program never sees UTF-8. Files the program writes stay Shift-JIS.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelmo {

class TLoadListener;

// The mark that makes a data file UTF-8.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Splits bytes into lines by the line rule.
std::vector<std::string> SplitLines(std::string_view text);

// The whole content of the file a data path names. Raises EFileError when it cannot be read or
// is no regular file.
std::string ReadFileBytes(std::string_view dataPath);

// The same for a UTF-8 file-system path, taken as it is.
std::string ReadFileSystemBytes(const std::string& path);

// ReadFileBytes split by the line rule.
std::vector<std::string> LoadLines(std::string_view dataPath);

// The lines of a data file an author writes, from its content: split by the line rule, and, when
// the content begins with kUtf8ByteOrderMark, read as UTF-8 (the mark dropped) and converted to
// Shift-JIS, a character that code page 932 cannot hold, or a byte that is no UTF-8, becoming the
// geta mark 〓 (code_page.h).
// listener (may be null) hears of every line where that happened.
std::vector<std::string> SplitDataLines(std::string_view content, TLoadListener* listener);

// SplitDataLines of the file the data path names. Raises EFileError as ReadFileBytes.
std::vector<std::string> LoadDataLines(std::string_view dataPath,
                                       TLoadListener* listener = nullptr);

// Replaces the file with the lines, each followed by CR LF, atomically. Raises EFileWriteError.
void SaveLines(std::string_view dataPath, const std::vector<std::string>& lines);

}  // namespace kelmo
