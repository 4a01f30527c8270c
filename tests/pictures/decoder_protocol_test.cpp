// The reader of the decoder helper's replies, which trusts nothing the helper says: what a well
// formed reply gives, and a table of replies cut short or out of place, each of which must end as
// Cut or Malformed without a picture.
#include "pictures/decoder_protocol.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include "picture_files.h"
#include "support/temp_folder.h"

namespace kelmo::testing {
namespace {

constexpr int kDecoders = 3;

std::string Frame(TFrameKind kind, uint32_t decoder, uint32_t detail = 0, uint32_t infoSize = 0,
                  uint32_t bitsSize = 0) {
  return Le32(static_cast<uint32_t>(kind)) + Le32(decoder) + Le32(detail) + Le32(infoSize) +
         Le32(bitsSize);
}

// A decoded picture as the helper holds it: its blocks malloc'ed like a decoder's.
TDecodedDib Decoded(int decoder, const std::string& info, const std::string& bits) {
  TDecodedDib dib;
  dib.Decoder = decoder;
  dib.Info.reset(std::malloc(info.size()));
  std::memcpy(dib.Info.get(), info.data(), info.size());
  dib.InfoSize = info.size();
  dib.Bits.reset(std::malloc(bits.size()));
  std::memcpy(dib.Bits.get(), bits.data(), bits.size());
  dib.BitsSize = bits.size();
  dib.Layout = *ReadDibLayout(dib.Info.get(), dib.InfoSize, dib.BitsSize);
  return dib;
}

// The rows as the helper sends them.
TFileDescriptor Rows(const std::string& bits) {
  return SealedPixelFile(bits.data(), bits.size());
}

THelperReply Read(const std::string& bytes, TFileDescriptor rows = {}) {
  TMemorySource source(bytes, std::move(rows));
  return ReadHelperReply(source, kDecoders);
}

TEST(HelperReply, APictureComesWithItsLayoutAndRowsAndTheDecodersCalledBefore) {
  // 3 x 2 at 8 bits with a header larger than 40 bytes and a two-colour table: the reply carries
  // a 40-byte header and exactly the colours used.
  const TPixelGrid grid{3, 2, {0, 1, 1, 0, 1, 0}, {qRgb(1, 2, 3), qRgb(250, 251, 252)}};
  std::string info = DibInfo(3, 2, 8, grid.Palette);
  info.replace(0, 4, Le32(56));
  info.insert(40, 16, '\0');  // the larger header's extra fields
  const TDecodedDib dib = Decoded(1, info, DibBits(grid, 8) + "slack");
  const THelperReply reply = Read(CallingFrame(0) + CallingFrame(1) + PictureFrame(dib),
                                  Rows(DibBits(grid, 8)));
  ASSERT_EQ(reply.End, TReplyEnd::Picture);
  EXPECT_EQ(reply.Decoder, 1);
  EXPECT_EQ(reply.LastCalled, 1);
  EXPECT_EQ(reply.Layout.Width, 3);
  EXPECT_EQ(reply.Layout.Height, 2);
  EXPECT_EQ(reply.Layout.ColourEntries, 2);
  EXPECT_EQ(reply.Info.size(), 40u + 2 * 4);
  ASSERT_EQ(reply.Bits.Size(), 2u * 4);  // rows of 3 bytes padded to 4
  EXPECT_EQ(std::memcmp(reply.Bits.Get(), dib.Bits.get(), reply.Bits.Size()), 0);
  EXPECT_TRUE(reply.Misdeeds.empty());
}

TEST(HelperReply, MisdeedsAreKeptInOrderAndNoPictureEndsTheReply) {
  const THelperReply reply = Read(CallingFrame(0) + MisdeedFrame(0, TMisdeed::Lied) +
                                  CallingFrame(2) + MisdeedFrame(2, TMisdeed::StartedProcess) +
                                  NoPictureFrame() + "bytes of the next reply");
  ASSERT_EQ(reply.End, TReplyEnd::NoPicture);
  EXPECT_EQ(reply.LastCalled, 2);
  const std::vector<std::pair<int, TMisdeed>> expected = {{0, TMisdeed::Lied},
                                                          {2, TMisdeed::StartedProcess}};
  EXPECT_EQ(reply.Misdeeds, expected);
  EXPECT_FALSE(reply.Bits);
}

// What comes with a bad reply as its rows.
enum class TRows { None, Sealed, Unsealed, SealedShort, SealedLong, NoMemoryFile };

struct TBadReply {
  const char* Name;
  std::string Bytes;
  TReplyEnd End;
  TRows Rows = TRows::Sealed;
};
void PrintTo(const TBadReply& test, std::ostream* out) {
  *out << test.Name;
}

// A 2 x 2 picture at 24 bits: 40 bytes of header, two rows of 8 bytes.
const std::string kInfo24 = DibInfo(2, 2, 24);
constexpr size_t kRowBytes24 = 16;
std::string Picture24(uint32_t infoSize, uint32_t bitsSize, const std::string& info = kInfo24) {
  return Frame(TFrameKind::Picture, 0, 0, infoSize, bitsSize) + info;
}

TFileDescriptor RowsOf(TRows rows, const TempFolder& folder) {
  const std::string bytes(kRowBytes24, '\x7f');
  switch (rows) {
    case TRows::None:
      return {};
    case TRows::Sealed:
      return SealedPixelFile(bytes.data(), bytes.size());
    case TRows::SealedShort:
      return SealedPixelFile(bytes.data(), bytes.size() - 1);
    case TRows::SealedLong:
      return SealedPixelFile((bytes + "x").data(), bytes.size() + 1);
    case TRows::Unsealed: {
      TFileDescriptor file(::memfd_create("rows", MFD_CLOEXEC));
      EXPECT_EQ(::write(file.Get(), bytes.data(), bytes.size()), 16);
      return file;
    }
    case TRows::NoMemoryFile:
      return TFileDescriptor(
          ::open(folder.Write("rows", bytes).c_str(), O_RDONLY | O_CLOEXEC));
  }
  return {};
}

class BadReplyTest : public ::testing::TestWithParam<TBadReply> {};

TEST_P(BadReplyTest, EndsWithoutAPicture) {
  TempFolder folder;
  const THelperReply reply = Read(GetParam().Bytes, RowsOf(GetParam().Rows, folder));
  EXPECT_EQ(reply.End, GetParam().End);
  EXPECT_FALSE(reply.Bits);
}

// The good picture frame, which the rows of each kind spoil.
TEST(HelperReply, TheGoodFrameOfTheTableDecodes) {
  const TempFolder folder;
  const THelperReply reply =
      Read(CallingFrame(0) + Picture24(40, 16), RowsOf(TRows::Sealed, folder));
  EXPECT_EQ(reply.End, TReplyEnd::Picture);
}

const std::string kCalled = CallingFrame(0);

INSTANTIATE_TEST_SUITE_P(
    Replies, BadReplyTest,
    ::testing::Values(
        TBadReply{"Nothing", "", TReplyEnd::Cut},
        TBadReply{"HalfAFrame", kCalled.substr(0, 10), TReplyEnd::Cut},
        TBadReply{"NoLastFrame", kCalled + CallingFrame(1), TReplyEnd::Cut},
        TBadReply{"InfoCut", kCalled + Picture24(40, 16).substr(0, 40), TReplyEnd::Cut},
        TBadReply{"NoRows", kCalled + Picture24(40, 16), TReplyEnd::Malformed, TRows::None},
        TBadReply{"RowsThatCanStillChange", kCalled + Picture24(40, 16), TReplyEnd::Malformed,
                  TRows::Unsealed},
        TBadReply{"RowsInAFileOnDisk", kCalled + Picture24(40, 16), TReplyEnd::Malformed,
                  TRows::NoMemoryFile},
        TBadReply{"RowsShorterThanTheFrameSays", kCalled + Picture24(40, 16),
                  TReplyEnd::Malformed, TRows::SealedShort},
        TBadReply{"RowsLongerThanTheFrameSays", kCalled + Picture24(40, 16),
                  TReplyEnd::Malformed, TRows::SealedLong},
        TBadReply{"UnknownKind", kCalled + Frame(TFrameKind(9), 0), TReplyEnd::Malformed},
        TBadReply{"CallingBeyondTheDecoders", CallingFrame(kDecoders), TReplyEnd::Malformed},
        TBadReply{"CallingTheSameDecoderAgain", kCalled + kCalled, TReplyEnd::Malformed},
        TBadReply{"CallingBackwards", CallingFrame(1) + kCalled, TReplyEnd::Malformed},
        TBadReply{"MisdeedBeforeAnyCall", MisdeedFrame(0, TMisdeed::Lied), TReplyEnd::Malformed},
        TBadReply{"MisdeedOfAnotherDecoder", kCalled + MisdeedFrame(1, TMisdeed::Lied),
                  TReplyEnd::Malformed},
        TBadReply{"UnknownMisdeed", kCalled + MisdeedFrame(0, TMisdeed(7)), TReplyEnd::Malformed},
        TBadReply{"TheSameMisdeedTwice",
                  kCalled + MisdeedFrame(0, TMisdeed::Lied) + MisdeedFrame(0, TMisdeed::Lied),
                  TReplyEnd::Malformed},
        TBadReply{"PictureBeforeAnyCall", Picture24(40, 16), TReplyEnd::Malformed},
        TBadReply{"PictureOfAnotherDecoder", CallingFrame(1) + Picture24(40, 16),
                  TReplyEnd::Malformed},
        TBadReply{"InfoBelowAHeader", kCalled + Picture24(39, 16), TReplyEnd::Malformed},
        TBadReply{"InfoBeyondAFullColourTable",
                  kCalled + Frame(TFrameKind::Picture, 0, 0, 40 + 257 * 4, 16),
                  TReplyEnd::Malformed},
        TBadReply{"FrameClaimsFewerRowBytesThanTheHeader", kCalled + Picture24(40, 15),
                  TReplyEnd::Malformed},
        TBadReply{"FrameClaimsMoreRowBytesThanTheHeader", kCalled + Picture24(40, 17),
                  TReplyEnd::Malformed},
        TBadReply{"FourGigabytesOfRows", kCalled + Picture24(40, 0xffffffff),
                  TReplyEnd::Malformed},
        TBadReply{"HeaderOfAnotherSize",
                  kCalled + Picture24(44, 16, Le32(44) + kInfo24.substr(4) + "xxxx"),
                  TReplyEnd::Malformed},
        TBadReply{"ColourTableLongerThanUsed",
                  kCalled + Frame(TFrameKind::Picture, 0, 0, 40 + 3 * 4, 4) +
                      DibInfo(1, 1, 1, {0, 0}) + std::string(4, '\0'),
                  TReplyEnd::Malformed},
        TBadReply{"HeaderBeyondThePictureLimits",
                  kCalled + Frame(TFrameKind::Picture, 0, 0, 40, 16) + DibInfo(20000, 1, 24),
                  TReplyEnd::Malformed}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace kelmo::testing
