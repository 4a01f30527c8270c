// The program's own PNG decoder decodes in process only when it is the install's and comes first,
// and only pictures within its pixel bound; everything else reaches the decoder helper.
#include "pictures/own_png_decoder.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <filesystem>

#include "pictures/picture_set.h"
#include "support/temp_folder.h"

namespace kelmo::testing {
namespace {

std::string PngBytes(int width, int height) {
  QImage picture(width, height, QImage::Format_Grayscale8);
  picture.fill(128);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, "PNG");
  return bytes.toStdString();
}

// The header with its width and height replaced (the chunk's checksum is not mended).
std::string Claiming(std::string png, uint32_t width, uint32_t height) {
  for (int i = 0; i < 4; ++i) {
    png[16 + i] = static_cast<char>(width >> (24 - 8 * i));
    png[20 + i] = static_cast<char>(height >> (24 - 8 * i));
  }
  return png;
}

TEST(OwnPngDecoder, InProcessOnlyForPngHeadersWithinTheBound) {
  const std::string png = PngBytes(1, 1);
  const struct {
    const char* Name;
    std::string Bytes;
    bool Within;
  } cases[] = {
      {"one pixel", png, true},
      {"4096 x 4096", Claiming(png, 4096, 4096), true},
      {"65536 x 256, as many pixels", Claiming(png, 65536, 256), true},
      {"4097 x 4096", Claiming(png, 4097, 4096), false},
      {"width 0", Claiming(png, 0, 1), false},
      {"largest claim", Claiming(png, 0xffffffff, 0xffffffff), false},
      {"cut before the height", png.substr(0, 22), false},
      {"another first chunk", png.substr(0, 12) + "IEND" + png.substr(16), false},
      {"no PNG", "GIF89a" + png.substr(6), false},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(IsPngWithinOwnLimit(test.Bytes), test.Within) << test.Name;
  }
}

// Where the decoders lie, and whether a PNG picture reaches the helper.
struct TPlacement {
  const char* Name;
  const char* ProgramFolderDecoder;  // copied into the program folder's SPIs/ as a.spi, or null
  const char* InstallDecoder;        // copied into the install folder as png.spi
  int Side;
  bool ThroughHelper;
};
void PrintTo(const TPlacement& test, std::ostream* out) {
  *out << test.Name;
}

class OwnPngDecoderPlacementTest : public ::testing::TestWithParam<TPlacement> {};

TEST_P(OwnPngDecoderPlacementTest, DecidesWhereThePictureDecodes) {
  const TPlacement& test = GetParam();
  TempFolder home;
  const std::string install = home.Path() + "install/";
  std::filesystem::create_directories(install);
  std::filesystem::create_directories(home.Path() + "app/SPIs/");
  std::filesystem::copy_file(test.InstallDecoder, install + "png.spi");
  if (test.ProgramFolderDecoder != nullptr) {
    std::filesystem::copy_file(test.ProgramFolderDecoder, home.Path() + "app/SPIs/a.spi");
  }
  home.Write("picture.png", PngBytes(test.Side, test.Side));
  TPictureOptions options;
  options.SystemFolder = install;
  options.Helper.Program = KELMO_DECODER_HELPER;
  TPictureSet pictures(home.Path() + "app/", Qt::white, options);

  ASSERT_TRUE(pictures.LoadPicture(TPictureSlot::Shown, home.Path() + "picture.png", false));
  EXPECT_EQ(pictures.Picture(TPictureSlot::Shown).width(), test.Side);
  EXPECT_EQ(pictures.DecoderHelperProcess() >= 0, test.ThroughHelper);
}

const std::string kOwnDecoder = std::string(KELMO_PROGRAM_DIR) + "SPIs/png.spi";
const std::string kOtherDecoder = std::string(KELMO_TEST_DECODER_DIR) + "echo_b.spi";

INSTANTIATE_TEST_SUITE_P(
    Placements, OwnPngDecoderPlacementTest,
    ::testing::Values(
        TPlacement{"the install's own decoder first", nullptr, kOwnDecoder.c_str(), 2, false},
        TPlacement{"a picture beyond the bound", nullptr, kOwnDecoder.c_str(), 4097, true},
        TPlacement{"the program folder's decoder first", kOtherDecoder.c_str(),
                   kOwnDecoder.c_str(), 2, true},
        TPlacement{"our decoder copied into the program folder", kOwnDecoder.c_str(),
                   kOwnDecoder.c_str(), 2, true}),
    [](const auto& info) {
      std::string name = info.param.Name;
      for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST(OwnPngDecoder, AnotherDecoderNamedLikeOursIsNotLoaded) {
  TempFolder home;
  std::filesystem::create_directories(home.Path() + "install/");
  std::filesystem::copy_file(kOtherDecoder, home.Path() + "install/png.spi");
  std::filesystem::copy_file(kOwnDecoder, home.Path() + "install/other.spi");
  EXPECT_FALSE(TOwnPngDecoder(home.Path() + "install/png.spi", {home.Path() + "install/"}).Loaded());
  EXPECT_FALSE(
      TOwnPngDecoder(home.Path() + "install/other.spi", {home.Path() + "install/"}).Loaded());
  EXPECT_FALSE(TOwnPngDecoder(kOwnDecoder, {home.Path() + "install/"}).Loaded());
  EXPECT_TRUE(TOwnPngDecoder(kOwnDecoder, {std::string(KELMO_PROGRAM_DIR) + "SPIs/"}).Loaded());
}

}  // namespace
}  // namespace kelmo::testing
