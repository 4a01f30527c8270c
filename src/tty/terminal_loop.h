// The terminal front end's event loop: one poll over the keyboard, the worker threads' wake-up
// pipe and a signal pipe, with the controller's timer as the poll's time-out. Timed talk thus
// fires while the user is idle at the prompt, and typing goes on while nothing is pressed.
//
// Keyboard input is read by this loop into its own buffer. While the user has the turn
// (stUserInput) GNU readline edits the line in callback mode and takes its bytes from that buffer
// (rl_getc_function), so readline never blocks the loop; Japanese is edited as multibyte text in
// the UTF-8 locale. While the character has the turn, the terminal is in a raw mode without echo
// and the loop reads keys itself: Enter fast-forwards or ends a wait, and after a reply any key
// begins the user's turn (Enter alone, or the key then goes into the new line). Ctrl+C, a hang-up,
// SIGTERM, Ctrl+D and the end of input all request the close with the closing talk; Ctrl+Z hands
// the terminal back to the shell in its own modes until the program is resumed.
//
// A line entered at the chat prompt is handed to the front end only after readline has returned,
// so the front end may run modal prompts (ReadLine, for the dialogs) that install readline again.
// Those prompts do not advance the conversation: the timer waits until the dialog is left.
//
// The terminal's modes and the signal handlers are restored when the loop is destroyed, whatever
// way the program ends.
#pragma once

#include <signal.h>
#include <termios.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "tty/line_input.h"
#include "tty/main_thread_queue.h"

namespace kelmo {

class TChatController;
class TTerminalView;

// The prompt of the user's line.
inline constexpr std::string_view kChatPrompt = "> ";
// Lines kept in the prompt's history (arrow up).
inline constexpr int kHistoryLength = 500;

class TTerminalLoop : public TLineInput {
 public:
  // Takes over the terminal on input and output (readline reads the one and draws on the
  // other). Only one loop may exist at a time: readline is global.
  TTerminalLoop(FILE* input, FILE* output);

  // Restores the terminal's modes and the signal handlers.
  ~TTerminalLoop() override;

  TTerminalLoop(const TTerminalLoop&) = delete;
  TTerminalLoop& operator=(const TTerminalLoop&) = delete;

  // The hand-over for the external program runner's notice.
  TMainThreadCall& MainThread() { return mainThread_; }

  // Whether the output is a terminal (cursor control works).
  bool OutputIsTerminal() const { return outputIsTerminal_; }

  // Connects the view: it learns the terminal's size (and its changes), and takes the prompt away
  // before it prints.
  void Attach(TTerminalView& view);

  // Runs the conversation until the view is closed: the timer calls TimerTimer, keys call
  // PressEnter, each line entered at the prompt goes to onUserLine, and a close request calls
  // RequestClose. Errors escaping the controller are written to standard error; the loop goes on.
  void Run(TChatController& controller, const std::function<void(const std::string&)>& onUserLine);

  // TLineInput: a modal prompt for the dialogs; std::nullopt at the end of input or on Ctrl+C,
  // which also requests the close.
  std::optional<std::string> ReadLine(const std::string& prompt) override;
  std::optional<std::string> EditedLine() const override;

  // Whether SIGINT, SIGTERM or SIGHUP has asked the program to end (a dialog then returns as
  // cancelled, and every later one at once).
  bool TerminationSignalled() const { return terminationSignalled_; }

 private:
  using TClock = std::chrono::steady_clock;

  // How the prompt goes when readline is taken away.
  enum class TPromptRemoval {
    Erase,  // the line disappears (the character takes the turn)
    Keep,   // the line stays and the cursor moves below it (closing)
  };

  static int GetcHook(FILE* stream);
  static int AvailableHook();
  static void LineHook(char* line);
  static void SignalHandler(int signalNumber);
  static void SuspendHandler(int signalNumber);

  void InstallSignalHandlers();
  void RestoreSignalHandlers();
  void ApplyRawMode();
  void UpdateSize();

  void InstallEditor(const std::string& prompt, bool chat);
  void RemoveEditor(TPromptRemoval removal);
  void HidePrompt();
  void SyncEditor(TChatController& controller);

  // Blocks until input, a posted call or a signal arrives, or timeoutMs passes (-1: no limit);
  // then reads the input, runs the posted calls and notes the signals.
  void WaitForEvents(int timeoutMs);
  void ReadInput();
  void HandleSignals();
  void Resumed();
  int NextByte();
  bool InputPending() const { return offset_ < pending_.size(); }

  void HandleInput(TChatController& controller,
                   const std::function<void(const std::string&)>& onUserLine);
  template <typename TAction>
  void Guard(TAction&& action);

  FILE* input_;
  FILE* output_;
  int inputFd_;
  int outputFd_;
  bool inputIsTerminal_;
  bool outputIsTerminal_;
  termios originalModes_{};

  TMainThreadQueue mainThread_;
  TPipe signalPipe_;  // the signal handlers write the signal's number
  struct sigaction previousActions_[6] = {};

  std::string pending_;  // keyboard bytes read but not used yet, from offset_ on
  size_t offset_ = 0;
  bool inputEnded_ = false;

  bool editorInstalled_ = false;
  bool editingChat_ = false;   // the installed editor is the chat prompt, not a dialog's
  bool promptHidden_ = false;  // output went over the prompt; it is drawn again before input
  std::optional<std::string> completedLine_;
  bool editorEnded_ = false;  // readline reported the end of input

  bool quitRequested_ = false;
  bool terminationSignalled_ = false;
  TTerminalView* view_ = nullptr;
  TClock::time_point nextTick_;
};

}  // namespace kelmo
