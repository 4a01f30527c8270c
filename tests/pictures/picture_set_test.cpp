// The picture set on files: every kind of BMP and JPEG an author meets decodes pixel for pixel,
// the colour key, the slots, and every kind of bad file (garbage, truncated, a huge size claimed,
// the wrong decoder for the extension, a pipe) failing with the slot keeping its picture.
#include "pictures/picture_set.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <QBuffer>

#include "picture_files.h"
#include "pictures/picture_limits.h"
#include "support/temp_folder.h"

namespace kelmo::testing {
namespace {

const QColor kBackground(0x12, 0x34, 0x56);
const QRgb kWhite = qRgb(255, 255, 255);
const std::vector<QRgb> kPalette = {qRgb(0, 0, 0), kWhite, qRgb(255, 0, 0), qRgb(0, 0, 255)};

class PictureSetTest : public ::testing::Test {
 protected:
  // The shipped PNG decoder is the only decoder.
  TPictureSet pictures_{KELMO_PROGRAM_DIR, kBackground, ""};
  TempFolder folder_;
};

// Every colour of the grid as shown in the slot.
void ExpectPixels(const QImage& picture, const TPixelGrid& grid) {
  ASSERT_EQ(picture.size(), QSize(grid.Width, grid.Height));
  for (int y = 0; y < grid.Height; ++y) {
    for (int x = 0; x < grid.Width; ++x) {
      EXPECT_EQ(picture.pixel(x, y), grid.Colour(x, y)) << x << "," << y;
    }
  }
}

struct TBmpCase {
  const char* Name;
  TBmpLayout Layout;
  TPixelGrid Grid;
};
void PrintTo(const TBmpCase& test, std::ostream* out) {
  *out << test.Name;
}

class BmpKindTest : public PictureSetTest, public ::testing::WithParamInterface<TBmpCase> {};

TEST_P(BmpKindTest, DecodesPixelForPixel) {
  const TBmpCase& bmp = GetParam();
  const std::string path = folder_.Write("picture.bmp", BmpFile(bmp.Grid, bmp.Layout));
  ASSERT_TRUE(pictures_.LoadPicture(TPictureSlot::Shown, path, false));
  ExpectPixels(pictures_.Picture(TPictureSlot::Shown), bmp.Grid);
}

// 3 x 2, so rows need padding.
const TPixelGrid kIndexed = {3, 2, {0, 1, 2, 3, 2, 1}, kPalette};
const TPixelGrid kTwoColours = {3, 2, {0, 1, 1, 1, 0, 0}, {kPalette[0], kPalette[1]}};
const TPixelGrid kColours = {3, 2, {0xff0000, 0x00ff00, 0x0000ff, 0xffffff, 0x000000, 0xffff00}};
// 5-bit channels are widened by shifting, as Windows does: 31 shows as 248.
const TPixelGrid kFiveBitColours = {3, 2, {0xf80000, 0x00f800, 0x0000f8, 0xf8f8f8, 0, 0xf8f800}};

INSTANTIATE_TEST_SUITE_P(
    EveryKind, BmpKindTest,
    ::testing::Values(TBmpCase{"OneBit", {1, kBiRgb, false}, kTwoColours},
                      TBmpCase{"FourBits", {4, kBiRgb, false}, kIndexed},
                      TBmpCase{"FourBitsRunLength", {4, kBiRle4, false}, kIndexed},
                      TBmpCase{"EightBits", {8, kBiRgb, false}, kIndexed},
                      TBmpCase{"EightBitsRunLength", {8, kBiRle8, false}, kIndexed},
                      TBmpCase{"EightBitsTopDown", {8, kBiRgb, true}, kIndexed},
                      TBmpCase{"SixteenBits", {16, kBiRgb, false}, kFiveBitColours},
                      TBmpCase{"TwentyFourBits", {24, kBiRgb, false}, kColours},
                      TBmpCase{"TwentyFourBitsTopDown", {24, kBiRgb, true}, kColours},
                      TBmpCase{"ThirtyTwoBits", {32, kBiRgb, false}, kColours}),
    [](const auto& info) { return std::string(info.param.Name); });

// A 32 x 32 picture of four flat quadrants, and its colour at the middle of each.
QImage Quadrants(const std::vector<QRgb>& colours) {
  QImage picture(32, 32, QImage::Format_RGB32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) picture.setPixel(x, y, colours[(y / 16) * 2 + x / 16]);
  }
  return picture;
}

TEST_F(PictureSetTest, JpegInRgbGreyAndCmykDecodesCloseToItsColours) {
  const std::vector<QRgb> colours = {qRgb(220, 30, 40), qRgb(20, 200, 60), qRgb(30, 60, 210),
                                     qRgb(250, 250, 250)};
  for (int components : {1, 3, 4}) {
    const std::string path = folder_.Write("picture.JPG", JpegFile(Quadrants(colours), components));
    ASSERT_TRUE(pictures_.LoadPicture(TPictureSlot::Shown, path, false)) << components;
    const QImage& picture = pictures_.Picture(TPictureSlot::Shown);
    ASSERT_EQ(picture.size(), QSize(32, 32));
    for (int i = 0; i < 4; ++i) {
      const QRgb want = components == 1
                            ? qRgb(qGray(colours[i]), qGray(colours[i]), qGray(colours[i]))
                            : colours[i];
      const QRgb got = picture.pixel(8 + (i % 2) * 16, 8 + (i / 2) * 16);
      EXPECT_NEAR(qRed(got), qRed(want), 6) << components << " quadrant " << i;
      EXPECT_NEAR(qGreen(got), qGreen(want), 6) << components << " quadrant " << i;
      EXPECT_NEAR(qBlue(got), qBlue(want), 6) << components << " quadrant " << i;
    }
  }
}

TEST_F(PictureSetTest, JpegWithoutItsEndMarkerStillDecodes) {
  const std::string jpeg = JpegFile(Quadrants({0, 0, 0, 0}), 3);
  ASSERT_EQ(jpeg.substr(jpeg.size() - 2), "\xff\xd9");
  const std::string path = folder_.Write("open.jpg", jpeg.substr(0, jpeg.size() - 2));
  EXPECT_TRUE(pictures_.LoadPicture(TPictureSlot::Shown, path, false));
}

TEST_F(PictureSetTest, ColourKeyTurnsEveryPixelOfTheBottomLeftColourIntoTheBackground) {
  // White at the bottom left, and white inside the figure too.
  const TPixelGrid face = {3, 2, {0xffffff, 0xff0000, 0xffffff, 0xffffff, 0x0000ff, 0x000000}};
  const std::string path = folder_.Write("face.bmp", BmpFile(face, {24, kBiRgb, false}));
  ASSERT_TRUE(pictures_.LoadPicture(TPictureSlot::Default, path, true));
  const QImage& keyed = pictures_.Picture(TPictureSlot::Default);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      const QRgb want = face.Colour(x, y) == kWhite ? kBackground.rgb() : face.Colour(x, y);
      EXPECT_EQ(keyed.pixel(x, y), want) << x << "," << y;
    }
  }
  ASSERT_TRUE(pictures_.LoadPicture(TPictureSlot::Default, path, false));
  ExpectPixels(pictures_.Picture(TPictureSlot::Default), face);
}

