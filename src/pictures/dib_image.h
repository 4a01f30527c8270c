// The conversion of a decoder's two returned blocks (a bitmap information header with its colour
// table, and the pixel rows) into a QImage.
//
// A decoder is foreign code, so both blocks are untrusted: every size the header claims is checked
// against the real size of its block before a byte is read, and a picture beyond the picture
// limits is refused before its pixels are allocated.
#pragma once

#include <QImage>
#include <cstddef>

#include "pictures/susie_plugin_list.h"

namespace kelmo {

// The picture the blocks describe: infoSize bytes at info (header, then colour table) and
// bitsSize bytes at bits (rows bottom-up, or top-down for a negative height, each padded to 4
// bytes). Reads 1, 4 and 8 bits with a colour table (indices beyond the table are black), 24
// bits, and 32 bits with alpha (an alpha of 0 in every pixel counts as opaque). A null image for
// anything else: a short or unknown header, another bit count or compression, a side of 0 or
// beyond the limits, a colour table or rows that do not fit their block.
QImage DibToImage(const void* info, size_t infoSize, const void* bits, size_t bitsSize);

// DibToImage for a bits block that a decoder allocated with malloc, taken over: it is freed here,
// or, when it holds 32-bit rows top-down (the layout a QImage has), becomes the picture's own
// pixels without a copy and is freed with the picture.
QImage AdoptDib(const void* info, size_t infoSize, void* bits, size_t bitsSize);

// AdoptDib for rows that are released by calling release(releaseInfo) instead of free: called
// once, when the picture goes or at once when the rows are not taken over.
QImage AdoptDib(const void* info, size_t infoSize, void* bits, size_t bitsSize,
                void (*release)(void*), void* releaseInfo);

// AdoptDib of the blocks a decoder returned in this process (susie_plugin_list.h).
QImage AdoptDecodedDib(TDecodedDib dib);

}  // namespace kelmo
