// The key compares whole premultiplied pixels; the shape is built from runs of opaque
// pixels, rows with the same runs joined into one band, so a figure costs a few hundred
// rectangles rather than one per row and run.
#include "gui/see_through.h"

#include <QHashFunctions>
#include <vector>

namespace kelmo {
namespace {

// More pictures than a character shows: past this the cache starts again.
constexpr size_t kKeptPictures = 64;
constexpr size_t kKeptHashes = 4 * kKeptPictures;

// The runs [start, end) of pixels in row y with alpha of at least minimumAlpha.
void OpaqueRuns(const QImage& image, int y, int minimumAlpha, std::vector<int>& runs) {
  runs.clear();
  const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
  const int width = image.width();
  int x = 0;
  while (x < width) {
    while (x < width && qAlpha(line[x]) < minimumAlpha) ++x;
    if (x == width) break;
    const int start = x;
    while (x < width && qAlpha(line[x]) >= minimumAlpha) ++x;
    runs.push_back(start);
    runs.push_back(x);
  }
}

void AddBand(const std::vector<int>& runs, int top, int bottom, std::vector<QRect>& rects) {
  for (size_t i = 0; i < runs.size(); i += 2) {
    rects.emplace_back(QPoint(runs[i], top), QPoint(runs[i + 1] - 1, bottom - 1));
  }
}

}  // namespace

QImage SeeThroughPicture(const QImage& decoded, bool colourKey) {
  if (decoded.isNull()) return decoded;
  // Premultiplying first costs one pass less; the key is compared premultiplied too.
  QImage picture = decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (colourKey && picture.width() > 0 && picture.height() > 0) {
    const QRgb key = reinterpret_cast<const QRgb*>(picture.constScanLine(picture.height() - 1))[0];
    const int width = picture.width();
    const int height = picture.height();
    for (int y = 0; y < height; ++y) {
      auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
      for (int x = 0; x < width; ++x) {
        if (line[x] == key) line[x] = 0;
      }
    }
  }
  return picture;
}

QRegion OpaqueRegion(const QImage& seeThrough, QSize size, int minimumAlpha) {
  if (seeThrough.isNull() || size.isEmpty()) return {};
  // Premultiplying keeps alpha as it is, and scaling it is what the window's painting does too.
  QImage image = seeThrough.size() == size
                     ? seeThrough
                     : seeThrough.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  if (image.format() != QImage::Format_ARGB32_Premultiplied &&
      image.format() != QImage::Format_ARGB32) {
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  }
  std::vector<QRect> rects;
  std::vector<int> band, row;
  int bandTop = 0;
  for (int y = 0; y < image.height(); ++y) {
    OpaqueRuns(image, y, minimumAlpha, row);
    if (row == band) continue;
    AddBand(band, bandTop, y, rects);
    band.swap(row);
    bandTop = y;
  }
  AddBand(band, bandTop, image.height(), rects);
  QRegion region;
  region.setRects(rects.data(), static_cast<int>(rects.size()));
  return region;
}

TSeeThroughCache::TContentKey TSeeThroughCache::ContentKey(const QImage& decoded, bool colourKey,
                                                           bool mirrored) {
  auto known = hashes_.find(decoded.cacheKey());
  if (known == hashes_.end()) {
    if (hashes_.size() >= kKeptHashes) hashes_.clear();
    const size_t hash =
        decoded.isNull() ? 0 : qHashBits(decoded.constBits(), static_cast<size_t>(decoded.sizeInBytes()));
    known = hashes_.emplace(decoded.cacheKey(), hash).first;
  }
  return {known->second, decoded.width(), decoded.height(), static_cast<int>(decoded.format()),
          colourKey, mirrored};
}

const QImage& TSeeThroughCache::Picture(const QImage& decoded, bool colourKey, bool mirrored) {
  const TContentKey key = ContentKey(decoded, colourKey, mirrored);
  auto kept = pictures_.find(key);
  if (kept != pictures_.end()) return kept->second;
  if (pictures_.size() >= kKeptPictures) {
    // The shapes belong to the pictures that go.
    pictures_.clear();
    shapes_.clear();
  }
  QImage picture = SeeThroughPicture(decoded, colourKey);
  if (mirrored) picture = picture.mirrored(true, false);
  return pictures_.emplace(key, std::move(picture)).first->second;
}

const QRegion& TSeeThroughCache::Shape(const QImage& seeThrough, QSize size, int minimumAlpha) {
  const TShapeKey key{seeThrough.cacheKey(), size.width(), size.height(), minimumAlpha};
  auto kept = shapes_.find(key);
  if (kept != shapes_.end()) return kept->second;
  if (shapes_.size() >= kKeptPictures * 4) shapes_.clear();
  return shapes_.emplace(key, OpaqueRegion(seeThrough, size, minimumAlpha)).first->second;
}

}  // namespace kelmo
