// The terminal's poll loop and its readline plumbing.
#include "tty/terminal_loop.h"

#include <fcntl.h>
#include <poll.h>
#include <readline/history.h>
#include <readline/readline.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <exception>

#include "shell/chat_controller.h"
#include "tty/terminal_view.h"

namespace kelmo {
namespace {

// The signals the loop handles; their previous actions are kept in this order.
constexpr int kHandledSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGWINCH, SIGPIPE, SIGTSTP};
// Bytes read from the keyboard at once.
constexpr size_t kReadChunk = 64 * 1024;
// Ctrl+D: the end of input typed at the terminal.
constexpr unsigned char kEndOfTransmission = 0x04;
// Readline needs at most two calls to give up a half-typed line at the end of input; after this
// many the loop stops waiting for it.
constexpr int kEndOfInputAttempts = 4;
// Written to standard error for an error escaping the controller.
constexpr const char* kErrorPrefix = "エラー: ";
constexpr const char* kUnknownError = "不明なエラー";

// The one loop readline's hooks talk to, and the signal pipe's writing end.
TTerminalLoop* activeLoop = nullptr;
volatile sig_atomic_t signalWriteFd = -1;
// What the suspend handler gives back to the shell while the program is stopped.
volatile sig_atomic_t terminalFd = -1;
termios userModes;
// The handler std::terminate ran before the loop took over the terminal.
std::terminate_handler previousTerminate = nullptr;

// An error nothing catches ends the program without destructors: the user's modes go back first.
[[noreturn]] void RestoreModesAndTerminate() {
  if (terminalFd >= 0) ::tcsetattr(terminalFd, TCSANOW, &userModes);
  if (previousTerminate != nullptr) previousTerminate();
  std::abort();
}

}  // namespace

// ----- Set-up and tear-down ---------------------------------------------------------------------

TTerminalLoop::TTerminalLoop(FILE* input, FILE* output)
    : input_(input),
      output_(output),
      inputFd_(::fileno(input)),
      outputFd_(::fileno(output)),
      inputIsTerminal_(::isatty(inputFd_) == 1),
      outputIsTerminal_(::isatty(outputFd_) == 1),
      signalPipe_(MakePipe(O_CLOEXEC | O_NONBLOCK)) {
  if (inputIsTerminal_) inputIsTerminal_ = ::tcgetattr(inputFd_, &originalModes_) == 0;
  activeLoop = this;

  rl_instream = input_;
  rl_outstream = output_;
  rl_readline_name = "dorrinkelmo";
  // The loop owns the signals and the environment; readline only edits.
  rl_catch_signals = 0;
  rl_catch_sigwinch = 0;
  rl_change_environment = 0;
  rl_getc_function = &GetcHook;
  rl_input_available_hook = &AvailableHook;
  rl_initialize();
  // Eight-bit input and output as typed: multibyte letters, never meta keys.
  rl_variable_bind("input-meta", "on");
  rl_variable_bind("output-meta", "on");
  rl_variable_bind("convert-meta", "off");
  using_history();
  stifle_history(kHistoryLength);

  InstallSignalHandlers();
  previousTerminate = std::set_terminate(&RestoreModesAndTerminate);
  ApplyRawMode();
}

TTerminalLoop::~TTerminalLoop() {
  if (editorInstalled_) rl_callback_handler_remove();
  if (inputIsTerminal_) ::tcsetattr(inputFd_, TCSANOW, &originalModes_);
  std::fflush(output_);
  std::set_terminate(previousTerminate);
  RestoreSignalHandlers();
  rl_getc_function = &rl_getc;
  rl_input_available_hook = nullptr;
  activeLoop = nullptr;
}

void TTerminalLoop::SignalHandler(int signalNumber) {
  const int saved = errno;
  const char byte = static_cast<char>(signalNumber);
  if (signalWriteFd >= 0) {
    [[maybe_unused]] const ssize_t written = ::write(signalWriteFd, &byte, 1);
  }
  errno = saved;
}