TEST_F(PictureSetTest, SlotsFollowResetAndTheDefaultPicture) {
  const TPixelGrid face = {3, 2, {0xff0000, 0xff0000, 0xff0000, 0, 0, 0}};
  const std::string path = folder_.Write("face.bmp", BmpFile(face, {24, kBiRgb, false}));
  EXPECT_TRUE(pictures_.Picture(TPictureSlot::BalloonCharacter).isNull());
  pictures_.ResetPictures(true);
  const QImage& character = pictures_.Picture(TPictureSlot::BalloonCharacter);
  const QImage& user = pictures_.Picture(TPictureSlot::BalloonUser);
  for (const QImage* balloon : {&character, &user}) {
    ASSERT_EQ(balloon->size(), QSize(350, 200));
    // Keyed although nothing asked for it: the key colour is gone everywhere.
    EXPECT_EQ(balloon->pixel(0, 199), kBackground.rgb());
    EXPECT_EQ(balloon->pixel(349, 0), kBackground.rgb());
  }
  // Whose turn it is shows at a glance: most of the balloon area differs.
  int differing = 0;
  for (int y = 0; y < 200; y += 4) {
    for (int x = 0; x < 350; x += 4) differing += character.pixel(x, y) != user.pixel(x, y);
  }
  EXPECT_GT(differing, 50 * 88 / 2);

  ASSERT_TRUE(pictures_.LoadPicture(TPictureSlot::Default, path, false));
  ASSERT_TRUE(pictures_.LoadPicture(TPictureSlot::Shown, path, false));
  pictures_.ResetPictures(false);
  EXPECT_TRUE(pictures_.Picture(TPictureSlot::BalloonCharacter).isNull());
  EXPECT_TRUE(pictures_.Picture(TPictureSlot::BalloonUser).isNull());
  EXPECT_TRUE(pictures_.Picture(TPictureSlot::Default).isNull());
  EXPECT_FALSE(pictures_.Picture(TPictureSlot::Shown).isNull());
  pictures_.ShowDefaultPicture();
  EXPECT_TRUE(pictures_.Picture(TPictureSlot::Shown).isNull());
  ASSERT_TRUE(pictures_.LoadPicture(TPictureSlot::Default, path, false));
  pictures_.ShowDefaultPicture();
  ExpectPixels(pictures_.Picture(TPictureSlot::Shown), face);
}

