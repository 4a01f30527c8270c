// Where the balloon's own window goes while the character stands on the desktop: level with the
// top of the character, as in the window, on the side of the character that has room on the
// screen. It goes right of the character, flips to the left (its tail pointing right) when the
// right has no room, and is always fully on the screen's available area, over the character if it
// must be.
#pragma once

#include <QRect>
#include <QSize>

namespace kelmo {

struct TBalloonPlacement {
  QRect Rect;           // the balloon window's place and size on the screen
  bool OnLeft = false;  // left of the character: the balloon is drawn mirrored
};

// The balloon of size balloon beside the character window at character, within available (the
// screen's area left by panels). The right side wins when both sides have room; when neither has,
// the side with more room. A balloon larger than available keeps its top-left corner on it.
TBalloonPlacement PlaceBalloon(const QRect& character, QSize balloon, const QRect& available);

}  // namespace kelmo
