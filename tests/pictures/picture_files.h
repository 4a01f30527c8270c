// Picture files and decoder blocks made on the fly for the pictures tests: BMP files of every kind
// an author meets, JPEG files through libjpeg, the blocks a decoder returns, and the files of the
// echo decoder (decoders/echo_decoder.c), which returns whatever blocks its file spells out.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

namespace kelmo::testing {

// A small picture given pixel by pixel, rows top to bottom. For an indexed picture the values are
// indices into Palette; otherwise they are 0xRRGGBB colours.
struct TPixelGrid {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Values{};
  std::vector<QRgb> Palette{};

  // The colour the program must show at (x, y).
  QRgb Colour(int x, int y) const;
};

// How a BMP file stores its pixels.
struct TBmpLayout {
  int BitCount = 24;
  uint32_t Compression = 0;  // kBiRgb, kBiRle8 or kBiRle4
  bool TopDown = false;
};
inline constexpr uint32_t kBiRgb = 0;
inline constexpr uint32_t kBiRle8 = 1;
inline constexpr uint32_t kBiRle4 = 2;

// A complete BMP file of the grid. 16 bits store 5-5-5 colours; RLE stores runs of one pixel.
std::string BmpFile(const TPixelGrid& grid, const TBmpLayout& layout);

// The block of a 40-byte bitmap information header and the palette's colour table.
std::string DibInfo(int width, int height, int bitCount, const std::vector<QRgb>& palette = {});

// The bottom-up (or top-down) rows of a DIB of the grid, each padded to 4 bytes; 32 bits take
// the alpha from the values' top byte.
std::string DibBits(const TPixelGrid& grid, int bitCount, bool topDown = false);

// A JPEG file of the picture at the highest quality, in colour space 1 (grey), 3 (RGB) or 4
// (CMYK, with Adobe's inverted inks); progressive in that many scans when scans is given (grey
// only, 64 to 127 scans).
std::string JpegFile(const QImage& picture, int components, int scans = 0);

// A valid progressive grey JPEG file of the picture in exactly that many scans (64 to 127).
std::string ProgressiveGreyJpegFile(const QImage& picture, int scans);

// count scans without data for a grey progressive JPEG file (ten bytes each), to put before its
// end marker.
std::string EmptyJpegScans(int count);

// A file of the echo decoder: claimed by the decoders of claim (or all, for '*'), answering
// result with exactly these blocks.
std::string EchoFile(char claim, int result, const std::string& info, const std::string& bits);

// Little-endian integers as bytes, to write headers with.
std::string Le16(uint32_t value);
std::string Le32(uint32_t value);

}  // namespace kelmo::testing
