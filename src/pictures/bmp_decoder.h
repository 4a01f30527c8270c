// Windows bitmap files through Qt's own BMP reader.
#pragma once

#include <QImage>
#include <string_view>

namespace kelmo {

// The picture in the BMP file bytes: 1, 4, 8, 16, 24 and 32 bits, RLE-compressed or not,
// bottom-up or top-down. Only the BMP format is tried, whatever the bytes hold. A null image when
// the bytes are no readable bitmap, their pixel data ends before the picture is complete (plain
// rows missing, or run-length codes that stop before the end of the bitmap or of its last row),
// or the picture is beyond the picture limits.
QImage DecodeBmp(std::string_view bytes);

}  // namespace kelmo
