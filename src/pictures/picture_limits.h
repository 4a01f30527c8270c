// The limits every picture is held to, whichever decoder reads it: a picture beyond them is
// refused like a broken one (" is invalid bitmap."), before its pixels are allocated. The first
// two are the ones published to decoder authors in dorrinkelmo/susie_plugin.h; the others bound
// what one picture may cost in time and memory while it is decoded.
#pragma once

#include <chrono>
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

// Most pixels of a JPEG picture: 4096 x 4096. A desktop character's picture is rarely larger, and
// a small progressive file can make libjpeg go over every pixel once per scan, so JPEG keeps to a
// tighter bound than the decoders.
inline constexpr int64_t kMaxJpegPixels = int64_t{4096} * 4096;
// Most scans of a JPEG file: a real progressive file has about ten; a file of thousands of empty
// scans costs seconds of work for nothing. Beyond this the file is refused as broken.
inline constexpr int kMaxJpegScans = 100;
// libjpeg's working memory for one picture (its coefficient buffers), besides the picture itself.
inline constexpr long kMaxJpegWorkingBytes = 256L * 1024 * 1024;

// How long the decoder helper may take over one picture before it is killed; the picture then
// fails and the decoder that was working is named in the error log.
inline constexpr std::chrono::milliseconds kDecodeTimeLimit{3000};
// The decoder helper's address space (RLIMIT_AS): enough for the largest picture the limits
// allow, its file and the decoder's own work, not enough to take the desktop down.
inline constexpr uint64_t kDecoderMemoryLimit = uint64_t{1024} * 1024 * 1024;
// Processor seconds the decoder helper may spend on one picture (RLIMIT_CPU, a second guard
// behind the time limit).
inline constexpr int kDecoderCpuSecondsPerPicture = 4;

// Whether a picture of width x height pixels is within the limits (both at least 1).
constexpr bool WithinPictureLimits(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
         width * height * 4 <= kMaxPictureBytes;
}

}  // namespace kelmo
