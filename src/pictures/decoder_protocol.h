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
//             colour table, exactly) and the rows (exactly as many bytes as the header claims);
//   NoPicture no decoder decoded the picture; the reply's last frame, as Picture is.
//
// The helper is foreign code's host, so its reply is read with suspicion: ReadHelperReply checks
// every frame and every size against the decoder count and the picture limits before it
// allocates or reads a payload, and stops at the first frame out of place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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
// A Picture frame with its payload: the info block rewritten to exactly a 40-byte header and the
// colour table the layout uses, then the layout's rows. The picture's blocks must have passed
// ReadDibLayout (TSusiePlugInList::LoadFromMemory checks them).
std::string PictureFrameHeader(const TDecodedDib& picture);
std::string PictureInfoBlock(const TDecodedDib& picture);

// Where a reply is read from: ReadExactly fills size bytes or answers false (the end of the
// stream, an error or the time limit; the source knows which).
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  virtual bool ReadExactly(void* into, size_t size) = 0;
};

// A reply held in memory, for tests and the fuzz target.
class TMemorySource : public TByteSource {
 public:
  explicit TMemorySource(std::string_view bytes) : bytes_(bytes) {}
  bool ReadExactly(void* into, size_t size) override;

 private:
  std::string_view bytes_;
};

// How a reply ended.
enum class TReplyEnd {
  Picture,    // a Picture frame: the picture is in the reply
  NoPicture,  // a NoPicture frame
  Cut,        // the source ended or failed before the last frame
  Malformed,  // a frame out of place, of an unknown kind, or with a size beyond its bounds
};

// One reply, as far as it could be read.
struct THelperReply {
  TReplyEnd End = TReplyEnd::Cut;
  int LastCalled = -1;                              // the decoder of the last Calling frame
  std::vector<std::pair<int, TMisdeed>> Misdeeds;   // in the order they came
  // For a Picture: the decoder, the layout, the info block and the rows (malloc'ed, so that the
  // picture can take them over without a copy).
  int Decoder = -1;
  TDibLayout Layout;
  std::string Info;
  TMallocBlock Bits;
  size_t BitsSize = 0;
};

// Reads one reply from the source for a helper that has decoderCount decoders. Calling frames
// must name decoders in rising order below decoderCount, a Misdeed the decoder called last, a
// Picture the decoder called last with a layout that passes ReadDibLayout, a 40-byte header, no
// more colour entries than it uses, and exactly the rows it claims; at most one Misdeed of each
// kind per decoder. The rows are allocated only after all of that holds.
THelperReply ReadHelperReply(TByteSource& source, int decoderCount);

}  // namespace kelmo
