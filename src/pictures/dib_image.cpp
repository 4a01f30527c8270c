// Conversion of bitmap blocks; their layout is read and checked by dib_layout.h.
#include "pictures/dib_image.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "pictures/dib_layout.h"

namespace kelmo {
namespace {

// The colour table for an indexed picture, always 256 entries: those the block holds, then black.
QList<QRgb> ColourTable(const TDibLayout& layout, const unsigned char* info) {
  QList<QRgb> table;
  table.fill(qRgb(0, 0, 0), kDibMaxColourEntries);
  const unsigned char* entry = info + layout.HeaderSize;
  for (int64_t i = 0; i < layout.ColourEntries; ++i, entry += kDibColourEntryBytes) {
    table[i] = qRgb(entry[2], entry[1], entry[0]);
  }
  return table;
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
  const std::optional<TDibLayout> checked = ReadDibLayout(info, infoSize, bitsSize);
  if (!checked || bits == nullptr) return {};
  const TDibLayout& layout = *checked;
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
  if (layout.BitCount <= 8) {
    image.setColorTable(ColourTable(layout, static_cast<const unsigned char*>(info)));
  }
  if (layout.BitCount == 32) SettleAlpha(image);
  return image;
}

QImage AdoptDib(const void* info, size_t infoSize, void* bits, size_t bitsSize,
                void (*release)(void*), void* releaseInfo) {
  const std::optional<TDibLayout> layout = ReadDibLayout(info, infoSize, bitsSize);
  if (bits != nullptr && layout && layout->BitCount == 32 && layout->TopDown) {
    QImage image(static_cast<uchar*>(bits), layout->Width, layout->Height,
                 static_cast<qsizetype>(layout->RowBytes), QImage::Format_ARGB32, release,
                 releaseInfo);
    if (!image.isNull()) {
      SettleAlpha(image);
      return image;
    }
  }
  QImage image = DibToImage(info, infoSize, bits, bitsSize);
  release(releaseInfo);
  return image;
}

QImage AdoptDib(const void* info, size_t infoSize, void* bits, size_t bitsSize) {
  return AdoptDib(info, infoSize, bits, bitsSize, std::free, bits);
}

QImage AdoptDecodedDib(TDecodedDib dib) {
  return AdoptDib(dib.Info.get(), dib.InfoSize, dib.Bits.release(), dib.BitsSize);
}

}  // namespace kelmo
