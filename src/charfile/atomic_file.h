// Files the program writes (state files, the settings file, the error log) are replaced in one
// step: the new content goes to a temporary file in the same folder, is flushed to disk, and is
// renamed over the old file. A crash leaves either the old file or the new one, never half of one.
#pragma once

#include <string>
#include <string_view>

namespace kelmo {

// Replaces the file at the UTF-8 file-system path with content. Raises EFileError (and leaves the
// old file untouched) when the folder cannot be written.
void WriteFileAtomically(const std::string& fileSystemPath, std::string_view content);

}  // namespace kelmo
