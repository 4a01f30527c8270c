// One deadline covers the whole reply of a picture: every read polls the socket and the helper's
// pidfd with the time that is left. The pidfd matters because a process the decoder started may
// hold the helper's end of the socket open after the helper is gone, so the end of the stream
// alone would never come.
#include "pictures/decoder_helper.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "pictures/decoder_confinement.h"

namespace kelmo {
namespace {

using TClock = std::chrono::steady_clock;

// The lowest descriptor the helper's end may have before it is moved to kHelperSocketDescriptor
// (posix_spawn's dup2 onto itself would keep close-on-exec).
constexpr int kFirstFreeDescriptor = kHelperSocketDescriptor + 1;

// Reads the helper's reply from the socket until the deadline.
class TSocketSource : public TByteSource {
 public:
  TSocketSource(int socket, int processHandle, TClock::time_point deadline)
      : socket_(socket), processHandle_(processHandle), deadline_(deadline) {}

  bool ReadExactly(void* into, size_t size) override {
    auto* bytes = static_cast<char*>(into);
    while (size > 0) {
      if (!WaitForData()) return false;
      const ssize_t got = ReceiveWithDescriptor(socket_, bytes, size, MSG_DONTWAIT, descriptor_);
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (got <= 0) return false;
      bytes += got;
      size -= static_cast<size_t>(got);
    }
    return true;
  }

  TFileDescriptor TakeDescriptor() override { return std::move(descriptor_); }

  bool TimedOut() const { return timedOut_; }

 private:
  // True when the socket has data or its end; false when the time is up or the helper ended
  // without a byte more.
  bool WaitForData() {
    for (;;) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - TClock::now());
      if (left.count() <= 0) {
        timedOut_ = true;
        return false;
      }
      pollfd watched[2] = {{socket_, POLLIN, 0}, {processHandle_, POLLIN, 0}};
      const int ready = ::poll(watched, 2, static_cast<int>(left.count()));
      if (ready < 0 && errno == EINTR) continue;
      if (ready < 0) return false;
      if (watched[0].revents != 0) return true;
      if (watched[1].revents != 0) {
        // The helper has ended: what it wrote before is in the socket already.
        pollfd socket{socket_, POLLIN, 0};
        return ::poll(&socket, 1, 0) > 0;
      }
    }
  }

  int socket_;
  int processHandle_;
  TClock::time_point deadline_;
  bool timedOut_ = false;
  TFileDescriptor descriptor_;
};

// posix_spawn's attribute and file-action objects for the helper.
class TSpawnSetup {
 public:
  explicit TSpawnSetup(int helperEnd) {
    posix_spawnattr_init(&attributes_);
    posix_spawn_file_actions_init(&actions_);
    posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions_, STDOUT_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_adddup2(&actions_, helperEnd, kHelperSocketDescriptor);
    posix_spawn_file_actions_addclosefrom_np(&actions_, kHelperSocketDescriptor + 1);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes_, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&attributes_, &signals);
    posix_spawnattr_setpgroup(&attributes_, 0);
    posix_spawnattr_setflags(&attributes_,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  }
  ~TSpawnSetup() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attributes_);
  }
  TSpawnSetup(const TSpawnSetup&) = delete;
  TSpawnSetup& operator=(const TSpawnSetup&) = delete;

  // Starts the program with the arguments (arguments[0] its name) and an empty environment.
  // Returns 0 and the process id, or the error number.
  int Spawn(const std::string& program, std::vector<std::string> arguments, pid_t& process) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    char* environment[] = {nullptr};
    return posix_spawn(&process, program.c_str(), &actions_, &attributes_, argv.data(),
                       environment);
  }

 private:
  posix_spawnattr_t attributes_;
  posix_spawn_file_actions_t actions_;
};

TDecoderIncident Incident(TDecoderIncident::TKind kind, int decoder, int detail = 0) {
  return {kind, decoder, detail};
}

// The incident a helper's end by wait status is.
TDecoderIncident EndIncident(int status, int decoder) {
  using TKind = TDecoderIncident::TKind;
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    return Incident(signal == kConfinementSignal ? TKind::Stopped : TKind::Crashed, decoder,
                    signal);
  }
  return Incident(TKind::Exited, decoder, WIFEXITED(status) ? WEXITSTATUS(status) : 0);
}

}  // namespace

std::string IncidentText(const TDecoderIncident& incident) {
  using TKind = TDecoderIncident::TKind;
  switch (incident.Kind) {
    case TKind::NotStarted:
      return "could not be started: " + std::string(std::strerror(incident.Detail));
    case TKind::Crashed:
      return "crashed with signal " + std::to_string(incident.Detail) + " (" +
             ::strsignal(incident.Detail) + ")";
    case TKind::Stopped:
      return "was stopped for trying what decoders may not do (a file written, a network "
             "connection, a program or process started, another process signalled)";
    case TKind::Exited:
      return "ended the decoder helper (exit status " + std::to_string(incident.Detail) + ")";
    case TKind::TimedOut:
      return "did not answer within " + std::to_string(incident.Detail) + " ms and was stopped";
    case TKind::Lied:
      return "returned blocks that are not the picture their header describes";
    case TKind::StartedProcess:
      return "started a process of its own and was stopped";
    case TKind::Garbled:
      return "garbled the decoder helper's answer and was stopped";
  }
  return {};
}

