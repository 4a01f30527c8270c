// Bitmaps whose pixel data ends early: plain and run-length layouts follow one rule, refused
// unless every row of the picture is there (or the run-length codes end the bitmap themselves).
#include "pictures/bmp_decoder.h"

#include <gtest/gtest.h>

#include <string>

#include "picture_files.h"

namespace kelmo {
namespace {

using testing::BmpFile;
using testing::kBiRgb;
using testing::kBiRle4;
using testing::kBiRle8;
using testing::TBmpLayout;
using testing::TPixelGrid;

const std::vector<QRgb> kPalette = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0),
                                    qRgb(0, 0, 255)};
// 3 x 2: each run-length row is three one-pixel runs and an end of line (8 bytes), then the end of
// the bitmap (2 bytes).
const TPixelGrid kGrid = {3, 2, {0, 1, 2, 3, 2, 1}, kPalette};

struct TBmpEnding {
  const char* Name;
  TBmpLayout Layout;
  std::string Codes;  // run-length codes in place of the grid's, when given
  size_t CutBytes;    // taken off the file's end
  bool Decodes;
};
void PrintTo(const TBmpEnding& test, std::ostream* out) {
  *out << test.Name;
}

std::string FileOf(const TBmpEnding& test) {
  std::string file = BmpFile(kGrid, test.Layout);
  if (!test.Codes.empty()) {
    const size_t pixelOffset = 14 + 40 + 4 * kPalette.size();
    file = file.substr(0, pixelOffset) + test.Codes;
  }
  return file.substr(0, file.size() - test.CutBytes);
}

class BmpEndingTest : public ::testing::TestWithParam<TBmpEnding> {};

TEST_P(BmpEndingTest, DecodesOnlyWhenThePictureIsComplete) {
  const QImage image = DecodeBmp(FileOf(GetParam()));
  EXPECT_EQ(!image.isNull(), GetParam().Decodes);
  if (GetParam().Decodes) {
    EXPECT_EQ(image.size(), QSize(3, 2));
  }
}

const std::string kLiteral(std::string("\0\3\1\2\3\0", 6) + std::string("\0\0\0\1", 4));

INSTANTIATE_TEST_SUITE_P(
    Layouts, BmpEndingTest,
    ::testing::Values(
        TBmpEnding{"PlainComplete", {8, kBiRgb, false}, "", 0, true},
        TBmpEnding{"PlainCutInItsLastRow", {8, kBiRgb, false}, "", 2, false},
        TBmpEnding{"Rle8Complete", {8, kBiRle8, false}, "", 0, true},
        TBmpEnding{"Rle8EveryRowEndedWithoutTheEndOfBitmap", {8, kBiRle8, false}, "", 2, true},
        TBmpEnding{"Rle8CutInItsLastRow", {8, kBiRle8, false}, "", 4, false},
        TBmpEnding{"Rle8CutInItsFirstRow", {8, kBiRle8, false}, "", 13, false},
        TBmpEnding{"Rle8CutInsideACode", {8, kBiRle8, false}, "", 3, false},
        TBmpEnding{"Rle4Complete", {4, kBiRle4, false}, "", 0, true},
        TBmpEnding{"Rle4CutInItsLastRow", {4, kBiRle4, false}, "", 4, false},
        TBmpEnding{"Rle8LiteralPixelsThenEndOfLine", {8, kBiRle8, false}, kLiteral, 0, true},
        TBmpEnding{"Rle8LiteralPixelsCutShort", {8, kBiRle8, false}, kLiteral, 6, false},
        TBmpEnding{
            "Rle8DeltaPastTheLastRow", {8, kBiRle8, false}, std::string("\0\2\0\5", 4), 0, true},
        TBmpEnding{"Rle8DeltaCutShort", {8, kBiRle8, false}, std::string("\0\2\0\5", 4), 1, false},
        TBmpEnding{"Rle8NoCodesAtAll", {8, kBiRle8, false}, "", 18, false}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace kelmo
