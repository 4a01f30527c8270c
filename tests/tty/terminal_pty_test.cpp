// The terminal front end as a person uses it: the program itself runs in a pseudo-terminal, the
// test types keys into it and reads the screen's byte stream. These tests wait for what must
// appear (with generous time-outs for a busy machine); none measures speed.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <functional>

#include "../shell/test_characters.h"
#include "tty_fixture.h"

namespace kelmo::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using namespace std::chrono_literals;

// Long enough for a loaded machine; the tests pass as soon as the screen shows what they wait for.
constexpr auto kPatience = 20s;

// A reply that takes far longer than kPatience to type at the sessions' speeds, so that seeing its
// end within the patience proves it was fast-forwarded: 300 letters, then "END".
const std::string kLongReply = std::string(300, 'x') + "END";

// The program running in a pseudo-terminal of 80 x 24.
class TPtySession {
 public:
  explicit TPtySession(const std::vector<std::string>& arguments) {
    winsize size = {};
    size.ws_row = 24;
    size.ws_col = 80;
    if (::openpty(&master_, &slave_, nullptr, nullptr, &size) != 0) {
      ADD_FAILURE() << "openpty failed";
      return;
    }
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    // Writes must never block: the program may itself be blocked writing its echo to us.
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    std::vector<std::string> argv = {KELMO_PROGRAM};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setsid();
      ::ioctl(slave_, TIOCSCTTY, 0);
      ::dup2(slave_, 0);
      ::dup2(slave_, 1);
      ::dup2(slave_, 2);
      std::vector<char*> args;
      for (std::string& argument : argv) args.push_back(argument.data());
      args.push_back(nullptr);
      char term[] = "TERM=xterm";
      char lang[] = "LANG=C.UTF-8";
      char* environment[] = {term, lang, nullptr};
      ::execve(args[0], args.data(), environment);
      ::_exit(127);
    }
  }

  ~TPtySession() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(master_);
    ::close(slave_);
  }

  // Types bytes, reading the screen meanwhile so that the program never blocks on its output.
  void Send(std::string_view bytes) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!bytes.empty()) {
      if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "the program takes no more input";
        return;
      }
      pollfd entry = {master_, POLLIN | POLLOUT, 0};
      if (::poll(&entry, 1, 100) <= 0) continue;
      if (entry.revents & (POLLHUP | POLLERR)) {
        ADD_FAILURE() << "the terminal closed while typing";
        return;
      }
      if (entry.revents & POLLIN) Drain();
      if (entry.revents & POLLOUT) {
        const ssize_t written =
            ::write(master_, bytes.data(), std::min<size_t>(bytes.size(), 4096));
        if (written > 0) bytes.remove_prefix(static_cast<size_t>(written));
      }
    }
  }

  // Reads the screen until it holds text after position from (default: anywhere); false when it
  // does not come in time.
  bool WaitFor(std::string_view text, size_t from = 0) {
    return WaitUntil([&] { return screen_.find(text, from) != std::string::npos; });
  }

  bool WaitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      pollfd entry = {master_, POLLIN, 0};
      if (::poll(&entry, 1, 50) > 0) Drain();
    }
    return true;
  }

  // Waits for the program to end; its exit status, or -1 when it does not end in time.
  int Finish() {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd entry = {master_, POLLIN, 0};
      if (::poll(&entry, 1, 50) > 0) Drain();
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        while (Drain()) {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
    }
    return -1;
  }

  // The terminal's modes as the program left them.
  termios Modes() const {
    termios modes = {};
    ::tcgetattr(slave_, &modes);
    return modes;
  }

  const std::string& Screen() const { return screen_; }

 private:
  bool Drain() {
    char chunk[65536];
    pollfd entry = {master_, POLLIN, 0};
    if (::poll(&entry, 1, 0) <= 0) return false;
    const ssize_t count = ::read(master_, chunk, sizeof chunk);
    if (count <= 0) return false;
    screen_.append(chunk, static_cast<size_t>(count));
    return true;
  }

  int master_ = -1;
  int slave_ = -1;
  pid_t pid_ = -1;
  bool exited_ = false;
  std::string screen_;
};

