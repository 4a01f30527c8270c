// The hand-over socket: its place, its messages, and the few socket calls both ends make.
#include "instance/hand_over_channel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>

namespace kelmo {
namespace {

using TJson = nlohmann::json;
using TClock = std::chrono::steady_clock;

// The socket folder and the socket are the user's alone.
constexpr mode_t kRuntimeFolderMode = 0700;
constexpr mode_t kSocketMode = 0600;
// Connections that may wait to be accepted.
constexpr int kListenBacklog = 16;
constexpr std::string_view kSocketExtension = ".sock";

// Message fields and the statuses' names.
constexpr const char* kFolderField = "folder";
constexpr const char* kCharacterField = "character";
constexpr const char* kSayField = "say";
constexpr const char* kPackageField = "package";
constexpr const char* kStartupIdField = "startup_id";
constexpr const char* kStatusField = "status";
constexpr const char* kMessageField = "message";
constexpr std::pair<THandOverStatus, std::string_view> kStatusNames[] = {
    {THandOverStatus::Done, "done"},
    {THandOverStatus::Busy, "busy"},
    {THandOverStatus::Refused, "refused"},
    {THandOverStatus::Closing, "closing"},
};

// 64-bit FNV-1a: a stable hash (std::hash may differ between builds, and both ends must agree).
uint64_t StableHash(std::string_view text) {
  uint64_t hash = 14695981039346656037ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

[[noreturn]] void Fail(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

// Makes the socket folder when missing and checks that it is this user's alone.
void EnsurePrivateFolder(const std::string& folder) {
  if (::mkdir(folder.c_str(), kRuntimeFolderMode) != 0 && errno != EEXIST) Fail(folder);
  struct stat status;
  if (::lstat(folder.c_str(), &status) != 0) Fail(folder);
  if (!S_ISDIR(status.st_mode) || status.st_uid != ::getuid() ||
      (status.st_mode & 0777) != kRuntimeFolderMode) {
    errno = EPERM;
    Fail(folder + " is not a folder of this user's alone");
  }
}

// The socket address of path; false when the path does not fit.
bool SocketAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.data(), path.size());
  return true;
}

std::string Dump(const TJson& json) {
  return json.dump(-1, ' ', false, TJson::error_handler_t::replace);
}

std::optional<TJson> ParseObject(std::string_view line) {
  TJson json = TJson::parse(line, nullptr, false);
  if (json.is_discarded() || !json.is_object()) return std::nullopt;
  return json;
}

// The text field's value: empty when absent, nothing when present but no text.
std::optional<std::string> TextField(const TJson& json, const char* field) {
  const auto found = json.find(field);
  if (found == json.end()) return std::string();
  if (!found->is_string()) return std::nullopt;
  return found->get<std::string>();
}

}  // namespace

std::string OverLimitMessage() {
  return "引き継げるのは " + std::to_string(kHandOverMessageLimit) + " バイトまでです";
}

std::string CanonicalProgramFolder(const std::string& programFolder) {
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::canonical(programFolder, error);
  return error ? programFolder : canonical.string();
}

std::string HandOverSocketPath(const std::string& programFolder, const char* runtimeDir) {
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016llx",
                static_cast<unsigned long long>(StableHash(CanonicalProgramFolder(programFolder))));
  const std::string socketName = "/" + std::string(hash) + std::string(kSocketExtension);
  std::string folder;
  if (runtimeDir != nullptr && runtimeDir[0] == '/') {
    folder = (std::filesystem::path(runtimeDir) / kRuntimeFolderName).lexically_normal().string();
  }
  if (folder.empty() || folder.size() + socketName.size() >= sizeof(sockaddr_un::sun_path)) {
    folder = std::string(kTemporaryRuntimePrefix) + std::to_string(::getuid());
  }
  EnsurePrivateFolder(folder);
  return folder + socketName;
}

std::string EncodeRequest(const std::string& canonicalFolder, const THandOverRequest& request) {
  TJson json = {{kFolderField, canonicalFolder}};
  if (!request.Character.empty()) json[kCharacterField] = request.Character;
  if (request.Say) json[kSayField] = *request.Say;
  if (!request.Package.empty()) json[kPackageField] = request.Package;
  if (!request.StartupId.empty()) json[kStartupIdField] = request.StartupId;
  return Dump(json);
}

