// Frames are written to the socket as soon as they are known: a Calling frame must be out before
// the decoder runs, since nothing can be written once it has crashed. The decoder's blocks are
// freed only after the answer has gone out, so a decoder whose pointers make free() abort costs
// the helper (which the program starts again) but not the picture.
#include "pictures/decoder_service.h"

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string_view>

#include "charfile/regular_file.h"
#include "pictures/decoder_protocol.h"
#include "pictures/picture_file.h"
#include "pictures/picture_limits.h"

namespace kelmo {
namespace {

// Receives one request and the descriptor that came with it; nothing when the program closed the
// socket or sent something else.
std::optional<TFileDescriptor> ReceiveRequest(int socket) {
  char bytes[kRequestBytes];
  TFileDescriptor file;
  const ssize_t received = ReceiveWithDescriptor(socket, bytes, sizeof bytes, MSG_WAITALL, file);
  if (received != static_cast<ssize_t>(kRequestBytes) ||
      !IsRequest(std::string_view(bytes, sizeof bytes)) || !file.IsOpen()) {
    return std::nullopt;
  }
  return file;
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
    ok_ = ok_ && SendAll(socket_, CallingFrame(last_));
  }
  void Lied(int decoder) override {
    ok_ = ok_ && SendAll(socket_, MisdeedFrame(FileIndex(decoder), TMisdeed::Lied));
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
  const std::optional<std::string> bytes = ReadPictureDescriptor(file);
  if (!bytes) return SendAll(socket, NoPictureFrame());
  TFrameWriter writer(socket, decoders);
  std::optional<TDecodedDib> picture =
      decoders.List.LoadFromMemory(bytes->data(), bytes->size(), &writer);
  if (!writer.Ok()) return false;
  if (DecoderStartedAProcess()) {
    SendAll(socket, MisdeedFrame(writer.Last(), TMisdeed::StartedProcess));
    SendAll(socket, NoPictureFrame());
    return false;
  }
  if (!picture) return SendAll(socket, NoPictureFrame());
  picture->Decoder = writer.FileIndex(picture->Decoder);
  if (RowsInStream(*picture)) return SendAll(socket, PictureFrame(*picture));
  const TFileDescriptor rows = SealedPixelFile(
      picture->Bits.get(), static_cast<size_t>(picture->Layout.BitsBytes()));
  if (!rows.IsOpen()) return SendAll(socket, NoPictureFrame());
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
