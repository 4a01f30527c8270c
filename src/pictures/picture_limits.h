// The limits every picture is held to, whichever decoder reads it: a picture beyond them is
// refused like a broken one (" is invalid bitmap."), before its pixels are allocated. They are the
// ones published to decoder authors in dorrinkelmo/susie_plugin.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dorrinkelmo/susie_plugin.h"

namespace kelmo {

// Widest and highest picture, in pixels.
inline constexpr int64_t kMaxPictureSide = SUSIE_MAX_PICTURE_SIDE;
// Largest picture as 32-bit pixels, in bytes: 64 Mi pixels, e.g. 8192 x 8192.
inline constexpr int64_t kMaxPictureBytes = SUSIE_MAX_PICTURE_BYTES;
// Largest picture file read into memory.
inline constexpr int64_t kMaxPictureFileBytes = 256 * 1024 * 1024;

// Whether a picture of width x height pixels is within the limits (both at least 1).
constexpr bool WithinPictureLimits(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
         width * height * 4 <= kMaxPictureBytes;
}

}  // namespace kelmo
