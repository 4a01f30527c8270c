// Arbitrary bytes as the decoder helper's reply, through the reader the program uses. The first
// byte chooses how many decoders the helper has (1 to 4) and whether a memory file of rows is
// sealed; the next two give the length of the stream (little-endian), and what follows the
// stream is the content of the rows' memory file. A reply read as a picture must hold exactly
// what its layout claims (large rows only from a sealed file), and convert into a picture of its
// layout's size.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "pictures/decoder_protocol.h"
#include "pictures/dib_image.h"

namespace {

// The rows as a memory file, sealed or not.
kelmo::TFileDescriptor RowsFile(std::string_view rows, bool sealed) {
  if (sealed) return kelmo::SealedPixelFile(rows.data(), rows.size());
  kelmo::TFileDescriptor file(::memfd_create("rows", MFD_CLOEXEC));
  if (file.IsOpen() && !rows.empty() &&
      ::write(file.Get(), rows.data(), rows.size()) != static_cast<ssize_t>(rows.size())) {
    return {};
  }
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int decoders = data[0] % 4 + 1;
  const bool sealed = (data[0] & 4) == 0;
  const size_t streamSize = std::min<size_t>(data[1] | data[2] << 8, size - 3);
  const std::string_view input(reinterpret_cast<const char*>(data) + 3, size - 3);
  kelmo::TMemorySource source(input.substr(0, streamSize),
                              RowsFile(input.substr(streamSize), sealed));
  kelmo::THelperReply reply = kelmo::ReadHelperReply(source, decoders);
  if (reply.End != kelmo::TReplyEnd::Picture) {
    if (reply.Bits) __builtin_trap();
    return 0;
  }
  const kelmo::TDibLayout layout = reply.Layout;
  const bool inMemoryFile = reply.Bits.Size() > kelmo::kMostRowBytesInStream;
  if ((inMemoryFile && !sealed) || !reply.Bits ||
      static_cast<int64_t>(reply.Bits.Size()) != layout.BitsBytes() ||
      reply.Decoder != reply.LastCalled || reply.Decoder < 0 || reply.Decoder >= decoders) {
    __builtin_trap();
  }
  const QImage picture = kelmo::DibToImage(reply.Info.data(), reply.Info.size(),
                                           reply.Bits.Get(), reply.Bits.Size());
  if (picture.width() != layout.Width || picture.height() != layout.Height) __builtin_trap();
  return 0;
}
