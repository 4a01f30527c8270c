// Conversion of bitmap blocks. All arithmetic on claimed sizes is done in 64 bits after the
// header's fields are checked one by one, so no claim can overflow into a small, "fitting" size.
#include "pictures/dib_image.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "dorrinkelmo/susie_plugin.h"
#include "pictures/picture_limits.h"

namespace kelmo {
namespace {

static_assert(sizeof(SusieBitmapInfoHeader) == 40, "the header is 40 bytes on the wire");

// The layout of the blocks, once checked.
struct TDibLayout {
  int Width = 0;
  int Height = 0;
  bool TopDown = false;
  int BitCount = 0;
  int64_t RowBytes = 0;  // one row with its padding
};

// The layout the header claims, or false when it is not one we read within the limits.
bool CheckHeader(const SusieBitmapInfoHeader& header, size_t bitsSize, TDibLayout& layout) {
  if (header.biCompression != SUSIE_BI_RGB) return false;
  const int bitCount = header.biBitCount;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) {
    return false;
  }
  const int64_t width = header.biWidth;
  const int64_t height = header.biHeight < 0 ? -int64_t{header.biHeight} : header.biHeight;
  if (!WithinPictureLimits(width, height)) return false;
  layout.Width = static_cast<int>(width);
  layout.Height = static_cast<int>(height);
  layout.TopDown = header.biHeight < 0;
  layout.BitCount = bitCount;
  layout.RowBytes = (width * bitCount + 31) / 32 * 4;
  return layout.RowBytes * height <= static_cast<int64_t>(bitsSize);
}

// The colour table for an indexed picture, always 256 entries: those the block holds, then black.
// False when the claimed table does not fit the block.
bool ReadColourTable(const SusieBitmapInfoHeader& header, const unsigned char* info,
                     size_t infoSize, QList<QRgb>& table) {
  const int64_t maximum = int64_t{1} << header.biBitCount;
  const int64_t entries = header.biClrUsed == 0 ? maximum : header.biClrUsed;
  if (entries > maximum) return false;
  if (header.biSize + entries * int64_t{sizeof(SusieRgbQuad)} > static_cast<int64_t>(infoSize)) {
    return false;
  }
  table.fill(qRgb(0, 0, 0), 256);
  const unsigned char* entry = info + header.biSize;
  for (int64_t i = 0; i < entries; ++i, entry += sizeof(SusieRgbQuad)) {
    table[i] = qRgb(entry[2], entry[1], entry[0]);
  }
  return true;
}

// Unpacks one row of 1, 4 or 8-bit indices into bytes, most significant bits first.
void UnpackIndices(const unsigned char* row, int width, int bitCount, uchar* out) {
  if (bitCount == 8) {
    std::memcpy(out, row, static_cast<size_t>(width));
    return;
  }
  const int perByte = 8 / bitCount;
  const int mask = (1 << bitCount) - 1;
  for (int x = 0; x < width; ++x) {
    const int shift = 8 - bitCount * (x % perByte + 1);
    out[x] = static_cast<uchar>((row[x / perByte] >> shift) & mask);
  }
}

// Settles what the alpha of 32-bit rows means. Rows whose fourth byte is 0 everywhere leave it
// unused: every pixel gets full alpha. Rows of full alpha everywhere are opaque. Either way the
// picture becomes RGB32, which paints without a per-pixel blend; otherwise it keeps its alpha.
void SettleAlpha(QImage& image) {
  const int width = image.width();  // QImage's accessors are calls into Qt: kept out of the loops
  const int height = image.height();
  QRgb anyAlpha = 0;
  QRgb allAlpha = 0xff000000;
  for (int y = 0; y < height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < width; ++x) {
      anyAlpha |= line[x];
      allAlpha &= line[x];
    }
  }
  if (qAlpha(allAlpha) == 0xff) {
    image.reinterpretAsFormat(QImage::Format_RGB32);
  } else if (qAlpha(anyAlpha) == 0) {
    for (int y = 0; y < height; ++y) {
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < width; ++x) line[x] |= 0xff000000;
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
  }
}

// Checks the blocks and reads their layout and, for 1 to 8 bits, the colour table.
bool ReadLayout(const void* info, size_t infoSize, const void* bits, size_t bitsSize,
                TDibLayout& layout, QList<QRgb>& colourTable) {
  if (info == nullptr || bits == nullptr || infoSize < sizeof(SusieBitmapInfoHeader)) return false;
  SusieBitmapInfoHeader header;
  std::memcpy(&header, info, sizeof header);
  if (header.biSize < sizeof header || header.biSize > infoSize) return false;
  if (!CheckHeader(header, bitsSize, layout)) return false;
  return layout.BitCount > 8 ||
         ReadColourTable(header, static_cast<const unsigned char*>(info), infoSize, colourTable);
}

QImage::Format FormatOf(int bitCount) {
  switch (bitCount) {
    case 24:
      return QImage::Format_BGR888;
    case 32:
      return QImage::Format_ARGB32;
    default:
      return QImage::Format_Indexed8;
  }
}

}  // namespace

QImage DibToImage(const void* info, size_t infoSize, const void* bits, size_t bitsSize) {
  TDibLayout layout;
  QList<QRgb> colourTable;
  if (!ReadLayout(info, infoSize, bits, bitsSize, layout, colourTable)) return {};
  QImage image(layout.Width, layout.Height, FormatOf(layout.BitCount));
  if (image.isNull()) return {};
  const auto* rows = static_cast<const unsigned char*>(bits);
  const size_t copied =
      static_cast<size_t>(layout.Width) * static_cast<size_t>(layout.BitCount / 8);
  for (int y = 0; y < layout.Height; ++y) {
    const int sourceRow = layout.TopDown ? y : layout.Height - 1 - y;
    const unsigned char* row = rows + sourceRow * layout.RowBytes;
    if (layout.BitCount <= 8) {
      UnpackIndices(row, layout.Width, layout.BitCount, image.scanLine(y));
    } else {
      std::memcpy(image.scanLine(y), row, copied);
    }
  }
  if (layout.BitCount <= 8) image.setColorTable(colourTable);
  if (layout.BitCount == 32) SettleAlpha(image);
  return image;
}

QImage AdoptDib(const void* info, size_t infoSize, void* bits, size_t bitsSize) {
  TDibLayout layout;
  QList<QRgb> colourTable;
  if (ReadLayout(info, infoSize, bits, bitsSize, layout, colourTable) && layout.BitCount == 32 &&
      layout.TopDown) {
    QImage image(static_cast<uchar*>(bits), layout.Width, layout.Height,
                 static_cast<qsizetype>(layout.RowBytes), QImage::Format_ARGB32, std::free, bits);
    if (!image.isNull()) {
      SettleAlpha(image);
      return image;
    }
  }
  QImage image = DibToImage(info, infoSize, bits, bitsSize);
  std::free(bits);
  return image;
}

}  // namespace kelmo