class TerminalSessionTest : public ::testing::Test {
 protected:
  // kit, whose replies the sessions ask for, and rin to switch to.
  TerminalSessionTest() {
    kit = WriteCharacter(home, "kit", "kit",
                         {{"KCCalled", "はじめまして"},
                          {"CloseWindow", "またね"},
                          {kAnyReadCharacter, "交代するね"},
                          {"こんにちは", "こんにちは、{NICKNAME}さん"},
                          {"long", kLongReply},
                          {"wait", "before{WAITRETURN}after"},
                          {"later", "ok{TIMER1|ping}"},
                          {"ping", "pong"},
                          {"なでなで", "くすぐったい"},
                          {"", "うんうん"}},
                         {"nadenade", "true", "datanadenade", "nade.txt"});
    home.Write("kit/nade.txt", Utf8ToShiftJis("なでる,なでなで\r\n"));
    rin =
        WriteCharacter(home, "rin", "rin", {{"KCCalled", "リンです"}, {"CloseWindow", "じゃあね"}});
  }

  std::vector<std::string> Arguments(const std::string& character) const {
    return {"--tty", "--home", home.Path(), character};
  }

  TempFolder home;
  std::string kit;
  std::string rin;
};

TEST_F(TerminalSessionTest, ConversationAsAPersonHasIt) {
  // A slow typing speed so that the letters can be seen coming one by one.
  WriteSettings(home, {"Speed=150"});
  TPtySession session(Arguments(kit));

  // The greeting is typed out: its first letter shows before its last.
  ASSERT_TRUE(session.WaitFor("kit\x1b[0m: は"));
  EXPECT_THAT(session.Screen(), Not(HasSubstr("はじめまして")));
  ASSERT_TRUE(session.WaitFor("はじめまして"));

  // Enter begins the user's turn; Japanese is edited and answered.
  session.Send("\r");
  ASSERT_TRUE(session.WaitFor("> "));
  session.Send("こんにちは\r");
  ASSERT_TRUE(session.WaitFor("こんにちは、たろうさん"));

  // Enter fast-forwards a long reply at once.
  session.Send("\r");
  session.Send("long\r");
  ASSERT_TRUE(session.WaitFor("kit\x1b[0m: xx"));
  session.Send("\r");
  ASSERT_TRUE(session.WaitFor("xEND"));

  // A wait shows its mark and goes on after Enter.
  session.Send("\r");
  session.Send("wait\r");
  ASSERT_TRUE(session.WaitFor("before▼"));
  const size_t waited = session.Screen().size();
  session.Send("\r");
  ASSERT_TRUE(session.WaitFor("after", waited));

  // Petting in the user's turn.
  session.Send("\r");
  session.Send("/pet\r");
  ASSERT_TRUE(session.WaitFor("番号> "));
  session.Send("1\r");
  ASSERT_TRUE(session.WaitFor("くすぐったい"));

  // Switching: the chooser, the farewell, the new character's greeting.
  session.Send("\r");
  session.Send("/switch\r");
  ASSERT_TRUE(session.WaitFor("人格> "));
  const size_t listed = session.Screen().find("rin  (");
  ASSERT_NE(listed, std::string::npos);
  session.Send(std::string(1, session.Screen()[listed - 3]) + "\r");
  ASSERT_TRUE(session.WaitFor("交代するね"));
  ASSERT_TRUE(session.WaitFor("rin\x1b[0m: リンです"));

  // Quitting with the closing words.
  session.Send("\r");
  session.Send("/quit\r");
  ASSERT_TRUE(session.WaitFor("rin\x1b[0m: じゃあね"));
  EXPECT_EQ(session.Finish(), 0);
  const termios modes = session.Modes();
  EXPECT_TRUE(modes.c_lflag & ICANON);
  EXPECT_TRUE(modes.c_lflag & ECHO);
}

TEST_F(TerminalSessionTest, TimedTalkComesWhileTheUserIsIdleAtThePrompt) {
  WriteSettings(home);
  TPtySession session(Arguments(kit));
  ASSERT_TRUE(session.WaitFor("はじめまして"));
  session.Send("\r");
  session.Send("later\r");
  ASSERT_TRUE(session.WaitFor("ok"));
  session.Send("\r");  // the user's turn; the user then types nothing
  ASSERT_TRUE(session.WaitFor("kit\x1b[0m: pong"));
  session.Send("\x03");
  EXPECT_EQ(session.Finish(), 0);
}

// How the user leaves: each ends with the closing words, status 0 and the terminal restored.
struct TExitCase {
  const char* Name;
  const char* Keys;  // typed after the greeting and the start of a long reply
};

class TerminalExitTest : public TerminalSessionTest,
                         public ::testing::WithParamInterface<TExitCase> {};

