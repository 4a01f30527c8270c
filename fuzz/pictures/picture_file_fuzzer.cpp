// Arbitrary bytes through the BMP and JPEG decoders (the first byte chooses): whatever the bytes,
// a decode returns a picture within the limits or none, and libjpeg's errors never leave the
// decoder.
#include <cstdint>
#include <string_view>

#include "pictures/bmp_decoder.h"
#include "pictures/jpeg_decoder.h"
#include "pictures/picture_limits.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const QImage picture = data[0] % 2 == 0 ? kelmo::DecodeBmp(bytes) : kelmo::DecodeJpeg(bytes);
  if (!picture.isNull() && !kelmo::WithinPictureLimits(picture.width(), picture.height())) {
    __builtin_trap();
  }
  return 0;
}
