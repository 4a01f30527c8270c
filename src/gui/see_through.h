// Pictures without their background, for the character on the desktop. Where the character asks
// for the colour key, every pixel of exactly the bottom-left pixel's colour (alpha included)
// becomes see-through; alpha a picture carries stays as it is. Without a compositor to blend a
// translucent window, the window is cut to the picture's shape instead: the region of its pixels
// at least half opaque.
//
// A picture change runs on every display command, which decodes its file again, so the cache
// knows a picture by its content: the see-through copy and each shape are made once per picture
// and kept.
#pragma once

#include <QImage>
#include <QRegion>
#include <QSize>
#include <cstddef>
#include <map>
#include <tuple>
#include <unordered_map>

namespace kelmo {

// The alpha from which a pixel belongs to a shape: any alpha where a compositor blends the rest,
// half where the window shows its pixels opaque.
inline constexpr int kBlendedShapeAlpha = 1;
inline constexpr int kOpaqueShapeAlpha = 128;

// The picture as premultiplied 32-bit pixels, with the colour-keyed pixels (colourKey) made fully
// transparent. A null picture stays null.
QImage SeeThroughPicture(const QImage& decoded, bool colourKey);

// The region, in pixels of a picture drawn at size (scaled to it), where the picture's alpha is
// at least minimumAlpha. Empty for a null picture or an empty size.
QRegion OpaqueRegion(const QImage& seeThrough, QSize size, int minimumAlpha);

// The references returned stay valid until the next call.
class TSeeThroughCache {
 public:
  // SeeThroughPicture(decoded, colourKey), mirrored left to right when mirrored is set; the same
  // image (same cacheKey) for the same content every time while it is kept.
  const QImage& Picture(const QImage& decoded, bool colourKey, bool mirrored);

  // OpaqueRegion(seeThrough, size, minimumAlpha), kept for the picture (by its cacheKey).
  const QRegion& Shape(const QImage& seeThrough, QSize size, int minimumAlpha);

 private:
  using TContentKey = std::tuple<size_t, int, int, int, bool, bool>;
  using TShapeKey = std::tuple<qint64, int, int, int>;

  // The content key of an image, hashed once per image.
  TContentKey ContentKey(const QImage& decoded, bool colourKey, bool mirrored);

  std::unordered_map<qint64, size_t> hashes_;  // by cacheKey
  std::map<TContentKey, QImage> pictures_;
  std::map<TShapeKey, QRegion> shapes_;
};

}  // namespace kelmo
