// The program's own balloon pictures, used when a character brings none: drawn in code, each on
// a key-coloured background (its bottom-left pixel) that the colour key turns into the window.
// The character's balloon is warm and points left at the character's picture; the user's is cool
// and points down and out of the window, towards the user.
#pragma once

#include <QImage>

namespace kelmo {

// The size of both built-in balloons, the size of the balloon box.
inline constexpr int kBalloonWidth = 350;
inline constexpr int kBalloonHeight = 200;

// The balloon picture shown while the character speaks, not yet colour-keyed.
QImage CharacterBalloonPicture();

// The balloon picture shown while the user types, not yet colour-keyed.
QImage UserBalloonPicture();

}  // namespace kelmo
