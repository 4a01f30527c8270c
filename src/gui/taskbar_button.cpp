// _NET_WM_STATE_SKIP_TASKBAR through the application's own X connection.
#include "gui/taskbar_button.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <cstring>

namespace kelmo {
namespace {

// The longest _NET_WM_STATE read, in atoms (a window has a handful).
constexpr uint32_t kMaxStates = 64;

xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
  const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

bool HasState(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
              xcb_atom_t state) {
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      connection, xcb_get_property(connection, 0, window, property, XCB_ATOM_ATOM, 0, kMaxStates),
      nullptr);
  if (reply == nullptr) return false;
  const auto* states = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
  const int count = reply->format == 32 ? xcb_get_property_value_length(reply) / 4 : 0;
  bool found = false;
  for (int i = 0; i < count && !found; ++i) found = states[i] == state;
  std::free(reply);
  return found;
}

}  // namespace

void KeepOffTaskbar(QWidget& window) {
  if (QGuiApplication::platformName() != "xcb") return;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
  if (connection == nullptr) return;
  const auto id = static_cast<xcb_window_t>(window.winId());
  const xcb_atom_t property = InternAtom(connection, "_NET_WM_STATE");
  const xcb_atom_t skipTaskbar = InternAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
  if (property == XCB_ATOM_NONE || skipTaskbar == XCB_ATOM_NONE) return;
  if (HasState(connection, id, property, skipTaskbar)) return;
  xcb_change_property(connection, XCB_PROP_MODE_APPEND, id, property, XCB_ATOM_ATOM, 32, 1,
                      &skipTaskbar);
  xcb_flush(connection);
}

}  // namespace kelmo
