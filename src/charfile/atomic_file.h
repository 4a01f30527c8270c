// Files the program writes (state files, the settings file, the error log) are replaced in one
// step: the new content goes to a temporary file in the same folder, is flushed to disk, and is
// renamed over the old file. A crash leaves either the old file or the new one, never half of one.
//
// A crash between creating the temporary file and renaming it leaves the temporary file behind.
// Its name is one only this program gives, hidden and derived from the file it stands in for
// (".Kelmo.ini.kelmo-tmp-Ab3dEf" for "Kelmo.ini"), so the next save of that file removes what
// earlier saves left, and nothing else.
#pragma once

#include <string>
#include <string_view>

namespace kelmo {

// What a temporary file's name holds between the hidden name of the file and its random part.
inline constexpr std::string_view kTemporaryFileMark = ".kelmo-tmp-";

// Replaces the file at the UTF-8 file-system path with content, first removing the temporary
// files earlier saves of it left. Raises EFileWriteError (and leaves the old file untouched) when
// the folder cannot be written.
void WriteFileAtomically(const std::string& fileSystemPath, std::string_view content);

// The same for a file that must not exist yet: returns false, writing nothing, when a file (or
// anything else) of that name exists, also one that appeared while the content was written.
bool WriteNewFileAtomically(const std::string& fileSystemPath, std::string_view content);

}  // namespace kelmo
