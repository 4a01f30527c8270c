// JPEG pictures through libjpeg-turbo.
#pragma once

#include <QImage>
#include <string_view>

namespace kelmo {

// The picture in the JPEG file bytes, as an opaque 32-bit image. A null image when the bytes are
// no JPEG, are corrupt or end before the last row, the picture is beyond the picture limits or
// kMaxJpegPixels, the file has more than kMaxJpegScans scans, or libjpeg would need more than
// kMaxJpegWorkingBytes of working memory.
// libjpeg's errors end the decode here, never the program; its messages are not printed.
QImage DecodeJpeg(std::string_view bytes);

}  // namespace kelmo
