// The image-decoder list with real decoder libraries (the echo decoder, built once per behaviour):
// which libraries are accepted, the order they are asked in, first success, a failing decode
// passing the picture on, the character's share of the list, and decoders that lie about what
// they return.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "picture_files.h"
#include "pictures/dib_image.h"
#include "pictures/picture_set.h"
#include "pictures/susie_plugin_list.h"
#include "support/temp_folder.h"

namespace kelmo::testing {
namespace {

// The blue of the picture's first byte that each stamping test decoder writes.
constexpr int kStampA = 1;
constexpr int kStampB = 2;

// A copy of a test decoder at folder/name.
std::string CopyDecoder(const std::string& decoder, const std::string& folder,
                        const std::string& name) {
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(std::string(KELMO_TEST_DECODER_DIR) + decoder + ".spi", folder + name);
  return folder + name;
}

// A 1 x 1 picture for the echo decoder, claimed by the decoders of claim.
std::string OnePixel(char claim, int result = SUSIE_SUCCESS) {
  return EchoFile(claim, result, DibInfo(1, 1, 24), std::string("\x10\x20\x30\0", 4));
}

// The stamp of the decoder that decoded the file: the first pixel's blue; -1 when none did.
int DecodedBy(TSusiePlugInList& list, const std::string& file) {
  std::optional<TDecodedDib> decoded = list.LoadFromMemory(file.data(), file.size());
  if (!decoded) return -1;
  const QImage picture = AdoptDecodedDib(std::move(*decoded));
  return picture.isNull() ? -1 : qBlue(picture.pixel(0, 0));
}

class DecoderListTest : public ::testing::Test {
 protected:
  std::string Spis() const { return folder_.Path() + "SPIs/"; }
  TempFolder folder_;
  TSusiePlugInList list_;
};

TEST_F(DecoderListTest, FolderLoadsInNameOrderAndTheFirstToSucceedDecodes) {
  CopyDecoder("echo_b", Spis(), "2.spi");
  CopyDecoder("echo_a", Spis(), "1.SPI");
  CopyDecoder("echo", Spis(), "echo.txt");  // not a decoder's name
  ASSERT_EQ(list_.LoadFolder(Spis()), 2);
  EXPECT_EQ(list_.PlugIn(0).FileName, Spis() + "1.SPI");
  EXPECT_EQ(list_.PlugIn(0).ApiVersion, "00IN");
  EXPECT_EQ(list_.PlugIn(0).PlugInName, "echo decoder A");
  EXPECT_EQ(list_.PlugIn(0).Extensions, "*.ECHO");
  EXPECT_EQ(list_.PlugIn(0).TypeName, "Echo picture");

  EXPECT_EQ(DecodedBy(list_, OnePixel('*')), kStampA);  // both claim it: the first decodes
  EXPECT_EQ(DecodedBy(list_, OnePixel('B')), kStampB);  // only the second claims it
  EXPECT_EQ(DecodedBy(list_, OnePixel('Z')), -1);       // nobody claims it
  EXPECT_EQ(DecodedBy(list_, "not an echo file"), -1);
}

TEST_F(DecoderListTest, AFailingDecodePassesThePictureToTheNextDecoder) {
  list_.Add(CopyDecoder("failing", Spis(), "1.spi"));
  list_.Add(CopyDecoder("echo_b", Spis(), "2.spi"));
  EXPECT_EQ(DecodedBy(list_, OnePixel('B')), kStampB);
  EXPECT_EQ(DecodedBy(list_, OnePixel('A')), -1);
  // A decode that succeeds with blocks the list does not read passes it on as well.
  EXPECT_EQ(DecodedBy(list_, EchoFile('B', SUSIE_SUCCESS, "short", "bits")), -1);
}

TEST_F(DecoderListTest, InsertPutsADecoderBeforeOthersAndDeleteTakesItOut) {
  list_.Add(CopyDecoder("echo_a", Spis(), "a.spi"));
  const std::string b = CopyDecoder("echo_b", Spis(), "b.spi");
  EXPECT_FALSE(list_.Insert(2, b));
  EXPECT_FALSE(list_.Insert(-1, b));
  ASSERT_TRUE(list_.Insert(0, b));
  EXPECT_FALSE(list_.Add(b));  // the same path twice
  EXPECT_TRUE(list_.IsLoaded(b));
  EXPECT_EQ(DecodedBy(list_, OnePixel('*')), kStampB);
  list_.Delete(5);
  list_.Delete(0);
  EXPECT_EQ(list_.Count(), 1);
  EXPECT_FALSE(list_.IsLoaded(b));
  EXPECT_EQ(DecodedBy(list_, OnePixel('*')), kStampA);
}

// Libraries the list must refuse when they load: it never calls through a missing entry.
class RefusedDecoderTest : public DecoderListTest,
                           public ::testing::WithParamInterface<const char*> {};

TEST_P(RefusedDecoderTest, IsNotAdded) {
  std::string path = Spis() + "refused.spi";
  if (std::string(GetParam()) == "not_a_library") {
    folder_.Write("SPIs/refused.spi",
                  "\x7f"
                  "ELF but not really");
  } else {
    path = CopyDecoder(GetParam(), Spis(), "refused.spi");
  }
  EXPECT_FALSE(list_.Add(path));
  EXPECT_EQ(list_.LoadFolder(Spis()), 0);
  EXPECT_EQ(list_.Count(), 0);
  EXPECT_EQ(DecodedBy(list_, OnePixel('*')), -1);
}

INSTANTIATE_TEST_SUITE_P(Refused, RefusedDecoderTest,
                         ::testing::Values("no_plugin_info", "archive", "no_is_supported",
                                           "no_get_picture", "not_a_library"),
                         [](const auto& info) { return std::string(info.param); });

TEST(PictureSetDecoders, ProgramThenSystemThenCharacterFolderAndOnlyTheCharacterShareIsReplaced) {
  TempFolder home;
  const std::string app = home.Path() + "app/";
  const std::string system = home.Path() + "system/";
  CopyDecoder("echo_b", app + "SPIs/", "global.spi");
  CopyDecoder("echo_a", system, "system.spi");
  CopyDecoder("echo_a", home.Path() + "two/", "first.spi");
  CopyDecoder("echo_b", home.Path() + "two/", "second.spi");
  std::filesystem::create_directories(home.Path() + "none/");
  TPictureSet pictures(app, Qt::white, system);

  const auto names = [&] { return pictures.DecoderFiles(); };
  const std::vector<std::string> global = {app + "SPIs/global.spi", system + "system.spi"};
  EXPECT_EQ(names(), global);
  pictures.SetCharacterFolder(home.Path() + "two");
  std::vector<std::string> withCharacter = global;
  withCharacter.push_back(home.Path() + "two/first.spi");
  withCharacter.push_back(home.Path() + "two/second.spi");
  EXPECT_EQ(names(), withCharacter);
  pictures.SetCharacterFolder(home.Path() + "none/");
  EXPECT_EQ(names(), global);
  pictures.SetCharacterFolder(home.Path() + "two/");
  pictures.SetCharacterFolder(home.Path() + "two/");  // the same character again
  EXPECT_EQ(names().size(), 4u);
}

// A decoder that succeeds but lies in its header: the picture fails to load, and nothing is read
// outside the blocks (the sanitizer build checks that). The lies exceed the slack malloc may add
// to a block.
struct TLie {
  const char* Name;
  std::string Info;
  size_t BitsSize;
};
void PrintTo(const TLie& test, std::ostream* out) {
  *out << test.Name;
}

std::string Header(int width, int height, int bitCount, uint32_t colours = 0, uint32_t size = 40,
                   uint32_t compression = 0) {
  return Le32(size) + Le32(static_cast<uint32_t>(width)) + Le32(static_cast<uint32_t>(height)) +
         Le16(1) + Le16(static_cast<uint32_t>(bitCount)) + Le32(compression) + Le32(0) + Le32(0) +
         Le32(0) + Le32(colours) + Le32(0);
}

// Notes the lies the list tells of.
struct TLieWitness : TDecodeObserver {
  void Calling(int /*decoder*/) override {}
  void Lied(int decoder) override { Lies.push_back(decoder); }
  std::vector<int> Lies;
};

class LyingDecoderTest : public DecoderListTest, public ::testing::WithParamInterface<TLie> {};

TEST_P(LyingDecoderTest, PictureIsRefused) {
  list_.Add(CopyDecoder("echo", Spis(), "echo.spi"));
  const TLie& lie = GetParam();
  const std::string file = EchoFile('*', SUSIE_SUCCESS, lie.Info, std::string(lie.BitsSize, 'x'));
  TLieWitness witness;
  EXPECT_FALSE(list_.LoadFromMemory(file.data(), file.size(), &witness));
  EXPECT_EQ(witness.Lies, std::vector<int>{0});  // told as the first decoder's lie
}

// 64 x 64 at 24 bits: rows of 192 bytes, 12,288 bytes in all.
constexpr size_t kRows64 = 64 * 192;

INSTANTIATE_TEST_SUITE_P(
    Lies, LyingDecoderTest,
    ::testing::Values(TLie{"HeaderOfTwelveBytes", Header(64, 64, 24).substr(0, 12), kRows64},
                      TLie{"HeaderSizeBelowForty", Header(64, 64, 24, 0, 12), kRows64},
                      TLie{"HeaderSizeBeyondItsBlock", Header(64, 64, 24, 0, 4000), kRows64},
                      TLie{"RowsShorterThanClaimed", Header(64, 64, 24), kRows64 - 192},
                      TLie{"HeightBeyondTheRows", Header(64, 1000, 24), kRows64},
                      TLie{"TopDownHeightBeyondTheRows", Header(64, -1000, 24), kRows64},
                      TLie{"ColourTableBeyondItsBlock",
                           Header(64, 64, 8, 256) + std::string(8, '\0'), 64 * 64},
                      TLie{"MoreColoursThanTheBitCountHolds",
                           Header(64, 64, 4, 17) + std::string(68, '\0'), 64 * 32},
                      TLie{"WidthZero", Header(0, 64, 24), kRows64},
                      TLie{"HeightZero", Header(64, 0, 24), kRows64},
                      TLie{"NegativeWidth", Header(-64, 64, 24), kRows64},
                      TLie{"WiderThanTheLimit", Header(16385, 1, 24), 16385 * 3 + 3},
                      TLie{"HundredThousandSquared", Header(100000, 100000, 32), kRows64},
                      TLie{"OverThePixelLimitWithinTheSides", Header(16384, 16384, 32), kRows64},
                      TLie{"MostNegativeHeight", Header(64, INT_MIN, 24), kRows64},
                      TLie{"SixteenBits", Header(64, 64, 16), kRows64},
                      TLie{"TwoBits", Header(64, 64, 2), kRows64},
                      TLie{"RunLengthCompressed",
                           Header(64, 64, 8, 0, 40, 1) + std::string(1024, '\0'), kRows64}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace kelmo::testing
