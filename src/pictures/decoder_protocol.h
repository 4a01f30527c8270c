// What the program and the decoder helper say to each other over their socket.
//
// The program sends a request (kRequestBytes) with the open picture file attached as a descriptor
// (SCM_RIGHTS); the helper never opens a file of its own. The helper answers with frames, each a
// 20-byte header of five little-endian 32-bit numbers (kind, decoder, detail, info size, bits
// size), some followed by a payload:
//
//   Calling   the decoder at this index is about to be asked: a crash or a hang from here on is
//             that decoder's doing;
//   Misdeed   the decoder called last did something it must not (detail: TMisdeed);
//   Picture   the decoder decoded the picture: then the info block (a 40-byte header and its
//             colour table, exactly), and the rows (exactly as many bytes as the header claims):
//             small rows follow in the stream (detail kRowsInStream), larger ones come as a
//             sealed memory file sent with the frame (detail kRowsInMemoryFile), so that a large
//             picture crosses without a stream of small socket writes;
//   NoPicture no decoder decoded the picture; the reply's last frame, as Picture is.
//
// The helper is foreign code's host, so its reply is read with suspicion: ReadHelperReply checks
// every frame and every size against the decoder count and the picture limits before it
// allocates or reads a payload, and stops at the first frame out of place.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "charfile/regular_file.h"
#include "pictures/dib_layout.h"
#include "pictures/susie_plugin_list.h"

namespace kelmo {

// The helper's end of the socket, as the helper finds it when it starts.
inline constexpr int kHelperSocketDescriptor = 3;
// The helper's command line: its options, then the decoder files in list order.
inline constexpr std::string_view kHelperMemoryOption = "--memory-limit";  // then bytes
inline constexpr std::string_view kHelperUnconfinedOption = "--unconfined";
inline constexpr std::string_view kHelperEndOfOptions = "--";

// The bytes of a request: "KDRQ", then the request's version (kRequestVersion).
inline constexpr size_t kRequestBytes = 8;
inline constexpr std::string_view kRequestMagic = "KDRQ";
inline constexpr uint32_t kRequestVersion = 1;
// Bytes of a reply frame's header.
inline constexpr size_t kFrameHeaderBytes = 20;
// Largest info block of a reply: the header and a full colour table.
inline constexpr size_t kMaxReplyInfoBytes =
    kDibHeaderBytes + kDibMaxColourEntries * kDibColourEntryBytes;

enum class TFrameKind : uint32_t { Calling = 1, Misdeed = 2, Picture = 3, NoPicture = 4 };

// Where a Picture frame's rows are (its detail).
inline constexpr uint32_t kRowsInMemoryFile = 0;
inline constexpr uint32_t kRowsInStream = 1;
// Most bytes of rows sent in the stream: below this a memory file costs more than the copy.
inline constexpr size_t kMostRowBytesInStream = 64 * 1024;

// What a decoder did that costs it the picture (a Misdeed frame's detail).
enum class TMisdeed : uint32_t {
  Lied = 1,            // said it decoded the picture, with blocks that are no picture we read
  StartedProcess = 2,  // left a process of its own running
};

// The request the program sends with the picture's descriptor.
std::string RequestBytes();

// Whether bytes are a request this helper answers.
bool IsRequest(std::string_view bytes);

// The frames the helper writes.
std::string CallingFrame(int decoder);
std::string MisdeedFrame(int decoder, TMisdeed misdeed);
std::string NoPictureFrame();
// A Picture frame and its info block: the header rewritten to exactly 40 bytes, then the colour
// table the layout uses, then the rows when they go in the stream (RowsInStream). The picture's
// blocks must have passed ReadDibLayout (TSusiePlugInList::LoadFromMemory checks them).
std::string PictureFrame(const TDecodedDib& picture);

// Whether the picture's rows go in the stream rather than in a memory file.
bool RowsInStream(const TDecodedDib& picture);

// The seals a memory file of rows must carry: nothing can write, grow, shrink or unseal it.
inline constexpr int kPixelFileSeals = 0x0001 | 0x0002 | 0x0004 | 0x0008;  // F_SEAL_*

// A memory file holding the size bytes at data, sealed with kPixelFileSeals; none when it cannot
// be made.
TFileDescriptor SealedPixelFile(const void* data, size_t size);

// Sends all of bytes on the socket with the descriptor attached to their first byte (the request
// with its picture, a Picture frame with its rows). False when the socket fails.
bool SendWithDescriptor(int socket, std::string_view bytes, int descriptor);

// recvmsg of at most size bytes with flags (MSG_CMSG_CLOEXEC is added); a descriptor that came
// with them replaces the one in descriptor (of several, the last is kept). Returns what recvmsg
// returns.
ssize_t ReceiveWithDescriptor(int socket, void* into, size_t size, int flags,
                              TFileDescriptor& descriptor);

// Sends all of bytes on the socket, going on after signals; false when the socket fails.
bool SendAll(int socket, std::string_view bytes);

// Where a reply is read from: ReadExactly fills size bytes or answers false (the end of the
// stream, an error or the time limit; the source knows which); TakeDescriptor hands over the
// last descriptor that came with the bytes read so far (none when none came).
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  virtual bool ReadExactly(void* into, size_t size) = 0;
  virtual TFileDescriptor TakeDescriptor() = 0;
};

