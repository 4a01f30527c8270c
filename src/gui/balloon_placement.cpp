// The balloon's placement beside the character.
#include "gui/balloon_placement.h"

#include <algorithm>

namespace kelmo {
namespace {

// start clamped so that [start, start + length) lies within [low, high); low when it cannot.
int Clamped(int start, int length, int low, int high) {
  return std::max(low, std::min(start, high - length));
}

}  // namespace

TBalloonPlacement PlaceBalloon(const QRect& character, QSize balloon, const QRect& available) {
  const int roomRight = available.left() + available.width() - (character.left() + character.width());
  const int roomLeft = character.left() - available.left();
  const bool fitsRight = roomRight >= balloon.width();
  const bool fitsLeft = roomLeft >= balloon.width();
  const bool onLeft = !fitsRight && (fitsLeft || roomLeft > roomRight);
  const int x = onLeft ? character.left() - balloon.width() : character.left() + character.width();
  TBalloonPlacement placement;
  placement.OnLeft = onLeft;
  placement.Rect = QRect(
      QPoint(Clamped(x, balloon.width(), available.left(), available.left() + available.width()),
             Clamped(character.top(), balloon.height(), available.top(),
                     available.top() + available.height())),
      balloon);
  return placement;
}

}  // namespace kelmo