// --- Bad files -------------------------------------------------------------------------------

std::string QtPng(const QImage& picture) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, "PNG");
  return bytes.toStdString();
}

std::string BigEndian32(uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16 & 0xff),
          static_cast<char>(value >> 8 & 0xff), static_cast<char>(value & 0xff)};
}

// Good files of each format, made once they are first needed.
const QImage& Sample() {
  static const QImage sample = Quadrants({qRgb(1, 2, 3), qRgb(200, 0, 0), qRgb(0, 200, 0), kWhite});
  return sample;
}
const std::string& GoodBmp() {
  static const std::string bmp = BmpFile({2, 2, {0xff0000, 0xff0000, 0xff0000, 0xff0000}}, {24});
  return bmp;
}
const std::string& GoodPng() {
  static const std::string png = QtPng(Sample());
  return png;
}
const std::string& GoodJpeg() {
  static const std::string jpeg = JpegFile(Sample(), 3);
  return jpeg;
}

// The PNG with another size in its header (and the header's checksum made right).
std::string PngClaiming(uint32_t width, uint32_t height) {
  std::string png = GoodPng();
  png.replace(16, 8, BigEndian32(width) + BigEndian32(height));
  const uint32_t crc = static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17));  // "IHDR" and its data
  return png.replace(29, 4, BigEndian32(crc));
}

// The JPEG with another size in its frame header.
std::string JpegClaiming(uint16_t width, uint16_t height) {
  std::string jpeg = GoodJpeg();
  const size_t frame = jpeg.find("\xff\xc0");
  jpeg[frame + 5] = static_cast<char>(height >> 8), jpeg[frame + 6] = static_cast<char>(height);
  jpeg[frame + 7] = static_cast<char>(width >> 8), jpeg[frame + 8] = static_cast<char>(width);
  return jpeg;
}

// The JPEG (from JpegFile) with another size in its frame header, as the file's first frame
// header of any kind says it.
std::string JpegFrameClaiming(std::string jpeg, uint16_t width, uint16_t height) {
  size_t frame = jpeg.find("\xff\xc0");
  if (frame == std::string::npos) frame = jpeg.find("\xff\xc2");  // progressive
  jpeg[frame + 5] = static_cast<char>(height >> 8), jpeg[frame + 6] = static_cast<char>(height);
  jpeg[frame + 7] = static_cast<char>(width >> 8), jpeg[frame + 8] = static_cast<char>(width);
  return jpeg;
}

// A progressive grey JPEG whose real scans are followed by count empty ones.
std::string JpegWithEmptyScans(int count) {
  const std::string jpeg = ProgressiveGreyJpegFile(Sample(), 64);
  return jpeg.substr(0, jpeg.size() - 2) + EmptyJpegScans(count) + "\xff\xd9";
}

// The BMP with another size in its header.
std::string BmpClaiming(uint32_t width, uint32_t height) {
  return std::string(GoodBmp()).replace(18, 8, Le32(width) + Le32(height));
}

struct TBadFile {
  const char* Name;
  const char* FileName;
  std::string Bytes;
};
void PrintTo(const TBadFile& test, std::ostream* out) {
  *out << test.Name;
}

class BadFileTest : public PictureSetTest, public ::testing::WithParamInterface<TBadFile> {};

