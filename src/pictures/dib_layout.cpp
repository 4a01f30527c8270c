// The header is copied out of its block before it is read, so an unaligned block is no fault.
#include "pictures/dib_layout.h"

#include <cstring>

#include "dorrinkelmo/susie_plugin.h"
#include "pictures/picture_limits.h"

namespace kelmo {

static_assert(sizeof(SusieBitmapInfoHeader) == kDibHeaderBytes, "the header is 40 bytes");

std::optional<TDibLayout> ReadDibLayout(const void* info, size_t infoSize, size_t bitsSize) {
  if (info == nullptr || infoSize < kDibHeaderBytes) return std::nullopt;
  SusieBitmapInfoHeader header;
  std::memcpy(&header, info, sizeof header);
  if (header.biSize < kDibHeaderBytes || header.biSize > infoSize) return std::nullopt;
  if (header.biCompression != SUSIE_BI_RGB) return std::nullopt;
  const int bitCount = header.biBitCount;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) {
    return std::nullopt;
  }
  const int64_t width = header.biWidth;
  const int64_t height = header.biHeight < 0 ? -int64_t{header.biHeight} : header.biHeight;
  if (!WithinPictureLimits(width, height)) return std::nullopt;

  TDibLayout layout;
  layout.Width = static_cast<int>(width);
  layout.Height = static_cast<int>(height);
  layout.TopDown = header.biHeight < 0;
  layout.BitCount = bitCount;
  layout.RowBytes = (width * bitCount + 31) / 32 * 4;
  layout.HeaderSize = header.biSize;
  if (layout.BitsBytes() > static_cast<int64_t>(bitsSize)) return std::nullopt;
  if (bitCount > 8) return layout;

  const int64_t maximum = int64_t{1} << bitCount;
  layout.ColourEntries = header.biClrUsed == 0 ? maximum : header.biClrUsed;
  if (layout.ColourEntries > maximum) return std::nullopt;
  if (header.biSize + layout.ColourEntries * int64_t{kDibColourEntryBytes} >
      static_cast<int64_t>(infoSize)) {
    return std::nullopt;
  }
  return layout;
}

}  // namespace kelmo
