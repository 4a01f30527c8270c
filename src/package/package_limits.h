// The bounds a package must stay within. A package is the most hostile input the program reads,
// and it is unpacked into the user's program folder, so what it may cost is fixed before the
// first byte is written: a package past any bound is refused whole and leaves nothing behind.
#pragma once

#include <cstdint>

namespace kelmo {

// Entries a package may hold (files and folders together).
inline constexpr int64_t kMaxPackageEntries = 20000;
// Bytes all entries may unpack to together (1 GiB).
inline constexpr int64_t kMaxUnpackedBytes = int64_t{1} << 30;
// How many times its packed size one entry may unpack to: more is a compression bomb.
inline constexpr int64_t kMaxCompressionRatio = 200;
// Entries are held to kMaxCompressionRatio once they unpack past this many bytes (1 MiB): a short
// text of blanks packs far better than 200 to 1, and kMaxUnpackedBytes bounds the small ones.
inline constexpr int64_t kCompressionCheckFloor = int64_t{1} << 20;

// The bounds in force; tests narrow them to reach a bound cheaply.
struct TPackageLimits {
  int64_t MaxEntries = kMaxPackageEntries;
  int64_t MaxUnpackedBytes = kMaxUnpackedBytes;
  int64_t MaxCompressionRatio = kMaxCompressionRatio;
  int64_t CompressionCheckFloor = kCompressionCheckFloor;
};

}  // namespace kelmo
