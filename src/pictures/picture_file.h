// Reading a picture file whole into memory, the first step of every decoder.
#pragma once

#include <optional>
#include <string>

namespace kelmo {

// The bytes of the regular file at the UTF-8 file-system path. Nothing when it is no regular file
// (checked without blocking on a pipe or device), cannot be read, or is larger than
// kMaxPictureFileBytes.
std::optional<std::string> ReadPictureFile(const std::string& path);

// The bytes of the open regular file, read from its start (the decoder helper reads the file the
// program hands it this way). Nothing when it is no regular file, is larger than
// kMaxPictureFileBytes or cannot be read.
std::optional<std::string> ReadPictureDescriptor(int file);

}  // namespace kelmo