// A reply held in memory, for tests and the fuzz target, with the descriptor that came with it.
class TMemorySource : public TByteSource {
 public:
  explicit TMemorySource(std::string_view bytes, TFileDescriptor descriptor = {})
      : bytes_(bytes), descriptor_(std::move(descriptor)) {}
  bool ReadExactly(void* into, size_t size) override;
  TFileDescriptor TakeDescriptor() override { return std::move(descriptor_); }

 private:
  std::string_view bytes_;
  TFileDescriptor descriptor_;
};

// How a reply ended.
enum class TReplyEnd {
  Picture,    // a Picture frame: the picture is in the reply
  NoPicture,  // a NoPicture frame
  Cut,        // the source ended or failed before the last frame
  Malformed,  // a frame out of place, of an unknown kind, or with a size beyond its bounds
};

// The rows of a reply: read from the stream into a block of their own, or mapped copy-on-write
// from the helper's sealed memory file; either way a picture can take them over as its pixels
// without a copy. Freed or unmapped when this goes.
class TReplyRows {
 public:
  enum class TStorage { Allocated, Mapped };
  TReplyRows() = default;
  TReplyRows(void* data, size_t size, TStorage storage)
      : data_(data), size_(size), storage_(storage) {}
  ~TReplyRows();
  TReplyRows(TReplyRows&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)),
        size_(std::exchange(other.size_, 0)),
        storage_(other.storage_) {}
  TReplyRows& operator=(TReplyRows&& other) noexcept;

  void* Get() const { return data_; }
  size_t Size() const { return size_; }
  explicit operator bool() const { return data_ != nullptr; }

  // Unmaps a TReplyRows that was handed over as a heap object (a picture's clean-up function).
  static void Delete(void* rows);

 private:
  void Release();

  void* data_ = nullptr;
  size_t size_ = 0;
  TStorage storage_ = TStorage::Allocated;
};

// One reply, as far as it could be read.
struct THelperReply {
  TReplyEnd End = TReplyEnd::Cut;
  int LastCalled = -1;                              // the decoder of the last Calling frame
  std::vector<std::pair<int, TMisdeed>> Misdeeds;   // in the order they came
  // For a Picture: the decoder, the layout, the info block and the rows.
  int Decoder = -1;
  TDibLayout Layout;
  std::string Info;
  TReplyRows Bits;
};

// Reads one reply from the source for a helper that has decoderCount decoders. Calling frames
// must name decoders in rising order below decoderCount, a Misdeed the decoder called last, a
// Picture the decoder called last with a layout that passes ReadDibLayout, a 40-byte header, no
// more colour entries than it uses, and exactly the rows it claims: in the stream when they are
// at most kMostRowBytesInStream bytes, else in a memory file that carries kPixelFileSeals (so that the helper can neither change the rows nor make them vanish while they
// are read); at most one Misdeed of each kind per decoder. The rows are mapped only after all of
// that holds.
THelperReply ReadHelperReply(TByteSource& source, int decoderCount);

}  // namespace kelmo
