// The image-decoder list: decoder libraries (".spi" shared objects, see dorrinkelmo/susie_plugin.h)
// loaded from folders, asked in list order to decode a picture; the first to succeed wins.
//
// A library is accepted only when it is a picture decoder ("00IN") exporting both functions the
// list calls, so a decoder is never called through a missing entry. What a decoder returns is
// untrusted and checked (dib_image.h); what it does inside its own calls is not in our hands.
// Used on the main thread only.
#pragma once

#include <QImage>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dorrinkelmo/susie_plugin.h"

namespace kelmo {

// The file name pattern LoadFolder loads, compared without regard to letter case.
inline constexpr std::string_view kDecoderExtension = ".spi";
// Size of the buffer GetPluginInfo writes into; the decoder is told one byte less.
inline constexpr int kPluginInfoBufferSize = 256;

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

class TSusiePlugInList {
 public:
  TSusiePlugInList() = default;
  TSusiePlugInList(const TSusiePlugInList&) = delete;
  TSusiePlugInList& operator=(const TSusiePlugInList&) = delete;
  // Unloads every decoder, first to last.
  ~TSusiePlugInList();

  // Loads every "*.spi" regular file of the folder (a "/" is added when missing) in the order of
  // their names and appends those Add accepts. Returns how many were added; 0 for a missing folder.
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

  // Decodes the regular file at the UTF-8 path (read whole, see picture_file.h) into bitmap.
  // Returns false, leaving bitmap as it was, when it cannot be read or no decoder decodes it.
  bool LoadFromFile(const std::string& fileName, QImage& bitmap);

  // Asks each decoder in list order whether it claims the size bytes at data and, when it does,
  // to decode them; the first decode that succeeds and returns a picture we read becomes bitmap
  // and true is returned. A decoder whose GetPicture fails or returns blocks we do not read passes
  // the picture on to the next. False, bitmap unchanged, when no decoder succeeds.
  bool LoadFromMemory(const void* data, size_t size, QImage& bitmap);

  int Count() const { return static_cast<int>(plugIns_.size()); }
  const TSusiePlugIn& PlugIn(int index) const { return *plugIns_.at(static_cast<size_t>(index)); }
  bool IsLoaded(const std::string& path) const;

 private:
  std::vector<std::unique_ptr<TSusiePlugIn>> plugIns_;
};

}  // namespace kelmo
