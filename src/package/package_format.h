// How the desktop and the command line know a package: a ZIP archive with its own file name
// extension and MIME type (a sub-class of application/zip), registered by the desktop entry.
#pragma once

#include <string_view>

namespace kelmo {

inline constexpr std::string_view kPackageExtension = ".klz";
inline constexpr std::string_view kPackageMimeType = "application/x-dorrinkelmo-package";

}  // namespace kelmo
