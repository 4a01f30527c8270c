// The colour key, the program's only transparency: the colour of a picture's bottom-left pixel
// stands for "background", and every pixel of exactly that colour takes the window's background
// colour, so the figure seems to stand on the window.
#pragma once

#include <QColor>
#include <QImage>

namespace kelmo {

// Makes bitmap opaque 32-bit (pixels with alpha are composed over to, the colour it is shown on)
// and gives every pixel whose red, green and blue equal from's the colour to. Nothing for a null
// or empty bitmap.
void ReplaceColour(QImage& bitmap, QColor from, QColor to);

// The picture with its bottom-left pixel's colour (after composing over background) replaced by
// background; a null picture stays null.
QImage ColourKeyed(const QImage& picture, QColor background);

}  // namespace kelmo