void TTerminalLoop::SuspendHandler(int) {
  const int saved = errno;
  // The shell gets the user's modes while the program is stopped; the loop's come back after.
  termios current;
  const bool terminal = terminalFd >= 0 && ::tcgetattr(terminalFd, &current) == 0;
  if (terminal) ::tcsetattr(terminalFd, TCSANOW, &userModes);
  ::kill(::getpid(), SIGSTOP);
  if (terminal) ::tcsetattr(terminalFd, TCSANOW, &current);
  const char byte = SIGCONT;
  if (signalWriteFd >= 0) {
    [[maybe_unused]] const ssize_t written = ::write(signalWriteFd, &byte, 1);
  }
  errno = saved;
}

void TTerminalLoop::InstallSignalHandlers() {
  signalWriteFd = signalPipe_.Write.Get();
  if (inputIsTerminal_) {
    userModes = originalModes_;
    terminalFd = inputFd_;
  }
  struct sigaction suspend = {};
  suspend.sa_handler = &SuspendHandler;
  sigemptyset(&suspend.sa_mask);
  suspend.sa_flags = SA_RESTART;
  struct sigaction action = {};
  action.sa_handler = &SignalHandler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  for (size_t i = 0; i < std::size(kHandledSignals); ++i) {
    // A closed terminal must not kill the program before it has saved its state.
    const int number = kHandledSignals[i];
    const struct sigaction& chosen =
        number == SIGPIPE ? ignore : (number == SIGTSTP ? suspend : action);
    ::sigaction(number, &chosen, &previousActions_[i]);
  }
}

void TTerminalLoop::RestoreSignalHandlers() {
  for (size_t i = 0; i < std::size(kHandledSignals); ++i) {
    ::sigaction(kHandledSignals[i], &previousActions_[i], nullptr);
  }
  signalWriteFd = -1;
  terminalFd = -1;
}

void TTerminalLoop::ApplyRawMode() {
  if (!inputIsTerminal_) return;
  termios raw = originalModes_;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  raw.c_lflag |= ISIG;
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  ::tcsetattr(inputFd_, TCSANOW, &raw);
}

void TTerminalLoop::Attach(TTerminalView& view) {
  view_ = &view;
  view.SetBeforeOutput([this] { HidePrompt(); });
  UpdateSize();
}

