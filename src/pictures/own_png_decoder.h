// The PNG decoder the program installs with itself ("png.spi" in the system folder of decoders or
// in "SPIs/" beside the executable) is the program's own code, as its JPEG and BMP readers are, so
// it decodes in this process: a picture change of a character drawn in PNG pays no round trip to
// the decoder helper. Every other decoder file, whatever its name, runs only in the helper.
//
// In process it decodes only files whose PNG header claims at most kMaxOwnPngPixels, so that no
// file it is given costs this process more than a fraction of a second or 64 MiB; a larger picture,
// a file it declines and any other kind of file go on to the helper's decoders in their order.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pictures/susie_plugin_list.h"

namespace kelmo {

// Most pixels of a PNG picture decoded in process: 4096 x 4096, the bound JPEG keeps to.
inline constexpr int64_t kMaxOwnPngPixels = int64_t{4096} * 4096;

// Whether the bytes begin as a PNG file whose header claims at least one and at most
// kMaxOwnPngPixels pixels.
bool IsPngWithinOwnLimit(std::string_view bytes);

class TOwnPngDecoder {
 public:
  // Loads decoderFile when it is the program's own PNG decoder: named "png.spi", lying in one of
  // installFolders (folders of the program's install, each ending in '/'), and naming itself as
  // ours. Otherwise nothing is loaded and Loaded() is false.
  TOwnPngDecoder(const std::string& decoderFile, const std::vector<std::string>& installFolders);

  bool Loaded() const { return decoder_.Count() == 1; }

  // The picture in the file's bytes; nothing when it is not loaded, the bytes are no PNG within
  // kMaxOwnPngPixels, or the decoder declines them.
  std::optional<TDecodedDib> Decode(std::string_view bytes);

 private:
  TSusiePlugInList decoder_;  // the decoder, when it is ours
};

}  // namespace kelmo
