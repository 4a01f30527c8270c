// Frames are written to the socket as soon as they are known: a Calling frame must be out before
// the decoder runs, since nothing can be written once it has crashed. The decoder's blocks are
// freed only after the answer has gone out, so a decoder whose pointers make free() abort costs
// the helper (which the program starts again) but not the picture.
#include "pictures/decoder_service.h"

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>

#include "charfile/regular_file.h"
#include "pictures/decoder_protocol.h"
#include "pictures/picture_limits.h"

namespace kelmo {
namespace {

bool SendAll(int socket, const void* data, size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t sent = ::send(socket, bytes, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

bool Send(int socket, std::string_view bytes) {
  return SendAll(socket, bytes.data(), bytes.size());
}

// Sends bytes with the descriptor attached to their first byte.
bool SendWithDescriptor(int socket, std::string_view bytes, int descriptor) {
  iovec vector{const_cast<char*>(bytes.data()), bytes.size()};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  msghdr message{};
  message.msg_iov = &vector;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  cmsghdr* header = CMSG_FIRSTHDR(&message);
  header->cmsg_level = SOL_SOCKET;
  header->cmsg_type = SCM_RIGHTS;
  header->cmsg_len = CMSG_LEN(sizeof(int));
  std::memcpy(CMSG_DATA(header), &descriptor, sizeof descriptor);
  ssize_t sent;
  do {
    sent = ::sendmsg(socket, &message, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  if (sent <= 0) return false;
  return Send(socket, bytes.substr(static_cast<size_t>(sent)));
}

// Receives one request and the descriptor that came with it; nothing when the program closed the
// socket or sent something else.
std::optional<TFileDescriptor> ReceiveRequest(int socket) {
  char bytes[kRequestBytes];
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  iovec vector{bytes, sizeof bytes};
  msghdr message{};
  message.msg_iov = &vector;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  ssize_t received;
  do {
    received = ::recvmsg(socket, &message, MSG_CMSG_CLOEXEC | MSG_WAITALL);
  } while (received < 0 && errno == EINTR);
  TFileDescriptor file;
  for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
       header = CMSG_NXTHDR(&message, header)) {
    if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_RIGHTS &&
        header->cmsg_len == CMSG_LEN(sizeof(int))) {
      int descriptor;
      std::memcpy(&descriptor, CMSG_DATA(header), sizeof descriptor);
      file.Reset(descriptor);
    }
  }
  if (received != static_cast<ssize_t>(kRequestBytes) || (message.msg_flags & MSG_CTRUNC) ||
      !IsRequest(std::string_view(bytes, sizeof bytes)) || !file.IsOpen()) {
    return std::nullopt;
  }
  return file;
}

// The whole regular file behind the descriptor, read from its start; nothing when it is no
// regular file, larger than the limit or cannot be read.
std::optional<std::string> ReadWhole(int file) {
  struct stat status {};
  if (::fstat(file, &status) != 0 || !S_ISREG(status.st_mode) ||
      status.st_size > kMaxPictureFileBytes) {
    return std::nullopt;
  }
  std::string bytes(static_cast<size_t>(status.st_size), '\0');
  size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = ::pread(file, bytes.data() + filled, bytes.size() - filled,
                                static_cast<off_t>(filled));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) break;  // the file shrank while being read
    filled += static_cast<size_t>(got);
  }
  bytes.resize(filled);
  return bytes;
}

// Gives the next picture kDecoderCpuSecondsPerPicture of processor time from now.
void MoveProcessorLimitOn() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  const rlim_t used = static_cast<rlim_t>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + 1);
  rlimit limit{};
  ::getrlimit(RLIMIT_CPU, &limit);
  limit.rlim_cur = used + kDecoderCpuSecondsPerPicture;
  if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
  }
  ::setrlimit(RLIMIT_CPU, &limit);
}

// Whether a process of the decoders' making is running or has ended since the last look.
bool DecoderStartedAProcess() {
  int status = 0;
  return ::waitpid(-1, &status, WNOHANG) >= 0;  // -1 with ECHILD: there never was one
}

// Writes Calling and Misdeed frames as the decode goes, in the numbers of the decoder files.
class TFrameWriter : public TDecodeObserver {
 public:
  TFrameWriter(int socket, const THelperDecoders& decoders)
      : socket_(socket), decoders_(decoders) {}

  void Calling(int decoder) override {
    last_ = FileIndex(decoder);
    ok_ = ok_ && Send(socket_, CallingFrame(last_));
  }
  void Lied(int decoder) override {
    ok_ = ok_ && Send(socket_, MisdeedFrame(FileIndex(decoder), TMisdeed::Lied));
  }
  int FileIndex(int decoder) const { return decoders_.FileIndex[static_cast<size_t>(decoder)]; }
  int Last() const { return last_; }
  bool Ok() const { return ok_; }

 private:
  int socket_;
  const THelperDecoders& decoders_;
  int last_ = -1;
  bool ok_ = true;
};

// Answers one picture; false when the loop must end (the socket failed or a decoder left a
// process behind).
bool AnswerPicture(int socket, int file, THelperDecoders& decoders) {
  MoveProcessorLimitOn();
  const std::optional<std::string> bytes = ReadWhole(file);
  if (!bytes) return Send(socket, NoPictureFrame());
  TFrameWriter writer(socket, decoders);
  std::optional<TDecodedDib> picture =
      decoders.List.LoadFromMemory(bytes->data(), bytes->size(), &writer);
  if (!writer.Ok()) return false;
  if (DecoderStartedAProcess()) {
    Send(socket, MisdeedFrame(writer.Last(), TMisdeed::StartedProcess));
    Send(socket, NoPictureFrame());
    return false;
  }
  if (!picture) return Send(socket, NoPictureFrame());
  picture->Decoder = writer.FileIndex(picture->Decoder);
  const TFileDescriptor rows = SealedPixelFile(
      picture->Bits.get(), static_cast<size_t>(picture->Layout.BitsBytes()));
  if (!rows.IsOpen()) return Send(socket, NoPictureFrame());
  return SendWithDescriptor(socket, PictureFrame(*picture), rows.Get());
}

}  // namespace

void LoadHelperDecoders(const std::vector<std::string>& decoderFiles, THelperDecoders& decoders) {
  for (size_t i = 0; i < decoderFiles.size(); ++i) {
    if (decoders.List.Add(decoderFiles[i])) decoders.FileIndex.push_back(static_cast<int>(i));
  }
}

int ServeDecodeRequests(int socket, THelperDecoders& decoders) {
  while (std::optional<TFileDescriptor> file = ReceiveRequest(socket)) {
    if (!AnswerPicture(socket, file->Get(), decoders)) return 1;
  }
  return 0;
}

}  // namespace kelmo
