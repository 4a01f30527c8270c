// Frames are built and read field by field in little-endian order, so the protocol does not
// depend on the layout of a struct.
#include "pictures/decoder_protocol.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <memory>
#include <cerrno>
#include <cstring>

#include "dorrinkelmo/susie_plugin.h"

namespace kelmo {
namespace {

static_assert(kPixelFileSeals == (F_SEAL_SEAL | F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE));

// Most descriptors taken from one receive: one is sent at a time; more are closed.
constexpr size_t kMostDescriptors = 4;
// Where biClrUsed lies in the 40-byte header.
constexpr size_t kColoursUsedAt = 32;

void AppendLe32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xff);
}

void PutLe32(std::string& out, size_t at, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

uint32_t ReadLe32(const unsigned char* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

std::string Frame(TFrameKind kind, uint32_t decoder, uint32_t detail = 0, uint32_t infoSize = 0,
                  uint32_t bitsSize = 0) {
  std::string frame;
  for (const uint32_t value : {static_cast<uint32_t>(kind), decoder, detail, infoSize, bitsSize}) {
    AppendLe32(frame, value);
  }
  return frame;
}

struct TFrameHeader {
  uint32_t Kind = 0;
  uint32_t Decoder = 0;
  uint32_t Detail = 0;
  uint32_t InfoSize = 0;
  uint32_t BitsSize = 0;
};

bool ReadFrameHeader(TByteSource& source, TFrameHeader& header) {
  std::array<unsigned char, kFrameHeaderBytes> bytes;
  if (!source.ReadExactly(bytes.data(), bytes.size())) return false;
  header = {ReadLe32(&bytes[0]), ReadLe32(&bytes[4]), ReadLe32(&bytes[8]), ReadLe32(&bytes[12]),
            ReadLe32(&bytes[16])};
  return true;
}

bool IsMisdeed(uint32_t detail) {
  return detail == static_cast<uint32_t>(TMisdeed::Lied) ||
         detail == static_cast<uint32_t>(TMisdeed::StartedProcess);
}

bool AlreadyTold(const THelperReply& reply, int decoder, TMisdeed misdeed) {
  for (const auto& [told, what] : reply.Misdeeds) {
    if (told == decoder && what == misdeed) return true;
  }
  return false;
}

// The rows in the sealed memory file, mapped; none when the file is not sealed as it must be or
// is not exactly size bytes.
TReplyRows MapPixelFile(int file, size_t size) {
  struct stat status {};
  if (::fcntl(file, F_GET_SEALS) != kPixelFileSeals || ::fstat(file, &status) != 0 ||
      !S_ISREG(status.st_mode) || static_cast<uint64_t>(status.st_size) != size || size == 0) {
    return {};
  }
  void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, file, 0);
  if (mapped == MAP_FAILED) return {};
  return TReplyRows(mapped, size, TReplyRows::TStorage::Mapped);
}

// Reads a Picture frame's payload into reply: Malformed when it is not exactly what the header
// and its layout claim.
TReplyEnd ReadPicture(TByteSource& source, const TFrameHeader& header, THelperReply& reply) {
  if (header.InfoSize < kDibHeaderBytes || header.InfoSize > kMaxReplyInfoBytes) {
    return TReplyEnd::Malformed;
  }
  reply.Info.assign(header.InfoSize, '\0');
  if (!source.ReadExactly(reply.Info.data(), reply.Info.size())) return TReplyEnd::Cut;
  const std::optional<TDibLayout> layout =
      ReadDibLayout(reply.Info.data(), reply.Info.size(), header.BitsSize);
  if (!layout || layout->HeaderSize != kDibHeaderBytes ||
      reply.Info.size() != kDibHeaderBytes + layout->ColourEntries * kDibColourEntryBytes ||
      layout->BitsBytes() != header.BitsSize) {
    return TReplyEnd::Malformed;
  }
  if (header.Detail == kRowsInStream && header.BitsSize <= kMostRowBytesInStream) {
    reply.Bits = TReplyRows(std::malloc(header.BitsSize), header.BitsSize,
                            TReplyRows::TStorage::Allocated);
    if (!reply.Bits) return TReplyEnd::Malformed;
    if (!source.ReadExactly(reply.Bits.Get(), header.BitsSize)) {
      reply.Bits = TReplyRows();
      return TReplyEnd::Cut;
    }
  } else if (header.Detail == kRowsInMemoryFile && header.BitsSize > kMostRowBytesInStream) {
    const TFileDescriptor pixels = source.TakeDescriptor();
    if (!pixels.IsOpen()) return TReplyEnd::Malformed;
    reply.Bits = MapPixelFile(pixels.Get(), header.BitsSize);
    if (!reply.Bits) return TReplyEnd::Malformed;
  } else {
    return TReplyEnd::Malformed;
  }
  reply.Decoder = static_cast<int>(header.Decoder);
  reply.Layout = *layout;
  return TReplyEnd::Picture;
}

}  // namespace

std::string RequestBytes() {
  std::string request(kRequestMagic);
  AppendLe32(request, kRequestVersion);
  return request;
}

bool IsRequest(std::string_view bytes) {
  return bytes == RequestBytes();
}

std::string CallingFrame(int decoder) {
  return Frame(TFrameKind::Calling, static_cast<uint32_t>(decoder));
}

std::string MisdeedFrame(int decoder, TMisdeed misdeed) {
  return Frame(TFrameKind::Misdeed, static_cast<uint32_t>(decoder),
               static_cast<uint32_t>(misdeed));
}

std::string NoPictureFrame() {
  return Frame(TFrameKind::NoPicture, 0);
}