void TTerminalLoop::UpdateSize() {
  winsize size = {};
  if (::ioctl(outputFd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && view_ != nullptr) {
    view_->SetSize(size.ws_col, size.ws_row);
  }
  if (editorInstalled_) rl_resize_terminal();
}

// ----- Readline ---------------------------------------------------------------------------------

int TTerminalLoop::GetcHook(FILE*) {
  return activeLoop->NextByte();
}

int TTerminalLoop::AvailableHook() {
  if (activeLoop->InputPending()) return 1;
  pollfd input = {activeLoop->inputFd_, POLLIN, 0};
  return !activeLoop->inputEnded_ && ::poll(&input, 1, 0) > 0 ? 1 : 0;
}

void TTerminalLoop::LineHook(char* line) {
  TTerminalLoop& loop = *activeLoop;
  if (line == nullptr) {
    loop.editorEnded_ = true;
    std::fputc('\n', loop.output_);  // readline leaves the cursor after the prompt
  } else {
    loop.completedLine_ = line;
    if (*line != '\0') add_history(line);
    std::free(line);
  }
  // Removed before the line is handled, so that handling it may install readline again.
  rl_callback_handler_remove();
  loop.editorInstalled_ = false;
  loop.editingChat_ = false;
  loop.promptHidden_ = false;
  loop.ApplyRawMode();
}

void TTerminalLoop::InstallEditor(const std::string& prompt, bool chat) {
  completedLine_.reset();
  editorEnded_ = false;
  // Readline takes its idea of the terminal (whether it echoes, which keys erase) from the modes
  // it finds, so it must find the user's, not the loop's raw mode.
  if (inputIsTerminal_) ::tcsetattr(inputFd_, TCSANOW, &originalModes_);
  rl_callback_handler_install(prompt.c_str(), &LineHook);
  editorInstalled_ = true;
  editingChat_ = chat;
  promptHidden_ = false;
}

void TTerminalLoop::RemoveEditor(TPromptRemoval removal) {
  if (!editorInstalled_) return;
  if (!promptHidden_) {
    if (removal == TPromptRemoval::Erase) {
      rl_clear_visible_line();
    } else {
      std::fputc('\n', output_);
    }
  }
  rl_callback_handler_remove();
  editorInstalled_ = false;
  editingChat_ = false;
  promptHidden_ = false;
  ApplyRawMode();
  std::fflush(output_);
}

void TTerminalLoop::HidePrompt() {
  if (!editorInstalled_ || promptHidden_) return;
  rl_clear_visible_line();
  std::fflush(output_);
  promptHidden_ = true;
}

void TTerminalLoop::SyncEditor(TChatController& controller) {
  const bool wanted =
      view_ != nullptr && !view_->Closed() && !quitRequested_ && controller.State() == stUserInput;
  if (wanted && !editorInstalled_) {
    InstallEditor(std::string(kChatPrompt), true);
  } else if (!wanted && editorInstalled_) {
    RemoveEditor(quitRequested_ ? TPromptRemoval::Keep : TPromptRemoval::Erase);
  } else if (editorInstalled_ && promptHidden_) {
    rl_on_new_line();
    rl_redisplay();
    promptHidden_ = false;
  }
}

std::optional<std::string> TTerminalLoop::EditedLine() const {
  if (!editorInstalled_ || !editingChat_) return std::nullopt;
  return std::string(rl_line_buffer, static_cast<size_t>(std::max(rl_end, 0)));
}

// ----- Input, signals, waiting ------------------------------------------------------------------

void TTerminalLoop::ReadInput() {
  if (inputEnded_) return;
  // Used bytes go before new ones come, so the buffer never grows beyond what waits.
  if (offset_ > 0) {
    pending_.erase(0, offset_);
    offset_ = 0;
  }
  char chunk[kReadChunk];
  const ssize_t count = ::read(inputFd_, chunk, sizeof chunk);
  if (count > 0) {
    pending_.append(chunk, static_cast<size_t>(count));
  } else if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
    inputEnded_ = true;  // end of file, or a terminal that went away (EIO)
  }
}

int TTerminalLoop::NextByte() {
  while (!InputPending()) {
    if (inputEnded_) return EOF;
    pollfd input = {inputFd_, POLLIN, 0};
    if (::poll(&input, 1, -1) > 0) ReadInput();
  }
  return static_cast<unsigned char>(pending_[offset_++]);
}

void TTerminalLoop::HandleSignals() {
  char signals[64];
  ssize_t count;
  while ((count = ::read(signalPipe_.Read.Get(), signals, sizeof signals)) > 0) {
    for (ssize_t i = 0; i < count; ++i) {
      if (signals[i] == SIGWINCH) {
        UpdateSize();
      } else if (signals[i] == SIGCONT) {
        Resumed();
      } else {
        quitRequested_ = true;
        terminationSignalled_ = true;
      }
    }
  }
}

void TTerminalLoop::Resumed() {
  // The shell wrote on the screen meanwhile: the balloon starts afresh, the prompt is drawn again.
  if (view_ != nullptr) view_->ScreenChanged();
  UpdateSize();
  if (editorInstalled_ && !promptHidden_) {
    rl_on_new_line();
    rl_redisplay();
  }
}

void TTerminalLoop::WaitForEvents(int timeoutMs) {
  pollfd fds[3] = {
      {signalPipe_.Read.Get(), POLLIN, 0}, {mainThread_.WakeFd(), POLLIN, 0}, {-1, 0, 0}};
  nfds_t count = 2;
  if (!inputEnded_) fds[count++] = {inputFd_, POLLIN, 0};
  if (::poll(fds, count, timeoutMs) <= 0) return;
  if (fds[0].revents != 0) HandleSignals();
  if (fds[1].revents != 0) Guard([this] { mainThread_.RunPending(); });
  if (count == 3 && fds[2].revents != 0) ReadInput();
}

