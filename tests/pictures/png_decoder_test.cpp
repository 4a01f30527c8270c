// The shipped PNG decoder (SPIs/png.spi beside the program) through the decoder list: every colour
// type and bit depth, with and without tRNS, interlaced or not, must give the colours and alpha the
// file holds. The files are written with libpng's writer from sample values whose 8-bit readings
// are worked out here independently (16-bit samples are chosen so that their high byte and their
// rounded scaling agree, and their low byte differs).
#include <gtest/gtest.h>
#include <png.h>

#include "pictures/dib_image.h"
#include "pictures/susie_plugin_list.h"

namespace kelmo::testing {
namespace {

constexpr int kWidth = 9;  // wide enough for every interlace pass, odd for the row padding
constexpr int kHeight = 7;

struct TPngKind {
  const char* Name;
  int ColourType;
  int BitDepth;
  bool Transparency = false;  // a tRNS chunk
  bool Interlaced = false;
};
void PrintTo(const TPngKind& test, std::ostream* out) {
  *out << test.Name;
}

int Channels(int colourType) {
  switch (colourType) {
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return 4;
    default:
      return 1;
  }
}

// The stored sample of a channel of pixel i.
uint32_t Stored(int depth, int i, int channel) {
  const uint32_t seed = static_cast<uint32_t>(i * 7 + channel * 29 + 5);
  if (depth < 8) return seed % (1u << depth);
  if (depth == 8) return seed * 13 % 256;
  return (seed * 13 % 200) * 257 + 3;
}

// What a stored sample reads as at 8 bits.
int Read8(int depth, uint32_t sample) {
  if (depth < 8) return static_cast<int>(sample * 255 / ((1u << depth) - 1));
  return static_cast<int>(depth == 8 ? sample : sample >> 8);
}

QRgb PaletteColour(int k) {
  return qRgb(k * 37 % 256, k * 91 % 256, 255 - k);
}
constexpr int kTransparentEntries = 10;  // the tRNS chunk of a palette picture covers these
int PaletteAlpha(int k) {
  return k < kTransparentEntries ? k * 53 % 256 : 255;
}

// The colour the decoder must give pixel i.
QRgb Expected(const TPngKind& kind, int i) {
  const int d = kind.BitDepth;
  const auto read = [&](int channel) { return Read8(d, Stored(d, i, channel)); };
  switch (kind.ColourType) {
    case PNG_COLOR_TYPE_PALETTE: {
      const int k = static_cast<int>(Stored(d, i, 0));
      const QRgb colour = PaletteColour(k);
      return qRgba(qRed(colour), qGreen(colour), qBlue(colour),
                   kind.Transparency ? PaletteAlpha(k) : 255);
    }
    case PNG_COLOR_TYPE_GRAY: {
      const bool clear = kind.Transparency && Stored(d, i, 0) == Stored(d, 0, 0);
      return qRgba(read(0), read(0), read(0), clear ? 0 : 255);
    }
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return qRgba(read(0), read(0), read(0), read(1));
    case PNG_COLOR_TYPE_RGB: {
      bool clear = kind.Transparency;
      for (int c = 0; c < 3; ++c) clear = clear && Stored(d, i, c) == Stored(d, 0, c);
      return qRgba(read(0), read(1), read(2), clear ? 0 : 255);
    }
    default:
      return qRgba(read(0), read(1), read(2), read(3));
  }
}

void Append(png_structp png, png_bytep data, size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

std::string PngFile(const TPngKind& kind) {
  const int d = kind.BitDepth;
  std::string file;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &file, Append, nullptr);
  png_set_IHDR(png, info, kWidth, kHeight, d, kind.ColourType,
               kind.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette;
  std::vector<png_byte> alphas;
  png_color_16 transparent{};
  if (kind.ColourType == PNG_COLOR_TYPE_PALETTE) {
    for (int k = 0; k < (1 << d); ++k) {
      const QRgb colour = PaletteColour(k);
      palette.push_back({static_cast<png_byte>(qRed(colour)), static_cast<png_byte>(qGreen(colour)),
                         static_cast<png_byte>(qBlue(colour))});
      if (k < kTransparentEntries) alphas.push_back(static_cast<png_byte>(PaletteAlpha(k)));
    }
    png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  } else {
    transparent.gray = static_cast<png_uint_16>(Stored(d, 0, 0));
    transparent.red = static_cast<png_uint_16>(Stored(d, 0, 0));
    transparent.green = static_cast<png_uint_16>(Stored(d, 0, 1));
    transparent.blue = static_cast<png_uint_16>(Stored(d, 0, 2));
  }
  if (kind.Transparency) {
    png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), &transparent);
  }
  png_write_info(png, info);

