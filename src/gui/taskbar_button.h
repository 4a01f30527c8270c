// Keeping a window off the task bar, for the main window when the tray icon stands in for it.
//
// Qt has no setting for this. On X11 the window asks the window manager with the EWMH state
// _NET_WM_STATE_SKIP_TASKBAR, set while the window is withdrawn (before each showing): Qt merges
// its own states into what it finds there. Other window systems keep the button.
#pragma once

class QWidget;

namespace kelmo {

// Call from the window's (non-spontaneous) showEvent, before the window is mapped.
void KeepOffTaskbar(QWidget& window);

}  // namespace kelmo
