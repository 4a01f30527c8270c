// The blocks a hostile decoder could return, through the conversion. Most inputs build a header
// field by field from plausible and hostile values (so the fuzzer reaches the checks past the
// first one quickly); the rest hand raw bytes over as both blocks. Each block is malloc'ed at its
// exact size, as a decoder would, and measured as the host measures it; half the inputs hand the
// bits block over as the host does. A picture that converts must have the size its header claims.
#include <fuzzer/FuzzedDataProvider.h>
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "dorrinkelmo/susie_plugin.h"
#include "pictures/dib_image.h"

namespace {

// A header built from the input, followed by a colour table of the input's bytes.
std::string Header(FuzzedDataProvider& input) {
  SusieBitmapInfoHeader header{};
  header.biSize = input.ConsumeBool() ? 40 : input.PickValueInArray<uint32_t>({12, 108, 124, 0});
  header.biWidth = input.ConsumeBool() ? input.ConsumeIntegralInRange<int32_t>(-2, 40)
                                       : input.ConsumeIntegral<int32_t>();
  header.biHeight = input.ConsumeBool() ? input.ConsumeIntegralInRange<int32_t>(-40, 40)
                                        : input.ConsumeIntegral<int32_t>();
  header.biPlanes = 1;
  header.biBitCount = input.PickValueInArray<uint16_t>({1, 4, 8, 24, 32, 16, 2, 0});
  header.biCompression = input.ConsumeBool() ? SUSIE_BI_RGB : input.ConsumeIntegral<uint8_t>();
  header.biClrUsed = input.ConsumeBool() ? input.ConsumeIntegralInRange<uint32_t>(0, 300)
                                         : input.ConsumeIntegral<uint32_t>();
  std::string block(reinterpret_cast<const char*>(&header), sizeof header);
  block.resize(input.ConsumeIntegralInRange<size_t>(0, sizeof header + 300 * 4));
  return block;
}

// A copy of bytes in a block of exactly their size, as a decoder would return it.
void* Block(const std::string& bytes) {
  void* block = std::malloc(bytes.size());
  if (block != nullptr && !bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
  return block;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const uint8_t mode = input.ConsumeIntegral<uint8_t>();
  const bool raw = mode < 32;
  const bool adopt = mode % 2 == 0;
  const std::string info = raw ? input.ConsumeRandomLengthString() : Header(input);
  const std::string bits = input.ConsumeRemainingBytesAsString();
  void* infoBlock = Block(info);
  void* bitsBlock = Block(bits);
  const size_t bitsSize = malloc_usable_size(bitsBlock);
  const QImage picture =
      adopt ? kelmo::AdoptDib(infoBlock, malloc_usable_size(infoBlock), bitsBlock, bitsSize)
            : kelmo::DibToImage(infoBlock, malloc_usable_size(infoBlock), bitsBlock, bitsSize);
  if (!picture.isNull()) {
    if (info.size() < sizeof(SusieBitmapInfoHeader)) __builtin_trap();
    SusieBitmapInfoHeader header;
    std::memcpy(&header, info.data(), sizeof header);
    const int64_t height = header.biHeight < 0 ? -int64_t{header.biHeight} : header.biHeight;
    if (picture.width() != header.biWidth || picture.height() != height) __builtin_trap();
  }
  std::free(infoBlock);
  if (!adopt) std::free(bitsBlock);
  return 0;
}
