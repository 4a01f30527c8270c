// Showing a window and letting the window system put it on the screen before going on. A window's
// frame (title bar, border) is known, and a window can be painted on the screen, only once the
// window manager has mapped it; until then Qt places and sizes the bare window. While waiting,
// only events from the window system, timers and posted calls run, never the user's input.
#pragma once

class QWidget;

namespace kelmo {

// How long a window is waited for; a window system that takes longer is not waited for further.
inline constexpr int kExposurePatienceMs = 100;

// Shows window and waits until it is exposed, at most kExposurePatienceMs.
void ShowExposed(QWidget& window);

}  // namespace kelmo
