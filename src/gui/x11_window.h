// What the window asks of the X server itself, where Qt offers no way or a wrong answer. Both
// operations do nothing (or answer nothing) on other window systems.
//
// Keeping a window off the task bar: the EWMH state _NET_WM_STATE_SKIP_TASKBAR, set while the
// window is withdrawn (before each showing); Qt merges its own states into what it finds there.
//
// A window's place: after a hide and show, some window managers leave Qt's copy of the place and
// of the frame off by about the height of the title bar, while the X server knows where the
// window really is and the window manager states its frame (_NET_FRAME_EXTENTS).
//
// See-through windows: a compositor (the owner of the selection _NET_WM_CM_S<screen>) blends
// translucent windows; without one, a window is cut to a shape only by the shape extension.
//
// Launch feedback: a desktop that starts the program shows a busy cursor until the window of that
// start appears. A start that hands over to the running program never shows a window of its own,
// so the running program ends the feedback in its place (the startup notification's "remove").
#pragma once

#include <QPoint>
#include <QRect>
#include <optional>
#include <string>

class QWidget;

namespace kelmo {

// Whether the application runs on an X server.
bool OnX11();

// Call from the window's (non-spontaneous) showEvent, before the window is mapped.
void KeepOffTaskbar(QWidget& window);

// Where the inside of the shown top-level window is on the screen, as the X server says;
// std::nullopt without an X server or when it does not answer.
std::optional<QPoint> X11ClientPosition(const QWidget& window);

// The shown top-level window's outer rectangle, frame included (no frame without a window
// manager); std::nullopt without an X server or when it does not answer.
std::optional<QRect> X11FrameGeometry(const QWidget& window);

// What the X server offers to show a window without its background.
struct TX11SeeThrough {
  bool Compositor = false;  // a compositor runs on the application's screen
  bool Shape = false;       // the server has the shape extension
};

// What the application's X server offers; std::nullopt without an X server.
std::optional<TX11SeeThrough> X11SeeThrough();

// Ends the launch feedback of the start with this startup notification id (DESKTOP_STARTUP_ID).
// Nothing for an empty id or without an X server.
void EndLaunchFeedback(const std::string& startupId);

}  // namespace kelmo