template <typename TAction>
void TTerminalLoop::Guard(TAction&& action) {
  const char* message = nullptr;
  std::string what;
  try {
    action();
    return;
  } catch (const std::exception& error) {
    what = error.what();
    message = what.c_str();
  } catch (...) {
    message = kUnknownError;
  }
  HidePrompt();
  std::fflush(output_);
  std::fprintf(stderr, "%s%s\n", kErrorPrefix, message);
  std::fflush(stderr);
}

// ----- The loops --------------------------------------------------------------------------------

void TTerminalLoop::HandleInput(TChatController& controller,
                                const std::function<void(const std::string&)>& onUserLine) {
  int endOfInputCalls = 0;
  while (!view_->Closed() && !quitRequested_) {
    if (editorInstalled_) {
      if (!InputPending() && !inputEnded_) return;
      if (!InputPending() && ++endOfInputCalls > kEndOfInputAttempts) {
        quitRequested_ = true;
        return;
      }
      rl_callback_read_char();
      if (editorEnded_) {
        editorEnded_ = false;
        quitRequested_ = true;
        return;
      }
      if (completedLine_) {
        const std::string line = std::move(*completedLine_);
        completedLine_.reset();
        Guard([&] { onUserLine(line); });
        SyncEditor(controller);
      }
      continue;
    }
    if (!InputPending()) {
      if (inputEnded_) quitRequested_ = true;
      return;
    }
    const unsigned char byte = static_cast<unsigned char>(pending_[offset_]);
    if (byte == '\r' || byte == '\n') {
      ++offset_;
      if (byte == '\r' && InputPending() && pending_[offset_] == '\n') ++offset_;
      Guard([&] { controller.PressEnter(); });
      SyncEditor(controller);
    } else if (byte == kEndOfTransmission) {
      ++offset_;
      quitRequested_ = true;
    } else if (controller.State() == stReplyDone) {
      // Typing after a reply begins the user's turn; the key goes into the new line.
      Guard([&] { controller.PressEnter(); });
      SyncEditor(controller);
      if (!editorInstalled_) ++offset_;
    } else {
      ++offset_;  // typed while the character speaks: the read-only balloon drops it
    }
  }
}

void TTerminalLoop::Run(TChatController& controller,
                        const std::function<void(const std::string&)>& onUserLine) {
  const auto interval = [&controller] {
    return std::chrono::milliseconds(std::max(controller.TimerInterval(), 1));
  };
  nextTick_ = TClock::now() + interval();
  while (view_ != nullptr && !view_->Closed()) {
    SyncEditor(controller);
    HandleInput(controller, onUserLine);
    if (view_->Closed()) break;
    if (quitRequested_) {
      SyncEditor(controller);
      Guard([&] { controller.RequestClose(); });
      // A close that failed must not keep the loop asking for it.
      if (!view_->Closed()) break;
      continue;
    }
    const TClock::time_point now = TClock::now();
    if (now >= nextTick_) {
      Guard([&] { controller.TimerTimer(); });
      nextTick_ = TClock::now() + interval();
      continue;
    }
    SyncEditor(controller);
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextTick_ - now);
    WaitForEvents(static_cast<int>(std::max<long long>(wait.count(), 0)) + 1);
  }
  RemoveEditor(TPromptRemoval::Keep);
  std::fflush(output_);
}

std::optional<std::string> TTerminalLoop::ReadLine(const std::string& prompt) {
  if (quitRequested_) return std::nullopt;
  RemoveEditor(TPromptRemoval::Erase);
  InstallEditor(prompt, false);
  int endOfInputCalls = 0;
  while (true) {
    if (quitRequested_) {
      RemoveEditor(TPromptRemoval::Keep);
      return std::nullopt;
    }
    if (!InputPending() && !inputEnded_) {
      WaitForEvents(-1);
      continue;
    }
    if (!InputPending() && ++endOfInputCalls > kEndOfInputAttempts) {
      RemoveEditor(TPromptRemoval::Keep);
      quitRequested_ = true;
      return std::nullopt;
    }
    rl_callback_read_char();
    if (completedLine_) {
      std::string line = std::move(*completedLine_);
      completedLine_.reset();
      return line;
    }
    if (editorEnded_) {
      editorEnded_ = false;
      quitRequested_ = true;
      return std::nullopt;
    }
  }
}

}  // namespace kelmo
