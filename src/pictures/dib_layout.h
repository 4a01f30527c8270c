// The layout of a decoder's two returned blocks (a bitmap information header with its colour
// table, and the pixel rows), read and checked without touching a pixel. Plain C++, shared by the
// decoder helper, which checks what a decoder returned before it replies, and by the program,
// which checks the reply again before it allocates anything.
//
// All arithmetic on claimed sizes is done in 64 bits after the header's fields are checked one by
// one, so no claim can overflow into a small, "fitting" size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace kelmo {

// Bytes of the bitmap information header the program reads (larger headers of the family are
// accepted and read as their first 40 bytes).
inline constexpr size_t kDibHeaderBytes = 40;
// Bytes of one colour table entry (blue, green, red, reserved).
inline constexpr size_t kDibColourEntryBytes = 4;
// Most colour table entries a picture of 8 bits or fewer can use.
inline constexpr int64_t kDibMaxColourEntries = 256;

// A picture's layout as its header claims it, checked against its blocks.
struct TDibLayout {
  int Width = 0;
  int Height = 0;
  bool TopDown = false;    // rows run top-down (a negative height in the header)
  int BitCount = 0;        // 1, 4, 8, 24 or 32
  int64_t RowBytes = 0;    // one row with its padding to 4 bytes
  uint32_t HeaderSize = 0; // biSize: where the colour table starts in the info block
  int64_t ColourEntries = 0;  // entries of the colour table; 0 above 8 bits

  // Bytes of all rows.
  int64_t BitsBytes() const { return RowBytes * Height; }
};

// The layout that infoSize bytes at info (header, then colour table) claim for a bits block of
// bitsSize bytes. Nothing when info is null, the header is short or of an unknown size, its
// compression is not plain RGB, its bit count is not 1, 4, 8, 24 or 32, a side is 0 or the
// picture is beyond the picture limits, the colour table claims more entries than the bit count
// holds or does not fit the info block, or the rows do not fit bitsSize.
std::optional<TDibLayout> ReadDibLayout(const void* info, size_t infoSize, size_t bitsSize);

}  // namespace kelmo