TEST_P(BadFileTest, FailsAndTheSlotKeepsItsPicture) {
  const std::string good = folder_.Write("good.png", GoodPng());
  ASSERT_TRUE(pictures_.LoadPicture(TPictureSlot::Shown, good, false));
  const QImage before = pictures_.Picture(TPictureSlot::Shown);
  const std::string path = folder_.Write(GetParam().FileName, GetParam().Bytes);
  EXPECT_FALSE(pictures_.LoadPicture(TPictureSlot::Shown, path, false));
  EXPECT_EQ(pictures_.Picture(TPictureSlot::Shown), before);
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormat, BadFileTest,
    ::testing::Values(TBadFile{"BmpGarbage", "a.bmp", "BM this is no bitmap at all"},
                      TBadFile{"BmpEmpty", "a.bmp", ""},
                      TBadFile{"BmpTruncated", "a.bmp", GoodBmp().substr(0, GoodBmp().size() - 6)},
                      TBadFile{"BmpHundredThousandSquared", "a.bmp", BmpClaiming(100000, 100000)},
                      TBadFile{"BmpOverThePixelLimit", "a.bmp", BmpClaiming(16384, 16384)},
                      TBadFile{"PngGarbage", "a.png", "\x89PNG\r\n\x1a\n and then nonsense"},
                      TBadFile{"PngTruncated", "a.png", GoodPng().substr(0, GoodPng().size() / 2)},
                      TBadFile{"PngHundredThousandSquared", "a.png", PngClaiming(100000, 100000)},
                      TBadFile{"PngOverThePixelLimit", "a.png", PngClaiming(16384, 16384)},
                      TBadFile{"JpegGarbage", "a.jpg", "\xff\xd8\xff this is no JPEG"},
                      TBadFile{"JpegTruncated", "a.jpeg",
                               GoodJpeg().substr(0, GoodJpeg().size() / 2)},
                      TBadFile{"JpegSixtyThousandSquared", "a.jpg", JpegClaiming(60000, 60000)},
                      TBadFile{"JpegOverThePixelLimit", "a.jpg", JpegClaiming(16000, 16000)},
                      TBadFile{"JpegOverTheJpegPixelLimit", "a.jpg", JpegClaiming(4097, 4096)},
                      // Small files that would cost libjpeg seconds or hundreds of megabytes.
                      TBadFile{"JpegCmykClaiming8192Squared", "a.jpg",
                               JpegFrameClaiming(JpegFile(Sample(), 4), 8192, 8192)},
                      TBadFile{"JpegOfTenThousandEmptyScans", "a.jpg", JpegWithEmptyScans(10000)},
                      TBadFile{"JpegOfOneScanTooMany", "a.jpg",
                               ProgressiveGreyJpegFile(Sample(), kMaxJpegScans + 1)},
                      TBadFile{"PngNamedBmp", "a.bmp", GoodPng()},
                      TBadFile{"BmpWithoutAnyDecoderForItsName", "a.gif", GoodBmp()},
                      TBadFile{"NoExtension", "picture", GoodPng().substr(0, 20)}),
    [](const auto& info) { return std::string(info.param.Name); });

// The scan limit leaves real progressive files alone: one of exactly the most scans decodes to
// its picture.
TEST_F(PictureSetTest, ProgressiveJpegOfTheMostScansDecodes) {
  const std::string path =
      folder_.Write("many.jpg", ProgressiveGreyJpegFile(Sample(), kMaxJpegScans));
  ASSERT_TRUE(pictures_.LoadPicture(TPictureSlot::Shown, path, false));
  const QImage& picture = pictures_.Picture(TPictureSlot::Shown);
  ASSERT_EQ(picture.size(), Sample().size());
  EXPECT_NEAR(qGray(picture.pixel(0, 0)), qGray(Sample().pixel(0, 0)), 3);
  EXPECT_NEAR(qGray(picture.pixel(picture.width() - 1, picture.height() - 1)), 255, 3);
}

TEST_F(PictureSetTest, MissingFilesAndPipesFailWithoutBlocking) {
  EXPECT_FALSE(pictures_.LoadPicture(TPictureSlot::Shown, folder_.Path() + "missing.bmp", false));
  const std::string pipe = folder_.Path() + "pipe.bmp";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_FALSE(pictures_.LoadPicture(TPictureSlot::Shown, pipe, false));
  EXPECT_FALSE(pictures_.LoadPicture(TPictureSlot::Shown, folder_.Path(), false));
}

}  // namespace
}  // namespace kelmo::testing