std::optional<TReceivedRequest> DecodeRequest(std::string_view line) {
  const std::optional<TJson> json = ParseObject(line);
  if (!json) return std::nullopt;
  const std::optional<std::string> folder = TextField(*json, kFolderField);
  const std::optional<std::string> character = TextField(*json, kCharacterField);
  const std::optional<std::string> startupId = TextField(*json, kStartupIdField);
  const std::optional<std::string> say = TextField(*json, kSayField);
  const std::optional<std::string> package = TextField(*json, kPackageField);
  if (!folder || folder->empty() || !character || !startupId || !say || !package) {
    return std::nullopt;
  }
  TReceivedRequest received;
  received.Folder = *folder;
  received.Request.Character = *character;
  received.Request.StartupId = *startupId;
  received.Request.Package = *package;
  if (json->contains(kSayField)) received.Request.Say = *say;
  return received;
}

std::string EncodeAnswer(const THandOverAnswer& answer) {
  std::string_view status;
  for (const auto& [value, name] : kStatusNames) {
    if (value == answer.Status) status = name;
  }
  return Dump(TJson{{kStatusField, std::string(status)}, {kMessageField, answer.Message}});
}

std::optional<THandOverAnswer> DecodeAnswer(std::string_view line) {
  const std::optional<TJson> json = ParseObject(line);
  if (!json) return std::nullopt;
  const std::optional<std::string> status = TextField(*json, kStatusField);
  const std::optional<std::string> message = TextField(*json, kMessageField);
  if (!status || !message) return std::nullopt;
  for (const auto& [value, name] : kStatusNames) {
    if (*status == name) return THandOverAnswer{value, *message};
  }
  return std::nullopt;
}

TSocketFile::~TSocketFile() {
  if (!path_.empty()) ::unlink(path_.c_str());
}

TListener ListenAt(const std::string& path) {
  sockaddr_un address;
  if (!SocketAddress(path, address)) {
    errno = ENAMETOOLONG;
    Fail(path);
  }
  TFileDescriptor listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!listener.IsOpen()) Fail("socket");
  // Whatever lies there was left by a program that ended: the caller holds the folder's lock.
  ::unlink(path.c_str());
  if (::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    Fail(path);
  }
  TSocketFile file(path);
  // The folder already keeps others out; the socket's own mode says so again (set after bind:
  // the process-wide umask is no one thread's to change).
  if (::chmod(path.c_str(), kSocketMode) != 0 || ::listen(listener.Get(), kListenBacklog) != 0) {
    Fail(path);
  }
  return {std::move(file), std::move(listener)};
}

TFileDescriptor ConnectTo(const std::string& path) {
  sockaddr_un address;
  if (!SocketAddress(path, address)) return {};
  TFileDescriptor connection(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!connection.IsOpen()) return {};
  int result;
  do {
    result =
        ::connect(connection.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
  } while (result != 0 && errno == EINTR);
  if (result != 0) connection.Reset();
  return connection;
}

bool PeerIsSameUser(int socket) {
  ucred credentials = {};
  socklen_t size = sizeof credentials;
  return ::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 &&
         credentials.uid == ::getuid();
}

std::optional<std::string> ReadMessage(int socket, std::chrono::milliseconds patience) {
  const TClock::time_point deadline = TClock::now() + patience;
  std::string line;
  char buffer[4096];
  while (true) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
    if (left <= 0) return std::nullopt;
    pollfd watch = {socket, POLLIN, 0};
    const int ready = ::poll(&watch, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return std::nullopt;
    const ssize_t count = ::recv(socket, buffer, sizeof buffer, MSG_DONTWAIT);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (count <= 0) return std::nullopt;
    line.append(buffer, static_cast<size_t>(count));
    const size_t end = line.find('\n');
    if (end != std::string::npos) {
      if (end >= kHandOverMessageLimit) return std::nullopt;
      line.resize(end);
      return line;
    }
    if (line.size() >= kHandOverMessageLimit) return std::nullopt;
  }
}

bool WriteMessage(int socket, std::string_view line) {
  std::string message(line);
  message.push_back('\n');
  size_t written = 0;
  while (written < message.size()) {
    // No SIGPIPE when the other end has gone: the write fails instead.
    const ssize_t count =
        ::send(socket, message.data() + written, message.size() - written, MSG_NOSIGNAL);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    written += static_cast<size_t>(count);
  }
  return true;
}

}  // namespace kelmo