TEST_P(TerminalExitTest, ClosingWordsAndTheTerminalRestored) {
  WriteSettings(home, {"Speed=200"});
  TPtySession session(Arguments(kit));
  ASSERT_TRUE(session.WaitFor("はじめまして"));
  session.Send("\r");
  session.Send("long\r");
  ASSERT_TRUE(session.WaitFor("kit\x1b[0m: x"));
  session.Send(GetParam().Keys);
  ASSERT_TRUE(session.WaitFor("kit\x1b[0m: またね"));
  EXPECT_THAT(session.Screen(), Not(HasSubstr("END")));  // the reply was cut, not finished
  EXPECT_EQ(session.Finish(), 0);
  const termios modes = session.Modes();
  EXPECT_TRUE(modes.c_lflag & ICANON);
  EXPECT_TRUE(modes.c_lflag & ECHO);
}

INSTANTIATE_TEST_SUITE_P(Ways, TerminalExitTest,
                         ::testing::Values(TExitCase{"CtrlCInsideAReply", "\x03"},
                                           TExitCase{"EndOfInputInsideAReply", "\x04"}),
                         [](const ::testing::TestParamInfo<TExitCase>& info) {
                           return info.param.Name;
                         });

TEST_F(TerminalSessionTest, CtrlCAtThePromptWithAHalfTypedLineCloses) {
  WriteSettings(home);
  TPtySession session(Arguments(kit));
  ASSERT_TRUE(session.WaitFor("はじめまして"));
  session.Send("\r");
  ASSERT_TRUE(session.WaitFor("> "));
  session.Send("途中");
  ASSERT_TRUE(session.WaitFor("途中"));
  session.Send("\x03");
  ASSERT_TRUE(session.WaitFor("またね"));
  EXPECT_EQ(session.Finish(), 0);
}

TEST_F(TerminalSessionTest, MegabyteLineTypedAtThePromptIsAnswered) {
  WriteSettings(home);
  TPtySession session(Arguments(kit));
  ASSERT_TRUE(session.WaitFor("はじめまして"));
  session.Send("\r");
  ASSERT_TRUE(session.WaitFor("> "));
  const size_t before = session.Screen().size();
  session.Send(std::string(1 << 20, 'a') + "\r");
  ASSERT_TRUE(session.WaitFor("うんうん", before));
  session.Send("\x03");
  EXPECT_EQ(session.Finish(), 0);
}

TEST_F(TerminalSessionTest, CharacterThatFailsToLoadOpensTheChooserThenEndsTheProgram) {
  WriteSettings(home);
  home.Write("broken.klc", "name\r\nbroken\r\n");
  TPtySession session(Arguments(home.Path() + "broken.klc"));
  ASSERT_TRUE(session.WaitFor("人格> "));
  session.Send("\r");  // cancel
  ASSERT_TRUE(session.WaitFor("起動に失敗しました"));
  EXPECT_EQ(session.Finish(), 1);
  EXPECT_THAT(ReadUtf8(home, "KelmoErr.log"), HasSubstr("'起動に失敗しました'"));
  EXPECT_TRUE(session.Modes().c_lflag & ECHO);
}

TEST_F(TerminalSessionTest, InputFromAPipeEndingInsideAReplyCloses) {
  WriteSettings(home, {"Speed=200"});
  int input[2];
  int output[2];
  ASSERT_EQ(::pipe(input), 0);
  ASSERT_EQ(::pipe(output), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(input[0], 0);
    ::dup2(output[1], 1);
    ::dup2(output[1], 2);
    ::close(input[1]);
    ::close(output[0]);
    const std::string home_path = home.Path();
    ::execl(KELMO_PROGRAM, KELMO_PROGRAM, "--tty", "--home", home_path.c_str(), kit.c_str(),
            nullptr);
    ::_exit(127);
  }
  ::close(input[0]);
  ::close(output[1]);
  // Enter shows the greeting at once; the next key starts the user's line; then the input ends
  // while the reply to it is being typed.
  const std::string keys = "\nlong\n";
  ASSERT_EQ(::write(input[1], keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  ::close(input[1]);
  std::string screen;
  char chunk[4096];
  for (ssize_t count; (count = ::read(output[0], chunk, sizeof chunk)) > 0;) {
    screen.append(chunk, static_cast<size_t>(count));
  }
  ::close(output[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_THAT(screen, HasSubstr("kit: はじめまして"));
  EXPECT_THAT(screen, HasSubstr("kit: またね"));
}

}  // namespace
}  // namespace kelmo::testing