  const int channels = Channels(kind.ColourType);
  const size_t rowBytes = (static_cast<size_t>(kWidth * channels * d) + 7) / 8;
  std::vector<std::vector<png_byte>> rows(kHeight, std::vector<png_byte>(rowBytes));
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      for (int c = 0; c < channels; ++c) {
        const uint32_t sample = Stored(d, y * kWidth + x, c);
        const int position = x * channels + c;
        png_byte* row = rows[static_cast<size_t>(y)].data();
        if (d == 16) {
          row[2 * position] = static_cast<png_byte>(sample >> 8);
          row[2 * position + 1] = static_cast<png_byte>(sample);
        } else {
          const int perByte = 8 / d;
          row[position / perByte] |=
              static_cast<png_byte>(sample << (8 - d * (position % perByte + 1)));
        }
      }
    }
  }
  std::vector<png_bytep> rowPointers;
  for (auto& row : rows) rowPointers.push_back(row.data());
  png_write_image(png, rowPointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return file;
}

class PngDecoderTest : public ::testing::TestWithParam<TPngKind> {
 protected:
  PngDecoderTest() { list_.LoadFolder(std::string(KELMO_PROGRAM_DIR) + "SPIs/"); }
  TSusiePlugInList list_;
};

TEST_P(PngDecoderTest, EveryPixelHasItsColourAndAlpha) {
  const std::string file = PngFile(GetParam());
  std::optional<TDecodedDib> decoded = list_.LoadFromMemory(file.data(), file.size());
  ASSERT_TRUE(decoded);
  const QImage picture = AdoptDecodedDib(std::move(*decoded));
  ASSERT_EQ(picture.size(), QSize(kWidth, kHeight));
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      EXPECT_EQ(picture.pixel(x, y), Expected(GetParam(), y * kWidth + x)) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryColourTypeAndDepth, PngDecoderTest,
    ::testing::Values(
        TPngKind{"Grey1", PNG_COLOR_TYPE_GRAY, 1}, TPngKind{"Grey2", PNG_COLOR_TYPE_GRAY, 2},
        TPngKind{"Grey4", PNG_COLOR_TYPE_GRAY, 4}, TPngKind{"Grey8", PNG_COLOR_TYPE_GRAY, 8},
        TPngKind{"Grey16", PNG_COLOR_TYPE_GRAY, 16},
        TPngKind{"Grey2Transparency", PNG_COLOR_TYPE_GRAY, 2, true},
        TPngKind{"Grey16Transparency", PNG_COLOR_TYPE_GRAY, 16, true},
        TPngKind{"GreyAlpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8},
        TPngKind{"GreyAlpha16Interlaced", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, true},
        TPngKind{"Rgb8", PNG_COLOR_TYPE_RGB, 8}, TPngKind{"Rgb16", PNG_COLOR_TYPE_RGB, 16},
        TPngKind{"Rgb8Transparency", PNG_COLOR_TYPE_RGB, 8, true},
        TPngKind{"Rgb16Transparency", PNG_COLOR_TYPE_RGB, 16, true},
        TPngKind{"Rgb8Interlaced", PNG_COLOR_TYPE_RGB, 8, false, true},
        TPngKind{"Rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8},
        TPngKind{"Rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16},
        TPngKind{"Palette1", PNG_COLOR_TYPE_PALETTE, 1},
        TPngKind{"Palette2InterlacedTransparency", PNG_COLOR_TYPE_PALETTE, 2, true, true},
        TPngKind{"Palette4", PNG_COLOR_TYPE_PALETTE, 4},
        TPngKind{"Palette4Transparency", PNG_COLOR_TYPE_PALETTE, 4, true},
        TPngKind{"Palette8Transparency", PNG_COLOR_TYPE_PALETTE, 8, true}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(PngDecoder, IsAPictureDecoderForPngFilesOnly) {
  TSusiePlugInList list;
  ASSERT_EQ(list.LoadFolder(std::string(KELMO_PROGRAM_DIR) + "SPIs/"), 1);
  EXPECT_EQ(list.PlugIn(0).ApiVersion, "00IN");
  EXPECT_EQ(list.PlugIn(0).Extensions, "*.PNG");
  EXPECT_EQ(list.PlugIn(0).TypeName, "PNG picture");
  const std::string notPng = "GIF89a";
  EXPECT_FALSE(list.LoadFromMemory(notPng.data(), notPng.size()));
}

}  // namespace
}  // namespace kelmo::testing
