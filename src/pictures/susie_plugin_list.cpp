// Decoder libraries are opened with dlopen and their entries looked up by name. A decode hands
// the decoder a pointer to the whole file, padded with zeros up to SUSIE_SUPPORTED_HEAD_BYTES
// when the file is shorter, since decoders written for the interface may look at that many bytes
// in IsSupported. The returned blocks are measured with malloc_usable_size, the only size of a
// malloc'ed block the decoder cannot lie about, and freed here whatever the result (32-bit
// top-down rows become the picture's pixels and are freed with it).
#include "pictures/susie_plugin_list.h"

#include <dlfcn.h>
#include <malloc.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

#include "charfile/text_utils.h"
#include "pictures/dib_image.h"
#include "pictures/picture_file.h"

namespace kelmo {
namespace {

// The progress callback handed to decoders: decoding is never cancelled.
int NeverCancel(int /*numerator*/, int /*denominator*/, intptr_t /*userData*/) {
  return 0;
}

// A block returned by a decoder, freed when it goes.
class TDecoderBlock {
 public:
  explicit TDecoderBlock(void* block) : block_(block) {}
  ~TDecoderBlock() { std::free(block_); }
  TDecoderBlock(const TDecoderBlock&) = delete;
  TDecoderBlock& operator=(const TDecoderBlock&) = delete;
  void* Get() const { return block_; }
  size_t Size() const { return block_ == nullptr ? 0 : malloc_usable_size(block_); }
  // Hands the block over; it is no longer freed here.
  void* Release() { return std::exchange(block_, nullptr); }

 private:
  void* block_;
};

template <typename TFunction>
TFunction Entry(void* module, const char* name) {
  return reinterpret_cast<TFunction>(::dlsym(module, name));
}

// GetPluginInfo(number) as text; whatever the decoder writes, the text ends within the buffer.
std::string PluginInfo(SusieGetPluginInfo getPluginInfo, int number) {
  char buffer[kPluginInfoBufferSize] = {};
  getPluginInfo(number, buffer, kPluginInfoBufferSize - 1);
  buffer[kPluginInfoBufferSize - 1] = '\0';
  return buffer;
}

bool HasDecoderExtension(const std::string& name) {
  if (name.size() < kDecoderExtension.size()) return false;
  return AsciiUpperCase(std::string_view(name).substr(name.size() - kDecoderExtension.size())) ==
         AsciiUpperCase(kDecoderExtension);
}

// The picture one decoder makes of the file, or a null image when it does not claim it, fails,
// or returns blocks that are not a picture we read.
QImage Decode(const TSusiePlugIn& plugIn, const char* file, size_t size, intptr_t userData) {
  if (plugIn.IsSupported("", const_cast<char*>(file)) == 0) return {};
  void* info = nullptr;
  void* bits = nullptr;
  const int result = plugIn.GetPicture(file, static_cast<long>(size), SUSIE_INPUT_MEMORY, &info,
                                       &bits, NeverCancel, userData);
  const TDecoderBlock infoBlock(info);
  TDecoderBlock bitsBlock(bits);
  if (result != SUSIE_SUCCESS) return {};
  const size_t bitsSize = bitsBlock.Size();
  return AdoptDib(infoBlock.Get(), infoBlock.Size(), bitsBlock.Release(), bitsSize);
}

}  // namespace

void TSusiePlugIn::TModuleCloser::operator()(void* module) const {
  ::dlclose(module);
}

TSusiePlugInList::~TSusiePlugInList() {
  for (std::unique_ptr<TSusiePlugIn>& plugIn : plugIns_) plugIn.reset();
}

int TSusiePlugInList::LoadFolder(const std::string& folder) {
  if (folder.empty()) return 0;
  const std::string base = folder.back() == '/' ? folder : folder + "/";
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator entry(base, error), end; !error && entry != end;
       entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    std::error_code ignored;
    if (HasDecoderExtension(name) && entry->is_regular_file(ignored)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  int added = 0;
  for (const std::string& name : names) {
    if (Add(base + name)) ++added;
  }
  return added;
}

bool TSusiePlugInList::Add(const std::string& path) {
  return Insert(Count(), path);
}

bool TSusiePlugInList::Insert(int index, const std::string& path) {
  if (index < 0 || index > Count() || IsLoaded(path)) return false;
  auto plugIn = std::make_unique<TSusiePlugIn>();
  plugIn->Module.reset(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
  void* module = plugIn->Module.get();
  if (module == nullptr) return false;
  const auto getPluginInfo = Entry<SusieGetPluginInfo>(module, "GetPluginInfo");
  if (getPluginInfo == nullptr) return false;
  plugIn->ApiVersion = PluginInfo(getPluginInfo, 0);
  plugIn->PlugInName = PluginInfo(getPluginInfo, 1);
  plugIn->Extensions = AsciiUpperCase(PluginInfo(getPluginInfo, 2));
  plugIn->TypeName = PluginInfo(getPluginInfo, 3);
  if (plugIn->ApiVersion != SUSIE_API_VERSION_PICTURE) return false;
  plugIn->IsSupported = Entry<SusieIsSupported>(module, "IsSupported");
  plugIn->GetPicture = Entry<SusieGetPicture>(module, "GetPicture");
  if (plugIn->IsSupported == nullptr || plugIn->GetPicture == nullptr) return false;
  plugIn->FileName = path;
  plugIns_.insert(plugIns_.begin() + index, std::move(plugIn));
  return true;
}

void TSusiePlugInList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  plugIns_.erase(plugIns_.begin() + index);
}

bool TSusiePlugInList::LoadFromFile(const std::string& fileName, QImage& bitmap) {
  const std::optional<std::string> bytes = ReadPictureFile(fileName);
  return bytes && LoadFromMemory(bytes->data(), bytes->size(), bitmap);
}

bool TSusiePlugInList::LoadFromMemory(const void* data, size_t size, QImage& bitmap) {
  if (data == nullptr || plugIns_.empty() || size > static_cast<size_t>(LONG_MAX)) return false;
  const char* file = static_cast<const char*>(data);
  std::string padded;
  if (size < SUSIE_SUPPORTED_HEAD_BYTES) {
    padded.assign(SUSIE_SUPPORTED_HEAD_BYTES, '\0');
    std::memcpy(padded.data(), data, size);
    file = padded.data();
  }
  for (const std::unique_ptr<TSusiePlugIn>& plugIn : plugIns_) {
    QImage picture = Decode(*plugIn, file, size, reinterpret_cast<intptr_t>(this));
    if (!picture.isNull()) {
      bitmap = std::move(picture);
      return true;
    }
  }
  return false;
}

bool TSusiePlugInList::IsLoaded(const std::string& path) const {
  return std::any_of(plugIns_.begin(), plugIns_.end(),
                     [&](const auto& plugIn) { return plugIn->FileName == path; });
}

}  // namespace kelmo
