// The process side of a plug-in object: start with fork and exec, one poll loop that writes the
// request, reads the answer and the standard error under a deadline, and a release that ends the
// process group and never leaves a zombie.
#include "plugins/plugin_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

extern char** environ;

namespace kelmo {
namespace {

using Clock = std::chrono::steady_clock;

// Poll interval while waiting for a released process where pidfd_open is not available.
constexpr std::chrono::milliseconds kExitPollInterval{5};

std::string ErrorText(int error) {
  return std::strerror(error);
}

[[noreturn]] void FailChannel() {
  throw EPluginError("cannot create a plug-in channel: " + ErrorText(errno));
}

// A descriptor numbered 3 or above: when the program runs with a standard descriptor closed, a new
// descriptor may take its number, and the child's dup2 onto 0, 1 and 2 would then clobber it.
TFileDescriptor AboveStandardDescriptors(TFileDescriptor descriptor) {
  if (descriptor.Get() > STDERR_FILENO) return descriptor;
  TFileDescriptor moved(::fcntl(descriptor.Get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1));
  if (!moved.IsOpen()) FailChannel();
  return moved;
}

// A channel to the plug-in: a socket pair, or a pipe that the child writes. Both ends are numbered
// above the standard descriptors.
struct TChannel {
  TFileDescriptor Ours;
  TFileDescriptor Child;
};

TChannel Channel(bool socket) {
  int ends[2];
  if ((socket ? ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends)
              : ::pipe2(ends, O_CLOEXEC)) != 0) {
    FailChannel();
  }
  TChannel made{TFileDescriptor(ends[0]), TFileDescriptor(ends[1])};
  return {AboveStandardDescriptors(std::move(made.Ours)),
          AboveStandardDescriptors(std::move(made.Child))};
}

// Reaps the process, retrying when a signal interrupts the wait.
void Reap(pid_t processId) {
  while (::waitpid(processId, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// Waits up to the time for the process to exit, without reaping it, and reads its standard error
// meanwhile (a plug-in blocked on a full pipe could not exit); returns whether it exited. Waits
// on a pidfd where the kernel offers one, otherwise polls in short steps.
bool ExitsWithin(pid_t processId, std::chrono::milliseconds time, TPluginErrorLog& errorLog) {
  const Clock::time_point deadline = Clock::now() + time;
  // Called through syscall(): the C library's own declaration lacks C linkage in C++ here.
  const TFileDescriptor exitWatch(static_cast<int>(::syscall(SYS_pidfd_open, processId, 0)));
  for (;;) {
    siginfo_t exited{};
    const int waited =
        ::waitid(P_PID, static_cast<id_t>(processId), &exited, WEXITED | WNOHANG | WNOWAIT);
    if ((waited == 0 && exited.si_pid == processId) || (waited < 0 && errno != EINTR)) return true;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd watches[2] = {{exitWatch.Get(), POLLIN, 0}, {errorLog.Source(), POLLIN, 0}};
    const auto wait = exitWatch.Get() >= 0 ? left : std::min(left, kExitPollInterval);
    if (::poll(watches, 2, static_cast<int>(wait.count())) > 0 && watches[1].revents != 0) {
      errorLog.Drain();
    }
  }
}

// The file name of a path, naming the plug-in in its log lines.
std::string FileNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What the child does between fork and exec, prepared beforehand: after fork only calls that are
// safe in a child of a threaded program are made (no allocation, no locks).
struct TChildSetup {
  pid_t Parent;
  int Input;  // become the standard descriptors
  int Output;
  int Error;
  const char* WorkingFolder;
  const char* Program;
  char* const* Arguments;
  int ExecFailure;  // where the child writes errno when it cannot get to exec
};

[[noreturn]] void ChildFails(const TChildSetup& setup) {
  const int error = errno;
  [[maybe_unused]] const ssize_t written = ::write(setup.ExecFailure, &error, sizeof error);
  ::_exit(127);
}

[[noreturn]] void RunChild(const TChildSetup& setup) {
  // A process group of its own (its id the plug-in's process id), ended as a whole.
  if (::setpgid(0, 0) != 0) ChildFails(setup);
  // Ended by the kernel when the program dies, however it dies. The signal follows the thread
  // that forked, which for plug-ins is the main thread; a program that died before this line is
  // caught by the check after it.
  if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) ChildFails(setup);
  if (::getppid() != setup.Parent) ::_exit(127);
  // Default signal handling, whatever the program ignores or blocks.
  for (int signal = 1; signal < NSIG; ++signal) ::signal(signal, SIG_DFL);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  if (::dup2(setup.Input, STDIN_FILENO) < 0 || ::dup2(setup.Output, STDOUT_FILENO) < 0 ||
      ::dup2(setup.Error, STDERR_FILENO) < 0 || ::chdir(setup.WorkingFolder) != 0) {
    ChildFails(setup);
  }
  // Descriptors of the program opened without O_CLOEXEC by anyone must not leak either; the
  // failure pipe closes itself on exec.
  ::syscall(SYS_close_range, STDERR_FILENO + 1, setup.ExecFailure - 1, 0);
  ::syscall(SYS_close_range, setup.ExecFailure + 1, ~0U, 0);
  ::execve(setup.Program, setup.Arguments, environ);
  ChildFails(setup);
}

// Parses an answer line; discarded (not an exception) when it is no JSON or nested too deeply.
nlohmann::json ParseAnswer(const std::string& line) {
  struct TTooDeep {};
  const auto limitDepth = [](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
    if (depth > kMaxPluginAnswerDepth) throw TTooDeep{};
    return true;
  };
  try {
    return nlohmann::json::parse(line, limitDepth, false);
  } catch (const TTooDeep&) {
    return nlohmann::json(nlohmann::json::value_t::discarded);
  }
}

}  // namespace

TPluginProcess::TPluginProcess(const std::string& executablePath, const std::string& workingFolder,
                               const std::string& logPath, std::chrono::milliseconds callTimeout)
    : callTimeout_(callTimeout) {
  TChannel input = Channel(true);
  TChannel output = Channel(false);
  TChannel error = Channel(false);
  // Our ends never block: Exchange waits in poll under its deadline instead.
  ::fcntl(input.Ours.Get(), F_SETFL, O_NONBLOCK);
  ::fcntl(output.Ours.Get(), F_SETFL, O_NONBLOCK);

  std::string program = executablePath;
  char* arguments[] = {program.data(), nullptr};
  TPipe execFailure = MakePipe(O_CLOEXEC);
  execFailure.Write = AboveStandardDescriptors(std::move(execFailure.Write));
  const TChildSetup setup{::getpid(),        input.Child.Get(),      output.Child.Get(),
                          error.Child.Get(), workingFolder.c_str(),  executablePath.c_str(),
                          arguments,         execFailure.Write.Get()};
  const pid_t processId = ::fork();
  if (processId < 0) throw EPluginError("cannot start " + executablePath + ": " + ErrorText(errno));
  if (processId == 0) RunChild(setup);
  int failure = 0;
  execFailure.Write.Reset();
  ssize_t count;
  do {
    count = ::read(execFailure.Read.Get(), &failure, sizeof failure);
  } while (count < 0 && errno == EINTR);
  if (count == sizeof failure) {
    Reap(processId);
    throw EPluginError("cannot start " + executablePath + ": " + ErrorText(failure));
  }
  processId_ = processId;
  groupRecord_ = std::make_unique<TPluginGroupRecord>(workingFolder, processId);
  input_ = std::move(input.Ours);
  output_ = std::move(output.Ours);
  errorLog_ =
      std::make_unique<TPluginErrorLog>(std::move(error.Ours), logPath, FileNameOf(executablePath));
}

TPluginProcess::~TPluginProcess() {
  if (processId_ > 0) {
    // A closed input is the request to exit; a closed output stops a chatty plug-in from
    // blocking. What the plug-in started goes with it either way.
    CloseStreams();
    ExitsWithin(processId_, kPluginReleaseWait, *errorLog_);
    EndProcessGroup();
  }
  if (errorLog_ != nullptr) errorLog_->Finish();
}

void TPluginProcess::EndProcessGroup() {
  // Signalled before the reaping, which frees the group's id.
  ::kill(-processId_, SIGKILL);
  ::kill(processId_, SIGKILL);  // in case it left its group
  Reap(std::exchange(processId_, -1));
  groupRecord_.reset();
}

void TPluginProcess::CloseStreams() {
  input_.Reset();
  output_.Reset();
}

void TPluginProcess::Fail(const std::string& reason) {
  if (processId_ > 0) {
    CloseStreams();
    EndProcessGroup();
  }
  throw EPluginError(reason);
}

std::string TPluginProcess::Exchange(const std::string& request) {
  const Clock::time_point deadline = Clock::now() + callTimeout_;
  size_t sent = 0;
  size_t searched = 0;  // bytes of pending_ known to hold no line end
  for (;;) {
    const size_t lineEnd = pending_.find('\n', searched);
    if (lineEnd != std::string::npos) {
      // A line before the whole request is out cannot be its answer: the streams are out of step.
      if (sent < request.size()) Fail("plug-in wrote a line that answers no request");
      std::string line = pending_.substr(0, lineEnd);
      pending_.erase(0, lineEnd + 1);
      errorLog_->Drain();  // what it wrote there before answering belongs to this call
      return line;
    }
    searched = pending_.size();
    if (pending_.size() > kMaxPluginAnswerBytes) Fail("plug-in answer too long");

    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) Fail("plug-in did not answer in time");
    pollfd channels[3] = {{output_.Get(), POLLIN, 0},
                          {sent < request.size() ? input_.Get() : -1, POLLOUT, 0},
                          {errorLog_->Source(), POLLIN, 0}};
    const int ready = ::poll(channels, 3, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) Fail("cannot wait for the plug-in: " + ErrorText(errno));
    if (ready <= 0) continue;

    // Standard error is read while waiting: a plug-in blocked on a full pipe could not answer.
    if (channels[2].revents != 0) errorLog_->Drain();

    if (channels[1].revents != 0) {
      const ssize_t count = ::send(input_.Get(), request.data() + sent, request.size() - sent,
                                   MSG_NOSIGNAL | MSG_DONTWAIT);
      if (count >= 0) {
        sent += static_cast<size_t>(count);
      } else if (errno != EAGAIN && errno != EINTR) {
        Fail("plug-in process has exited");
      }
    }
    if (channels[0].revents != 0) {
      char buffer[65536];
      const ssize_t count = ::read(output_.Get(), buffer, sizeof buffer);
      if (count == 0) Fail("plug-in process has exited");
      if (count > 0) {
        pending_.append(buffer, static_cast<size_t>(count));
      } else if (errno != EAGAIN && errno != EINTR) {
        Fail("cannot read from the plug-in: " + ErrorText(errno));
      }
    }
  }
}

nlohmann::json TPluginProcess::Invoke(const std::string& method, nlohmann::json& params) {
  if (processId_ <= 0) throw EPluginError("plug-in process has ended");
  const long long id = nextId_++;
  // Written in the order a reader expects: version, id, method, arguments.
  const nlohmann::ordered_json request = {
      {"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}};
  const std::string line = Exchange(
      request.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n");

  const nlohmann::json answer = ParseAnswer(line);
  if (!answer.is_object()) Fail("plug-in answer is not JSON-RPC");
  const auto version = answer.find("jsonrpc");
  const auto answerId = answer.find("id");
  if (version == answer.end() || *version != "2.0" || answerId == answer.end() ||
      !answerId->is_number_integer() || *answerId != id) {
    Fail("plug-in answer is not JSON-RPC for request " + std::to_string(id));
  }
  const auto error = answer.find("error");
  const auto result = answer.find("result");
  if (error != answer.end()) {
    const auto message = error->is_object() ? error->find("message") : error->end();
    throw EPluginError("plug-in answered an error: " +
                       (message != error->end() && message->is_string()
                            ? message->get<std::string>()
                            : error->dump()));
  }
  if (result == answer.end() || !result->is_object()) {
    throw EPluginError("plug-in result is not an object");
  }
  const auto after = result->find("params");
  if (after != result->end()) {
    if (!after->is_array() || after->size() != params.size()) {
      throw EPluginError("plug-in result holds params of the wrong shape");
    }
    params = *after;
  }
  const auto value = result->find("return");
  return value == result->end() ? nlohmann::json() : *value;
}

}  // namespace kelmo
