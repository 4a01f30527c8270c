// Reading a picture file whole into memory, the first step of every decoder.
#pragma once

#include <optional>
#include <string>

namespace kelmo {

// The bytes of the regular file at the UTF-8 file-system path. Nothing when it is no regular file
// (checked without blocking on a pipe or device), cannot be read, or is larger than
// kMaxPictureFileBytes.
std::optional<std::string> ReadPictureFile(const std::string& path);

}  // namespace kelmo
