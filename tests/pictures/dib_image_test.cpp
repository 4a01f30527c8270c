// The conversion of a decoder's blocks into a picture, for every bit count read: each pixel lands
// where the rows say, with its colour-table colour, row padding skipped, in either row order,
// whether the rows are copied or taken over.
#include "pictures/dib_image.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "picture_files.h"

namespace kelmo::testing {
namespace {

// A 3 x 2 grid (odd width, so rows are padded) of indices or colours.
const std::vector<QRgb> kFourColours = {qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200),
                                        qRgb(255, 255, 255)};

struct TDibCase {
  const char* Name;
  int BitCount;
  bool TopDown;
  TPixelGrid Grid;
  std::vector<QRgb> Table;  // the colour table the block holds (may be shorter than the palette)
  bool KeepsAlpha = false;
};
void PrintTo(const TDibCase& test, std::ostream* out) {
  *out << test.Name;
}

class DibConversionTest : public ::testing::TestWithParam<TDibCase> {};

TEST_P(DibConversionTest, EveryPixelHasItsColour) {
  const TDibCase& dib = GetParam();
  const std::string info = DibInfo(dib.Grid.Width, dib.TopDown ? -dib.Grid.Height : dib.Grid.Height,
                                   dib.BitCount, dib.Table);
  const std::string bits = DibBits(dib.Grid, dib.BitCount, dib.TopDown);
  const QImage picture = DibToImage(info.data(), info.size(), bits.data(), bits.size());
  // Taking over a malloc'ed block (32-bit top-down rows without a copy) gives the same picture.
  void* block = std::malloc(bits.size());
  std::memcpy(block, bits.data(), bits.size());
  EXPECT_EQ(AdoptDib(info.data(), info.size(), block, bits.size()), picture);

  ASSERT_EQ(picture.size(), QSize(dib.Grid.Width, dib.Grid.Height));
  EXPECT_EQ(picture.hasAlphaChannel(), dib.KeepsAlpha);
  for (int y = 0; y < dib.Grid.Height; ++y) {
    for (int x = 0; x < dib.Grid.Width; ++x) {
      const uint32_t value = dib.Grid.Values[static_cast<size_t>(y * dib.Grid.Width + x)];
      const QRgb expected = dib.BitCount <= 8
                                ? (value < dib.Table.size() ? dib.Table[value] : qRgb(0, 0, 0))
                            : dib.KeepsAlpha ? value
                                             : (value | 0xff000000);
      EXPECT_EQ(picture.pixel(x, y), expected) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryBitCount, DibConversionTest,
    ::testing::Values(
        TDibCase{
            "OneBit", 1, false, {3, 2, {0, 1, 1, 1, 0, 0}}, {kFourColours[0], kFourColours[3]}},
        TDibCase{"FourBits", 4, false, {3, 2, {0, 1, 2, 3, 2, 1}}, kFourColours},
        TDibCase{"EightBits", 8, false, {3, 2, {3, 2, 1, 0, 1, 2}}, kFourColours},
        TDibCase{"EightBitsTopDown", 8, true, {3, 2, {3, 2, 1, 0, 1, 2}}, kFourColours},
        TDibCase{"IndexBeyondTableIsBlack", 8, false, {3, 2, {0, 9, 1, 255, 1, 0}}, kFourColours},
        TDibCase{"TwentyFourBits",
                 24,
                 false,
                 {3, 2, {0x102030, 0x405060, 0x708090, 0xa0b0c0, 0xd0e0f0, 0x010203}},
                 {}},
        TDibCase{"TwentyFourBitsTopDown",
                 24,
                 true,
                 {3, 2, {0x102030, 0x405060, 0x708090, 0xa0b0c0, 0xd0e0f0, 0x010203}},
                 {}},
        TDibCase{"ThirtyTwoBitsKeepAlpha",
                 32,
                 false,
                 {3, 2, {0xff102030, 0x80405060, 0x00708090, 0x40a0b0c0, 0xffd0e0f0, 0x01010203}},
                 {},
                 true},
        TDibCase{"ThirtyTwoBitsWithoutAlphaAreOpaque",
                 32,
                 true,
                 {3, 2, {0x102030, 0x405060, 0x708090, 0xa0b0c0, 0xd0e0f0, 0x010203}},
                 {}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(DibConversion, AnEightBitTableOfZeroEntriesMeansAllTwoHundredFiftySix) {
  std::vector<QRgb> table(256);
  for (int i = 0; i < 256; ++i) table[static_cast<size_t>(i)] = qRgb(i, 255 - i, 7);
  std::string info = DibInfo(2, 1, 8, table);
  info.replace(32, 4, Le32(0));  // biClrUsed
  const std::string bits = std::string("\xc8\x05\0\0", 4);
  const QImage picture = DibToImage(info.data(), info.size(), bits.data(), bits.size());
  EXPECT_EQ(picture.pixel(0, 0), qRgb(200, 55, 7));
  EXPECT_EQ(picture.pixel(1, 0), qRgb(5, 250, 7));
}

}  // namespace
}  // namespace kelmo::testing
