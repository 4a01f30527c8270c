// Arbitrary bytes through our PNG decoder, called as the host calls it. A decode either fails with
// both blocks left empty, or succeeds with blocks the host converts into a picture; a picture the
// in-process bound lets through (read from the header alone) is never larger than the bound.
#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "dorrinkelmo/susie_plugin.h"
#include "pictures/dib_image.h"
#include "pictures/own_png_decoder.h"

namespace {

int NeverCancel(int, int, intptr_t) {
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // As the host hands it over: padded with zeros for IsSupported.
  std::string file(reinterpret_cast<const char*>(data), size);
  file.resize(std::max<size_t>(size, SUSIE_SUPPORTED_HEAD_BYTES), '\0');
  IsSupported("", file.data());
  void* info = nullptr;
  void* bits = nullptr;
  const int result = GetPicture(file.data(), static_cast<long>(size), SUSIE_INPUT_MEMORY, &info,
                                &bits, NeverCancel, 0);
  if (result != SUSIE_SUCCESS && (info != nullptr || bits != nullptr)) __builtin_trap();
  const bool withinBound =
      kelmo::IsPngWithinOwnLimit(std::string_view(reinterpret_cast<const char*>(data), size));
  if (result == SUSIE_SUCCESS) {
    const QImage picture =
        kelmo::AdoptDib(info, malloc_usable_size(info), bits, malloc_usable_size(bits));
    if (picture.isNull()) __builtin_trap();
    if (withinBound && int64_t{picture.width()} * picture.height() > kelmo::kMaxOwnPngPixels) {
      __builtin_trap();
    }
  }
  std::free(info);  // the bits went with the picture
  return 0;
}
