// The builders of picture_files.h. Each writes the format byte by byte as the format describes
// it, independently of the code under test.
#include "picture_files.h"

#include <jpeglib.h>

#include <cstdio>
#include <stdexcept>

namespace kelmo::testing {
namespace {

constexpr int kFileHeaderBytes = 14;
constexpr int kInfoHeaderBytes = 40;

int RowBytes(int width, int bitCount) {
  return (width * bitCount + 31) / 32 * 4;
}

std::string PaletteBytes(const std::vector<QRgb>& palette) {
  std::string bytes;
  for (QRgb colour : palette) {
    bytes += {static_cast<char>(qBlue(colour)), static_cast<char>(qGreen(colour)),
              static_cast<char>(qRed(colour)), '\0'};
  }
  return bytes;
}

// One row of the grid in a plain layout.
std::string PlainRow(const TPixelGrid& grid, int y, int bitCount) {
  std::string row(static_cast<size_t>(RowBytes(grid.Width, bitCount)), '\0');
  for (int x = 0; x < grid.Width; ++x) {
    const uint32_t value = grid.Values[static_cast<size_t>(y * grid.Width + x)];
    if (bitCount <= 8) {
      const int perByte = 8 / bitCount;
      const int shift = 8 - bitCount * (x % perByte + 1);
      row[static_cast<size_t>(x / perByte)] |= static_cast<char>(value << shift);
    } else if (bitCount == 16) {
      const uint32_t packed =
          (qRed(value) >> 3) << 10 | (qGreen(value) >> 3) << 5 | qBlue(value) >> 3;
      row.replace(static_cast<size_t>(2 * x), 2, Le16(packed));
    } else {
      const size_t at = static_cast<size_t>(x * bitCount / 8);
      row[at] = static_cast<char>(qBlue(value));
      row[at + 1] = static_cast<char>(qGreen(value));
      row[at + 2] = static_cast<char>(qRed(value));
      if (bitCount == 32) row[at + 3] = static_cast<char>(value >> 24);
    }
  }
  return row;
}

// One row as RLE runs of one pixel each, then the end of the line.
std::string RleRow(const TPixelGrid& grid, int y, uint32_t compression) {
  std::string row;
  for (int x = 0; x < grid.Width; ++x) {
    const uint32_t index = grid.Values[static_cast<size_t>(y * grid.Width + x)];
    row += {'\x01', static_cast<char>(compression == kBiRle4 ? index << 4 : index)};
  }
  return row + std::string("\0\0", 2);
}

}  // namespace

QRgb TPixelGrid::Colour(int x, int y) const {
  const uint32_t value = Values[static_cast<size_t>(y * Width + x)];
  return Palette.empty() ? qRgb(qRed(value), qGreen(value), qBlue(value)) : Palette[value];
}

std::string Le16(uint32_t value) {
  return {static_cast<char>(value & 0xff), static_cast<char>(value >> 8 & 0xff)};
}

std::string Le32(uint32_t value) {
  return Le16(value & 0xffff) + Le16(value >> 16);
}

std::string DibInfo(int width, int height, int bitCount, const std::vector<QRgb>& palette) {
  return Le32(kInfoHeaderBytes) + Le32(static_cast<uint32_t>(width)) +
         Le32(static_cast<uint32_t>(height)) + Le16(1) + Le16(static_cast<uint32_t>(bitCount)) +
         Le32(kBiRgb) + Le32(0) + Le32(2835) + Le32(2835) +
         Le32(static_cast<uint32_t>(palette.size())) + Le32(0) + PaletteBytes(palette);
}

std::string DibBits(const TPixelGrid& grid, int bitCount, bool topDown) {
  std::string bits;
  for (int i = 0; i < grid.Height; ++i)
    bits += PlainRow(grid, topDown ? i : grid.Height - 1 - i, bitCount);
  return bits;
}

std::string BmpFile(const TPixelGrid& grid, const TBmpLayout& layout) {
  std::string pixels;
  for (int i = 0; i < grid.Height; ++i) {
    const int y = layout.TopDown ? i : grid.Height - 1 - i;
    pixels += layout.Compression == kBiRgb ? PlainRow(grid, y, layout.BitCount)
                                           : RleRow(grid, y, layout.Compression);
  }
  if (layout.Compression != kBiRgb) pixels += std::string("\0\1", 2);
  const std::string palette = PaletteBytes(grid.Palette);
  const uint32_t offset =
      kFileHeaderBytes + kInfoHeaderBytes + static_cast<uint32_t>(palette.size());
  const int height = layout.TopDown ? -grid.Height : grid.Height;
  return "BM" + Le32(offset + static_cast<uint32_t>(pixels.size())) + Le32(0) + Le32(offset) +
         Le32(kInfoHeaderBytes) + Le32(static_cast<uint32_t>(grid.Width)) +
         Le32(static_cast<uint32_t>(height)) + Le16(1) +
         Le16(static_cast<uint32_t>(layout.BitCount)) + Le32(layout.Compression) +
         Le32(static_cast<uint32_t>(pixels.size())) + Le32(2835) + Le32(2835) +
         Le32(static_cast<uint32_t>(grid.Palette.size())) + Le32(0) + palette + pixels;
}

namespace {

// A valid scan script of count scans (64 to 127) for a grey picture: the DC coefficients, then
// each AC coefficient alone, the first ones in two steps of successive approximation.
std::vector<jpeg_scan_info> GreyScanScript(int count) {
  std::vector<jpeg_scan_info> scans;
  const auto add = [&](int first, int last, int high, int low) {
    jpeg_scan_info scan{};
    scan.comps_in_scan = 1;
    scan.component_index[0] = 0;
    scan.Ss = first, scan.Se = last, scan.Ah = high, scan.Al = low;
    scans.push_back(scan);
  };
  add(0, 0, 0, 0);
  const int twoStep = count - 64;
  for (int k = 1; k <= 63; ++k) {
    if (k <= twoStep) {
      add(k, k, 0, 1);
      add(k, k, 1, 0);
    } else {
      add(k, k, 0, 0);
    }
  }
  return scans;
}

}  // namespace

std::string ProgressiveGreyJpegFile(const QImage& picture, int scans) {
  return JpegFile(picture, 1, scans);
}

std::string EmptyJpegScans(int count) {
  // Start of scan, 8 bytes: the grey component with tables 0, AC coefficients 1 to 63, no data.
  const std::string scan("\xff\xda\x00\x08\x01\x01\x00\x01\x3f\x00", 10);
  std::string scans;
  for (int i = 0; i < count; ++i) scans += scan;
  return scans;
}

std::string JpegFile(const QImage& picture, int components, int scans) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(picture.width());
  info.image_height = static_cast<JDIMENSION>(picture.height());
  info.input_components = components;
  info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  info.write_Adobe_marker = components == 4;
  const std::vector<jpeg_scan_info> script =
      scans > 0 ? GreyScanScript(scans) : std::vector<jpeg_scan_info>();
  if (!script.empty()) {
    info.scan_info = script.data();
    info.num_scans = static_cast<int>(script.size());
  }
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(picture.width() * components));
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const QRgb colour = picture.pixel(x, y);
      JSAMPLE* out = row.data() + x * components;
      if (components == 1) {
        out[0] = static_cast<JSAMPLE>(qGray(colour));
      } else if (components == 3) {
        out[0] = static_cast<JSAMPLE>(qRed(colour));
        out[1] = static_cast<JSAMPLE>(qGreen(colour));
        out[2] = static_cast<JSAMPLE>(qBlue(colour));
      } else {  // Adobe CMYK with no black: inverted inks are the RGB values themselves
        out[0] = static_cast<JSAMPLE>(qRed(colour));
        out[1] = static_cast<JSAMPLE>(qGreen(colour));
        out[2] = static_cast<JSAMPLE>(qBlue(colour));
        out[3] = 255;
      }
    }
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::string file(reinterpret_cast<const char*>(buffer), size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return file;
}

std::string EchoFile(char claim, int result, const std::string& info, const std::string& bits) {
  return "ECHO" + std::string(1, claim) + Le32(static_cast<uint32_t>(result)) +
         Le32(static_cast<uint32_t>(info.size())) + info +
         Le32(static_cast<uint32_t>(bits.size())) + bits;
}

}  // namespace kelmo::testing
