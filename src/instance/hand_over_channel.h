// The channel between a second start and the program already running on the same program folder:
// a local (Unix) stream socket that only the user can reach. It lies in a folder of the user's own
// (mode 0700) under $XDG_RUNTIME_DIR, or under /tmp when that is not set, and is named after a hash
// of the program folder's canonical path, so that each program folder has its own. Both ends
// check that the other runs as the same user (SO_PEERCRED).
//
// One request per connection: the second start writes one line of JSON, the running program
// answers with one line and closes. Messages are bounded (kHandOverMessageLimit) and reading one
// never waits past its deadline, so neither end can be held up by the other.
//
//   request: {"folder":"/home/u/.local/share/dorrinkelmo","character":"/home/u/x.klc","say":"hi",
//             "package":"/home/u/x.klz","startup_id":"..."}   (all but "folder" are optional)
//   answer:  {"status":"done"|"busy"|"refused"|"closing","message":"..."}
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "charfile/regular_file.h"
#include "shell/hand_over.h"

namespace kelmo {

// The longest request or answer line accepted, in bytes, line feed included.
inline constexpr size_t kHandOverMessageLimit = 64 * 1024;

// Why a message of more than kHandOverMessageLimit bytes is refused, naming the limit (UTF-8).
std::string OverLimitMessage();
// The folder made for the sockets under XDG_RUNTIME_DIR, and its prefix under /tmp (the user id
// follows).
inline constexpr std::string_view kRuntimeFolderName = "dorrinkelmo";
inline constexpr std::string_view kTemporaryRuntimePrefix = "/tmp/dorrinkelmo-";

// A request as read by the running program: the second start's program folder with it.
struct TReceivedRequest {
  std::string Folder;  // the canonical program folder the second start meant
  THandOverRequest Request;
};

// The canonical form of the program folder (symbolic links and ".." resolved) that names the
// socket; the folder as given when it cannot be resolved.
std::string CanonicalProgramFolder(const std::string& programFolder);

// The socket's path for the program folder. runtimeDir is XDG_RUNTIME_DIR's value (may be null);
// a relative or overlong value counts as unset. The socket folder is created (mode 0700) when
// missing. Raises std::system_error when it cannot be made, or is not a folder of this user's
// alone (a link, another owner, access for others).
std::string HandOverSocketPath(const std::string& programFolder, const char* runtimeDir);

// The messages. Texts that are not UTF-8 have their bad bytes replaced (U+FFFD) on the way.
std::string EncodeRequest(const std::string& canonicalFolder, const THandOverRequest& request);
std::optional<TReceivedRequest> DecodeRequest(std::string_view line);
std::string EncodeAnswer(const THandOverAnswer& answer);
std::optional<THandOverAnswer> DecodeAnswer(std::string_view line);

// Socket operations. Descriptors are close-on-exec.

// The file a listening socket made, removed when its owner goes.
class TSocketFile {
 public:
  explicit TSocketFile(std::string path) : path_(std::move(path)) {}
  ~TSocketFile();
  TSocketFile(TSocketFile&& other) noexcept : path_(std::exchange(other.path_, {})) {}
  TSocketFile& operator=(TSocketFile&&) = delete;

  // Leaves the file behind, as a program that was killed would.
  void Release() { path_.clear(); }

 private:
  std::string path_;  // empty once released
};

// A listening socket and its file; the socket is closed before the file goes.
struct TListener {
  TSocketFile File;
  TFileDescriptor Socket;
};

// A listening socket at path, mode 0600, replacing whatever socket file a program that ended left
// there (call only while holding the program folder's lock). Raises std::system_error, leaving
// neither a socket nor a file.
TListener ListenAt(const std::string& path);

// A connection to the socket at path; none when nobody listens there (no file, or a file left by
// a program that ended).
TFileDescriptor ConnectTo(const std::string& path);

// Whether the process at the other end of the connected socket runs as this user.
bool PeerIsSameUser(int socket);

// Reads one line (up to and without its line feed) within patience. Nothing when the line does
// not come in time, the other end closes first, or the line would exceed kHandOverMessageLimit.
std::optional<std::string> ReadMessage(int socket, std::chrono::milliseconds patience);

// Writes the line and a line feed; false when the connection fails.
bool WriteMessage(int socket, std::string_view line);

}  // namespace kelmo
