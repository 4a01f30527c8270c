// The program's own icon (drawn by tools/generate_icon.py and built into the program): the tray
// icon, the windows' icon and the splash window's picture.
#pragma once

#include <QIcon>
#include <QImage>

namespace kelmo {

// The icon's picture (64 x 64, with transparency).
QImage ProgramIcon();

// The same as an icon for windows and the tray.
QIcon ProgramWindowIcon();

}  // namespace kelmo
