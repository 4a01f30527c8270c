// What the package operations share about the program folder's layout: the folders a character
// may not take, the state file's extension, and paths compared in one spelling.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kelmo {

// The extension of a character's state file, which installs keep and packages never hold.
inline constexpr std::string_view kStateFileExtension = ".kls";

// Whether a folder of the program folder whose first component is name is one the program keeps
// for itself ("SPIs": decoders loaded for every character; "plugins": programs it starts), in any
// letter case or width.
bool IsReservedFolder(std::string_view firstComponent);

// The path lexically normal and without a final "/", so that two spellings of one path compare
// equal.
std::filesystem::path NormalPath(const std::string& path);

// Whether path lies strictly below folder (both normal), lexically.
bool IsStrictlyBelow(const std::filesystem::path& path, const std::filesystem::path& folder);

}  // namespace kelmo