TDecoderHelper::TDecoderHelper(TDecoderHelperSettings settings) : settings_(std::move(settings)) {}

TDecoderHelper::~TDecoderHelper() {
  Stop();
}

bool TDecoderHelper::Start(const std::vector<std::string>& decoderFiles,
                           THelperOutcome& outcome) {
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    outcome.Incidents.push_back(Incident(TDecoderIncident::TKind::NotStarted, -1, errno));
    return false;
  }
  TFileDescriptor ours(ends[0]);
  TFileDescriptor helperEnd(ends[1]);
  if (helperEnd.Get() < kFirstFreeDescriptor) {
    helperEnd.Reset(::fcntl(helperEnd.Get(), F_DUPFD_CLOEXEC, kFirstFreeDescriptor));
  }
  std::vector<std::string> arguments = {std::string(kDecoderHelperName),
                                        std::string(kHelperMemoryOption),
                                        std::to_string(settings_.MemoryLimit)};
  if (!settings_.Confined) arguments.emplace_back(kHelperUnconfinedOption);
  arguments.emplace_back(kHelperEndOfOptions);
  arguments.insert(arguments.end(), decoderFiles.begin(), decoderFiles.end());
  pid_t process = -1;
  const int error = helperEnd.IsOpen()
                        ? TSpawnSetup(helperEnd.Get()).Spawn(settings_.Program, arguments, process)
                        : errno;
  if (error != 0) {
    outcome.Incidents.push_back(Incident(TDecoderIncident::TKind::NotStarted, -1, error));
    return false;
  }
  process_ = process;
  processHandle_.Reset(static_cast<int>(::syscall(SYS_pidfd_open, process, 0)));
  socket_ = std::move(ours);
  decoderFiles_ = decoderFiles;
  return true;
}

int TDecoderHelper::Stop() {
  if (process_ < 0) return 0;
  ::kill(-process_, SIGKILL);
  int status = 0;
  while (::waitpid(process_, &status, 0) < 0 && errno == EINTR) {
  }
  process_ = -1;
  processHandle_.Reset();
  socket_.Reset();
  decoderFiles_.clear();
  return status;
}

bool TDecoderHelper::SendRequest(int pictureFile) {
  return SendWithDescriptor(socket_.Get(), RequestBytes(), pictureFile);
}

THelperOutcome TDecoderHelper::Exchange(int pictureFile, bool& retry) {
  using TKind = TDecoderIncident::TKind;
  THelperOutcome outcome;
  retry = false;
  const bool sent = SendRequest(pictureFile);
  TSocketSource source(socket_.Get(), processHandle_.Get(),
                       TClock::now() + settings_.TimeLimit);
  if (sent) outcome.Reply = ReadHelperReply(source, static_cast<int>(decoderFiles_.size()));
  THelperReply& reply = outcome.Reply;
  for (const auto& [decoder, misdeed] : reply.Misdeeds) {
    outcome.Incidents.push_back(
        Incident(misdeed == TMisdeed::Lied ? TKind::Lied : TKind::StartedProcess, decoder));
  }
  const bool answered = sent && (reply.End == TReplyEnd::Picture ||
                                 reply.End == TReplyEnd::NoPicture);
  const bool startedProcess = !outcome.Incidents.empty() &&
                              outcome.Incidents.back().Kind == TKind::StartedProcess;
  if (answered && !startedProcess) return outcome;

  if (sent && reply.End == TReplyEnd::Malformed) {
    Stop();
    outcome.Incidents.push_back(Incident(TKind::Garbled, reply.LastCalled));
  } else if (sent && source.TimedOut()) {
    Stop();
    outcome.Incidents.push_back(Incident(
        TKind::TimedOut, reply.LastCalled, static_cast<int>(settings_.TimeLimit.count())));
  } else {
    const int status = Stop();
    if (answered) return outcome;  // the decoder's process was stopped with the helper
    outcome.Incidents.push_back(EndIncident(status, reply.LastCalled));
    // Ended before it started on this picture: a helper in use was killed by the blocks of its
    // previous picture, which were freed after the answer.
    retry = reply.LastCalled < 0;
  }
  reply.End = TReplyEnd::Cut;
  return outcome;
}

THelperOutcome TDecoderHelper::Decode(int pictureFile,
                                      const std::vector<std::string>& decoderFiles) {
  if (process_ >= 0 && decoderFiles != decoderFiles_) Stop();
  const bool wasRunning = process_ >= 0;
  THelperOutcome outcome;
  if (!wasRunning && !Start(decoderFiles, outcome)) return outcome;
  bool retry = false;
  outcome = Exchange(pictureFile, retry);
  if (!retry || !wasRunning) return outcome;
  THelperOutcome restarted;
  if (!Start(decoderFiles, restarted)) return restarted;
  return Exchange(pictureFile, retry);
}

}  // namespace kelmo