std::string PictureFrame(const TDecodedDib& picture) {
  const TDibLayout& layout = picture.Layout;
  const auto* info = static_cast<const char*>(picture.Info.get());
  std::string block(info, kDibHeaderBytes);
  PutLe32(block, 0, kDibHeaderBytes);  // biSize: the colour table follows the 40 bytes
  PutLe32(block, kColoursUsedAt, static_cast<uint32_t>(layout.ColourEntries));
  block.append(info + layout.HeaderSize,
               static_cast<size_t>(layout.ColourEntries) * kDibColourEntryBytes);
  const bool inStream = RowsInStream(picture);
  std::string frame = Frame(TFrameKind::Picture, static_cast<uint32_t>(picture.Decoder),
                            inStream ? kRowsInStream : kRowsInMemoryFile,
                            static_cast<uint32_t>(block.size()),
                            static_cast<uint32_t>(layout.BitsBytes())) +
                      block;
  if (inStream) {
    frame.append(static_cast<const char*>(picture.Bits.get()),
                 static_cast<size_t>(layout.BitsBytes()));
  }
  return frame;
}

bool RowsInStream(const TDecodedDib& picture) {
  return static_cast<uint64_t>(picture.Layout.BitsBytes()) <= kMostRowBytesInStream;
}

TFileDescriptor SealedPixelFile(const void* data, size_t size) {
  TFileDescriptor file(::memfd_create("picture rows", MFD_CLOEXEC | MFD_ALLOW_SEALING));
  if (!file.IsOpen()) return {};
  const auto* bytes = static_cast<const char*>(data);
  for (size_t written = 0; written < size;) {
    const ssize_t done = ::pwrite(file.Get(), bytes + written, size - written,
                                  static_cast<off_t>(written));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return {};
    written += static_cast<size_t>(done);
  }
  if (::fcntl(file.Get(), F_ADD_SEALS, kPixelFileSeals) != 0) return {};
  return file;
}

TReplyRows::~TReplyRows() {
  Release();
}

TReplyRows& TReplyRows::operator=(TReplyRows&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    storage_ = other.storage_;
  }
  return *this;
}

void TReplyRows::Release() {
  if (data_ == nullptr) return;
  if (storage_ == TStorage::Mapped) {
    ::munmap(data_, size_);
  } else {
    std::free(data_);
  }
  data_ = nullptr;
}

void TReplyRows::Delete(void* rows) {
  std::unique_ptr<TReplyRows>(static_cast<TReplyRows*>(rows));
}

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
  // The descriptor went with the first byte; what is left goes plainly.
  return sent > 0 && SendAll(socket, bytes.substr(static_cast<size_t>(sent)));
}

ssize_t ReceiveWithDescriptor(int socket, void* into, size_t size, int flags,
                              TFileDescriptor& descriptor) {
  iovec vector{into, size};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kMostDescriptors)] = {};
  msghdr message{};
  message.msg_iov = &vector;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  ssize_t received;
  do {
    received = ::recvmsg(socket, &message, flags | MSG_CMSG_CLOEXEC);
  } while (received < 0 && errno == EINTR);
  for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
       header = CMSG_NXTHDR(&message, header)) {
    if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS) continue;
    const size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
    for (size_t i = 0; i < count; ++i) {
      int passed;
      std::memcpy(&passed, CMSG_DATA(header) + i * sizeof(int), sizeof passed);
      descriptor.Reset(passed);
    }
  }
  return received;
}

bool SendAll(int socket, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
  return true;
}

bool TMemorySource::ReadExactly(void* into, size_t size) {
  if (size > bytes_.size()) return false;
  std::memcpy(into, bytes_.data(), size);
  bytes_.remove_prefix(size);
  return true;
}

THelperReply ReadHelperReply(TByteSource& source, int decoderCount) {
  THelperReply reply;
  // Each decoder is called once and may misbehave once in each way; then comes the last frame.
  const int frameLimit = decoderCount * 3 + 1;
  for (int frames = 0; frames < frameLimit; ++frames) {
    TFrameHeader header;
    if (!ReadFrameHeader(source, header)) {
      reply.End = TReplyEnd::Cut;
      return reply;
    }
    const bool calledDecoder =
        reply.LastCalled >= 0 && header.Decoder == static_cast<uint32_t>(reply.LastCalled);
    switch (static_cast<TFrameKind>(header.Kind)) {
      case TFrameKind::Calling:
        if (header.Decoder >= static_cast<uint32_t>(decoderCount) ||
            static_cast<int64_t>(header.Decoder) <= reply.LastCalled) {
          reply.End = TReplyEnd::Malformed;
          return reply;
        }
        reply.LastCalled = static_cast<int>(header.Decoder);
        break;
      case TFrameKind::Misdeed: {
        const auto misdeed = static_cast<TMisdeed>(header.Detail);
        if (!calledDecoder || !IsMisdeed(header.Detail) ||
            AlreadyTold(reply, reply.LastCalled, misdeed)) {
          reply.End = TReplyEnd::Malformed;
          return reply;
        }
        reply.Misdeeds.emplace_back(reply.LastCalled, misdeed);
        break;
      }
      case TFrameKind::Picture:
        reply.End = calledDecoder ? ReadPicture(source, header, reply) : TReplyEnd::Malformed;
        return reply;
      case TFrameKind::NoPicture:
        reply.End = TReplyEnd::NoPicture;
        return reply;
      default:
        reply.End = TReplyEnd::Malformed;
        return reply;
    }
  }
  reply.End = TReplyEnd::Malformed;
  return reply;
}

}  // namespace kelmo
