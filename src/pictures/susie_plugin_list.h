// The image-decoder list: decoder libraries (".spi" shared objects, see dorrinkelmo/susie_plugin.h)
// loaded from folders, asked in list order to decode a picture; the first to succeed wins.
//
// Loading a library runs its code, so this list lives only in the decoder helper
// (decoder_service.h), never in the program itself: the program keeps the decoders' paths
// (decoder_folders.h) and sends each picture to the helper. The list is plain C++ for that reason.
//
// A library is accepted only when it is a picture decoder ("00IN") exporting both functions the
// list calls, so a decoder is never called through a missing entry. What a decoder returns is
// untrusted and checked (dib_layout.h); what it does inside its own calls is not in our hands,
// which is why the helper runs apart.
#pragma once

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dorrinkelmo/susie_plugin.h"
#include "pictures/dib_layout.h"

namespace kelmo {

// The file name pattern decoders are loaded by, compared without regard to letter case.
inline constexpr std::string_view kDecoderExtension = ".spi";
// Size of the buffer GetPluginInfo writes into; the decoder is told one byte less.
inline constexpr int kPluginInfoBufferSize = 256;

// The "*.spi" regular files of the folder (a "/" is added when missing), as paths in the order of
// their names; none for a missing folder or "".
std::vector<std::string> DecoderFilesIn(const std::string& folder);

// One loaded decoder library.
struct TSusiePlugIn {
  std::string FileName;    // the path it was loaded from
  std::string ApiVersion;  // GetPluginInfo(0): "00IN"
  std::string PlugInName;  // GetPluginInfo(1)
  std::string Extensions;  // GetPluginInfo(2), upper-cased
  std::string TypeName;    // GetPluginInfo(3)
  SusieIsSupported IsSupported = nullptr;
  SusieGetPicture GetPicture = nullptr;

  struct TModuleCloser {
    void operator()(void* module) const;
  };
  std::unique_ptr<void, TModuleCloser> Module;  // closed last, after the entries are dropped
};

// A block a decoder allocated with malloc, freed with free.
struct TFreeBlock {
  void operator()(void* block) const { std::free(block); }
};
using TMallocBlock = std::unique_ptr<void, TFreeBlock>;

// A picture a decoder returned, with the layout its blocks were checked against. The blocks are
// the decoder's own; they are freed when this goes.
struct TDecodedDib {
  int Decoder = -1;  // index in the list of the decoder that decoded it
  TDibLayout Layout;
  TMallocBlock Info;
  size_t InfoSize = 0;
  TMallocBlock Bits;
  size_t BitsSize = 0;
};

// Told what a decode is doing, so that a crash or a hang inside a decoder can be laid at its door.
class TDecodeObserver {
 public:
  virtual ~TDecodeObserver() = default;
  // The decoder at index is about to be asked (IsSupported, then perhaps GetPicture).
  virtual void Calling(int decoder) = 0;
  // The decoder at index said it decoded the picture but returned blocks that are no picture we
  // read (missing, too small for what the header claims, or a header we do not read).
  virtual void Lied(int decoder) = 0;
};

class TSusiePlugInList {
 public:
  TSusiePlugInList() = default;
  TSusiePlugInList(const TSusiePlugInList&) = delete;
  TSusiePlugInList& operator=(const TSusiePlugInList&) = delete;
  // Unloads every decoder, first to last.
  ~TSusiePlugInList();

  // Adds the decoders of DecoderFilesIn(folder) that Add accepts. Returns how many were added.
  int LoadFolder(const std::string& folder);

  // Insert(Count(), path).
  bool Add(const std::string& path);

  // Loads the library at path and puts it at index (0 to Count()). Returns false, leaving the list
  // as it was, when the index is outside the list, the library cannot be loaded, a decoder with
  // exactly this path is already in the list, or the library exports no GetPluginInfo, answers
  // another interface version than "00IN", or lacks IsSupported or GetPicture.
  bool Insert(int index, const std::string& path);

  // Unloads the decoder at index (0 to Count() - 1); nothing for an index outside the list.
  void Delete(int index);

  // Asks each decoder in list order whether it claims the size bytes at data and, when it does,
  // to decode them; the first decode that succeeds with blocks that pass ReadDibLayout is
  // returned. A decoder whose GetPicture fails, or succeeds with blocks we do not read (told to
  // observer as a lie), passes the picture on to the next. Nothing when no decoder succeeds.
  // The blocks' sizes are measured with malloc_usable_size, which a decoder cannot lie about
  // unless its pointers are no heap blocks at all: then this may crash, which is the helper's
  // reason to exist.
  std::optional<TDecodedDib> LoadFromMemory(const void* data, size_t size,
                                            TDecodeObserver* observer = nullptr);

  int Count() const { return static_cast<int>(plugIns_.size()); }
  const TSusiePlugIn& PlugIn(int index) const { return *plugIns_.at(static_cast<size_t>(index)); }
  bool IsLoaded(const std::string& path) const;

 private:
  std::vector<std::unique_ptr<TSusiePlugIn>> plugIns_;
};

}  // namespace kelmo
