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
  ASSERT_TRUE(RowsInStream(dib));
  const THelperReply reply = Read(CallingFrame(0) + CallingFrame(1) + PictureFrame(dib));
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

// What comes with a bad reply as the rows of a large picture.
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

// A small picture, 2 x 2 at 24 bits: 40 bytes of header, two rows of 8 bytes in the stream.
const std::string kInfo24 = DibInfo(2, 2, 24);
const std::string kRows24(16, '\x7f');
std::string Small(uint32_t infoSize, uint32_t bitsSize, const std::string& info = kInfo24,
                  uint32_t rowsPlace = kRowsInStream) {
  return Frame(TFrameKind::Picture, 0, rowsPlace, infoSize, bitsSize) + info;
}

// A large picture, 384 x 384 at 32 bits, whose rows come in a memory file.
constexpr int kLargeSide = 384;
constexpr size_t kLargeRowBytes = kLargeSide * kLargeSide * 4;
static_assert(kLargeRowBytes > kMostRowBytesInStream);
std::string Large(uint32_t rowsPlace = kRowsInMemoryFile) {
  return Frame(TFrameKind::Picture, 0, rowsPlace, 40, kLargeRowBytes) +
         DibInfo(kLargeSide, -kLargeSide, 32);
}

TFileDescriptor RowsOf(TRows rows, const TempFolder& folder) {
  const std::string bytes(kLargeRowBytes, '\x7f');
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
      EXPECT_EQ(::write(file.Get(), bytes.data(), bytes.size()),
                static_cast<ssize_t>(bytes.size()));
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

// The good frames of the table, which the faults of each case spoil.
TEST(HelperReply, TheGoodFramesOfTheTableDecode) {
  const TempFolder folder;
  const THelperReply small = Read(CallingFrame(0) + Small(40, 16) + kRows24);
  ASSERT_EQ(small.End, TReplyEnd::Picture);
  EXPECT_EQ(std::string(static_cast<const char*>(small.Bits.Get()), small.Bits.Size()), kRows24);
  const THelperReply large = Read(CallingFrame(0) + Large(), RowsOf(TRows::Sealed, folder));
  ASSERT_EQ(large.End, TReplyEnd::Picture);
  EXPECT_EQ(large.Layout.Width, kLargeSide);
  EXPECT_EQ(large.Bits.Size(), kLargeRowBytes);
}

const std::string kCalled = CallingFrame(0);

INSTANTIATE_TEST_SUITE_P(
    Replies, BadReplyTest,
    ::testing::Values(
        TBadReply{"Nothing", "", TReplyEnd::Cut},
        TBadReply{"HalfAFrame", kCalled.substr(0, 10), TReplyEnd::Cut},
        TBadReply{"NoLastFrame", kCalled + CallingFrame(1), TReplyEnd::Cut},
        TBadReply{"InfoCut", kCalled + Small(40, 16).substr(0, 40), TReplyEnd::Cut},
        TBadReply{"RowsInTheStreamCut", kCalled + Small(40, 16) + kRows24.substr(1),
                  TReplyEnd::Cut},
        TBadReply{"SmallRowsInAMemoryFile",
                  kCalled + Small(40, 16, kInfo24, kRowsInMemoryFile) + kRows24,
                  TReplyEnd::Malformed},
        TBadReply{"LargeRowsInTheStream", kCalled + Large(kRowsInStream), TReplyEnd::Malformed},
        TBadReply{"RowsInAnUnknownPlace", kCalled + Small(40, 16, kInfo24, 2) + kRows24,
                  TReplyEnd::Malformed},
        TBadReply{"NoRowsFile", kCalled + Large(), TReplyEnd::Malformed, TRows::None},
        TBadReply{"RowsThatCanStillChange", kCalled + Large(), TReplyEnd::Malformed,
                  TRows::Unsealed},
        TBadReply{"RowsInAFileOnDisk", kCalled + Large(), TReplyEnd::Malformed,
                  TRows::NoMemoryFile},
        TBadReply{"RowsFileShorterThanTheFrameSays", kCalled + Large(), TReplyEnd::Malformed,
                  TRows::SealedShort},
        TBadReply{"RowsFileLongerThanTheFrameSays", kCalled + Large(), TReplyEnd::Malformed,
                  TRows::SealedLong},
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
        TBadReply{"PictureBeforeAnyCall", Small(40, 16) + kRows24, TReplyEnd::Malformed},
        TBadReply{"PictureOfAnotherDecoder", CallingFrame(1) + Small(40, 16) + kRows24,
                  TReplyEnd::Malformed},
        TBadReply{"InfoBelowAHeader", kCalled + Small(39, 16), TReplyEnd::Malformed},
        TBadReply{"InfoBeyondAFullColourTable",
                  kCalled + Frame(TFrameKind::Picture, 0, kRowsInStream, 40 + 257 * 4, 16),
                  TReplyEnd::Malformed},
        TBadReply{"FrameClaimsFewerRowBytesThanTheHeader", kCalled + Small(40, 15) + kRows24,
                  TReplyEnd::Malformed},
        TBadReply{"FrameClaimsMoreRowBytesThanTheHeader", kCalled + Small(40, 17) + kRows24,
                  TReplyEnd::Malformed},
        TBadReply{"FourGigabytesOfRows", kCalled + Small(40, 0xffffffff), TReplyEnd::Malformed},
        TBadReply{"HeaderOfAnotherSize",
                  kCalled + Small(44, 16, Le32(44) + kInfo24.substr(4) + "xxxx") + kRows24,
                  TReplyEnd::Malformed},
        TBadReply{"ColourTableLongerThanUsed",
                  kCalled + Frame(TFrameKind::Picture, 0, kRowsInStream, 40 + 3 * 4, 4) +
                      DibInfo(1, 1, 1, {0, 0}) + std::string(4, '\0') + std::string(4, '\0'),
                  TReplyEnd::Malformed},
        TBadReply{"HeaderBeyondThePictureLimits",
                  kCalled + Frame(TFrameKind::Picture, 0, kRowsInStream, 40, 16) +
                      DibInfo(20000, 1, 24) + kRows24,
                  TReplyEnd::Malformed}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace kelmo::testing
