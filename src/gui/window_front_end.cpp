// Wiring of the window front end.
#include "gui/window_front_end.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "gui/balloon_edit.h"
#include "gui/form_main.h"
#include "gui/qt_main_thread.h"
#include "gui/qt_text.h"
#include "gui/x11_window.h"
#include "instance/single_instance.h"
#include "shell/chat_controller.h"
#include "shell/reported_step.h"

namespace kelmo {
namespace {

constexpr const char* kErrorPrefix = "dorrinkelmo: ";
// The desktop entry the program is installed with (packaging/), without ".desktop".
constexpr const char* kDesktopEntryName = "org.example.dorrinkelmo.DorrinKelmo";
// Said when second starts cannot be answered; the reason follows.
constexpr const char* kNoHandOverMessage = "あとから起動した DorrinKelmo の引き継ぎができません: ";
// The name the application object is given as its argv[0]; Qt's own options are not offered.
char kProgramArgument[] = "dorrinkelmo";
// Qt's Wayland platform, which Debian ships apart from Qt itself.
constexpr const char* kWaylandPlatformPlugin = "/platforms/libqwayland-generic.so";
// The signals that close the window.
constexpr int kTerminationSignals[] = {SIGINT, SIGTERM, SIGHUP};

bool EnvironmentSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

bool X11Reachable() {
  if (!EnvironmentSet("DISPLAY")) return false;
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool reachable = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return reachable;
}

bool WaylandReachable() {
  if (!EnvironmentSet("WAYLAND_DISPLAY")) return false;
  const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
  if (!QFileInfo::exists(plugins + kWaylandPlatformPlugin)) return false;
  std::string socketPath = std::getenv("WAYLAND_DISPLAY");
  if (socketPath.front() != '/') {
    if (!EnvironmentSet("XDG_RUNTIME_DIR")) return false;
    socketPath = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/" + socketPath;
  }
  sockaddr_un address = {};
  if (socketPath.size() >= sizeof address.sun_path) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, socketPath.data(), socketPath.size());
  const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (probe < 0) return false;
  const bool reachable =
      ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(probe);
  return reachable;
}

// Turns the termination signals into a call on the main thread: the handler writes a byte into a
// pipe that the event loop watches. The handlers are the process's until the object goes.
class TTerminationSignals {
 public:
  template <typename TCallback>
  explicit TTerminationSignals(TCallback onSignal) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    writeEnd = pipe_[1];
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this, onSignal] {
      char drain[64];
      while (::read(pipe_[0], drain, sizeof drain) > 0) {
      }
      onSignal();
    });
    struct sigaction action = {};
    action.sa_handler = &Handler;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kTerminationSignals); ++i) {
      ::sigaction(kTerminationSignals[i], &action, &previous_[i]);
    }
  }

  ~TTerminationSignals() {
    if (notifier_ == nullptr) return;
    for (size_t i = 0; i < std::size(kTerminationSignals); ++i) {
      ::sigaction(kTerminationSignals[i], &previous_[i], nullptr);
    }
    notifier_.reset();
    writeEnd = -1;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
  }

  TTerminationSignals(const TTerminationSignals&) = delete;
  TTerminationSignals& operator=(const TTerminationSignals&) = delete;

 private:
  static void Handler(int) {
    const char wake = 1;
    // A full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &wake, 1);
  }

  static inline int writeEnd = -1;  // the handler's only state
  int pipe_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
  struct sigaction previous_[std::size(kTerminationSignals)] = {};
};

}  // namespace

bool WindowSystemReachable() {
  if (EnvironmentSet("QT_QPA_PLATFORM")) return true;
  return X11Reachable() || WaylandReachable();
}

void UseApplicationFont() {
  QFont font = QApplication::font();
  font.setFamilies(WithJapaneseFallback(kApplicationFontFamily));
  font.setPixelSize(kApplicationFontPixelSize);
  QApplication::setFont(font);
}

int RunWindowFrontEnd(const TWindowOptions& options) {
  int argc = 1;
  char* argv[] = {kProgramArgument, nullptr};
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);  // the controller decides when the program ends
  QCoreApplication::setApplicationName(kApplicationTitle);
  // Desktops (Wayland's above all) find the program's menu entry and icon by this name.
  QGuiApplication::setDesktopFileName(kDesktopEntryName);
  UseApplicationFont();

  TQtMainThreadCall mainThread;
  TFormMain form(options.AppDir, QSystemTrayIcon::isSystemTrayAvailable());
  TControllerOptions controllerOptions;
  controllerOptions.AppDir = options.AppDir;
  controllerOptions.ProgramFileName = options.ProgramFileName;
  controllerOptions.MainWindowHandle = static_cast<long long>(form.winId());
  controllerOptions.MainThread = &mainThread;
  TChatController controller(form, controllerOptions);
  form.Attach(controller);
  QObject::connect(&form, &TFormMain::ConversationClosed, &application, &QCoreApplication::quit,
                   Qt::QueuedConnection);
  // A signal during the start-up (a dialog asking for the profile or a character runs its own
  // event loop) ends every event loop: the open dialog returns as cancelled, and any the start-up
  // opens after it returns at once, until the conversation is up and is closed as at any other
  // time.
  bool started = false;
  bool terminatedWhileStarting = false;
  const TTerminationSignals signalWatch([&] {
    if (started) {
      form.RequestCloseWithoutMessages();
      return;
    }
    terminatedWhileStarting = true;
    QCoreApplication::exit(0);
  });

  const auto shutdown = [&] {
    controller.Shutdown();
    return true;
  };
  started = Reported(std::cerr, kErrorPrefix, [&] { return controller.Start(options.Character); });
  if (terminatedWhileStarting) {
    if (started) form.RequestCloseWithoutMessages();
    Reported(std::cerr, kErrorPrefix, shutdown);
    return 0;
  }
  if (!started) {
    Reported(std::cerr, kErrorPrefix, shutdown);
    return 1;
  }
  form.StartTimer();
  form.RichBalloon()->setFocus();
  if (options.Instance != nullptr) {
    const std::string problem =
        options.Instance->Serve(mainThread, [&](const THandOverRequest& request) {
          EndLaunchFeedback(request.StartupId);
          return controller.TakeHandOver(request);
        });
    if (!problem.empty()) std::cerr << kErrorPrefix << kNoHandOverMessage << problem << std::endl;
  }
  const int status = QApplication::exec();
  if (options.Instance != nullptr) options.Instance->StopServing();
  Reported(std::cerr, kErrorPrefix, shutdown);
  return status;
}

}  // namespace kelmo
