// Requests through the application's own X connection.
#include "gui/x11_window.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kelmo {
namespace {

// The longest _NET_WM_STATE read, in atoms (a window has a handful).
constexpr uint32_t kMaxStates = 64;
// _NET_FRAME_EXTENTS: left, right, top, bottom.
constexpr int kFrameExtents = 4;
// A startup notification message travels in client messages of this many bytes each.
constexpr size_t kStartupMessagePiece = 20;

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

// The application's X connection, or null on another window system.
xcb_connection_t* X11Connection() {
  if (QGuiApplication::platformName() != "xcb") return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

// A startup notification value in double quotes, backslash before a quote or a backslash.
std::string QuotedValue(const std::string& value) {
  std::string quoted = "\"";
  for (const char c : value) {
    if (c == '"' || c == '\\') quoted.push_back('\\');
    quoted.push_back(c);
  }
  return quoted + "\"";
}

// The screen number of the display the application opened (DISPLAY's ".n"; 0 without one).
int DisplayScreen() {
  const char* display = std::getenv("DISPLAY");
  const char* dot = display != nullptr ? std::strrchr(display, '.') : nullptr;
  const char* colon = display != nullptr ? std::strrchr(display, ':') : nullptr;
  return dot != nullptr && dot > colon ? std::atoi(dot + 1) : 0;
}

}  // namespace

bool OnX11() {
  return X11Connection() != nullptr;
}

void KeepOffTaskbar(QWidget& window) {
  xcb_connection_t* connection = X11Connection();
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

std::optional<QPoint> X11ClientPosition(const QWidget& window) {
  xcb_connection_t* connection = X11Connection();
  if (connection == nullptr) return std::nullopt;
  const auto id = static_cast<xcb_window_t>(window.winId());
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  xcb_translate_coordinates_reply_t* reply = xcb_translate_coordinates_reply(
      connection, xcb_translate_coordinates(connection, id, root, 0, 0), nullptr);
  if (reply == nullptr) return std::nullopt;
  const QPoint place(reply->dst_x, reply->dst_y);
  std::free(reply);
  return place;
}

std::optional<QRect> X11FrameGeometry(const QWidget& window) {
  const std::optional<QPoint> client = X11ClientPosition(window);
  if (!client) return std::nullopt;
  xcb_connection_t* connection = X11Connection();
  const xcb_atom_t property = InternAtom(connection, "_NET_FRAME_EXTENTS");
  uint32_t extents[kFrameExtents] = {0, 0, 0, 0};
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      connection,
      xcb_get_property(connection, 0, static_cast<xcb_window_t>(window.winId()), property,
                       XCB_ATOM_CARDINAL, 0, kFrameExtents),
      nullptr);
  if (reply != nullptr && reply->format == 32 &&
      xcb_get_property_value_length(reply) == kFrameExtents * 4) {
    std::memcpy(extents, xcb_get_property_value(reply), sizeof extents);
  }
  std::free(reply);
  const int left = static_cast<int>(extents[0]), right = static_cast<int>(extents[1]);
  const int top = static_cast<int>(extents[2]), bottom = static_cast<int>(extents[3]);
  return QRect(client->x() - left, client->y() - top, window.width() + left + right,
               window.height() + top + bottom);
}

std::optional<TX11SeeThrough> X11SeeThrough() {
  xcb_connection_t* connection = X11Connection();
  if (connection == nullptr) return std::nullopt;
  TX11SeeThrough offers;
  const std::string selection = "_NET_WM_CM_S" + std::to_string(DisplayScreen());
  const xcb_atom_t atom = InternAtom(connection, selection.c_str());
  if (atom != XCB_ATOM_NONE) {
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom), nullptr);
    offers.Compositor = owner != nullptr && owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
  }
  constexpr const char kShape[] = "SHAPE";
  xcb_query_extension_reply_t* shape = xcb_query_extension_reply(
      connection, xcb_query_extension(connection, sizeof kShape - 1, kShape), nullptr);
  offers.Shape = shape != nullptr && shape->present != 0;
  std::free(shape);
  return offers;
}

void EndLaunchFeedback(const std::string& startupId) {
  xcb_connection_t* connection = X11Connection();
  if (connection == nullptr || startupId.empty()) return;
  const xcb_atom_t begin = InternAtom(connection, "_NET_STARTUP_INFO_BEGIN");
  const xcb_atom_t more = InternAtom(connection, "_NET_STARTUP_INFO");
  if (begin == XCB_ATOM_NONE || more == XCB_ATOM_NONE) return;
  std::string message = "remove: ID=" + QuotedValue(startupId);
  message.push_back('\0');  // the terminator travels too
  // The pieces come from a window of the sender's own, to every listener on the root window.
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  const xcb_window_t sender = xcb_generate_id(connection);
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, sender, root, -1, -1, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
  for (size_t offset = 0; offset < message.size(); offset += kStartupMessagePiece) {
    xcb_client_message_event_t event = {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 8;
    event.window = sender;
    event.type = offset == 0 ? begin : more;
    std::memcpy(event.data.data8, message.data() + offset,
                std::min(kStartupMessagePiece, message.size() - offset));
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                   reinterpret_cast<const char*>(&event));
  }
  xcb_destroy_window(connection, sender);
  xcb_flush(connection);
}

}  // namespace kelmo
