// Decoder libraries are opened with dlopen and their entries looked up by name. A decode hands
// the decoder a pointer to the whole file, padded with zeros up to SUSIE_SUPPORTED_HEAD_BYTES
// when the file is shorter, since decoders written for the interface may look at that many bytes
// in IsSupported. The returned blocks are measured with malloc_usable_size and owned from the
// moment GetPicture returns, so they are freed whatever the result.
#include "pictures/susie_plugin_list.h"

#include <dlfcn.h>
#include <malloc.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <utility>


namespace kelmo {
namespace {

// The progress callback handed to decoders: decoding is never cancelled.
int NeverCancel(int /*numerator*/, int /*denominator*/, intptr_t /*userData*/) {
  return 0;
}

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

// ASCII letters in upper case. The decoder helper is built from these sources alone, without the
// program's text library (whose AsciiUpperCase this is).
std::string UpperCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

bool HasDecoderExtension(const std::string& name) {
  if (name.size() < kDecoderExtension.size()) return false;
  return UpperCase(name.substr(name.size() - kDecoderExtension.size())) ==
         UpperCase(std::string(kDecoderExtension));
}

size_t BlockSize(const TMallocBlock& block) {
  return block == nullptr ? 0 : malloc_usable_size(block.get());
}

// What one decoder makes of the file: nothing when it does not claim it or fails; a decoded
// picture whose layout is still to be checked otherwise.
std::optional<TDecodedDib> Decode(const TSusiePlugIn& plugIn, const char* file, size_t size,
                                  intptr_t userData) {
  if (plugIn.IsSupported("", const_cast<char*>(file)) == 0) return std::nullopt;
  void* info = nullptr;
  void* bits = nullptr;
  const int result = plugIn.GetPicture(file, static_cast<long>(size), SUSIE_INPUT_MEMORY, &info,
                                       &bits, NeverCancel, userData);
  TDecodedDib decoded;
  decoded.Info.reset(info);
  decoded.Bits.reset(bits);
  if (result != SUSIE_SUCCESS) return std::nullopt;
  decoded.InfoSize = BlockSize(decoded.Info);
  decoded.BitsSize = BlockSize(decoded.Bits);
  return decoded;
}

}  // namespace

std::vector<std::string> DecoderFilesIn(const std::string& folder) {
  if (folder.empty()) return {};
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
  for (std::string& name : names) name = base + name;
  return names;
}

void TSusiePlugIn::TModuleCloser::operator()(void* module) const {
  ::dlclose(module);
}

TSusiePlugInList::~TSusiePlugInList() {
  for (std::unique_ptr<TSusiePlugIn>& plugIn : plugIns_) plugIn.reset();
}

int TSusiePlugInList::LoadFolder(const std::string& folder) {
  int added = 0;
  for (const std::string& path : DecoderFilesIn(folder)) {
    if (Add(path)) ++added;
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
  plugIn->Extensions = UpperCase(PluginInfo(getPluginInfo, 2));
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

std::optional<TDecodedDib> TSusiePlugInList::LoadFromMemory(const void* data, size_t size,
                                                            TDecodeObserver* observer) {
  if (data == nullptr || plugIns_.empty() || size > static_cast<size_t>(LONG_MAX)) {
    return std::nullopt;
  }
  const char* file = static_cast<const char*>(data);
  std::string padded;
  if (size < SUSIE_SUPPORTED_HEAD_BYTES) {
    padded.assign(SUSIE_SUPPORTED_HEAD_BYTES, '\0');
    std::memcpy(padded.data(), data, size);
    file = padded.data();
  }
  for (int index = 0; index < Count(); ++index) {
    if (observer != nullptr) observer->Calling(index);
    std::optional<TDecodedDib> decoded =
        Decode(*plugIns_[static_cast<size_t>(index)], file, size, reinterpret_cast<intptr_t>(this));
    if (!decoded) continue;
    const std::optional<TDibLayout> layout =
        ReadDibLayout(decoded->Info.get(), decoded->InfoSize, decoded->BitsSize);
    if (!layout || decoded->Bits == nullptr) {
      if (observer != nullptr) observer->Lied(index);
      continue;
    }
    decoded->Decoder = index;
    decoded->Layout = *layout;
    return decoded;
  }
  return std::nullopt;
}

bool TSusiePlugInList::IsLoaded(const std::string& path) const {
  return std::any_of(plugIns_.begin(), plugIns_.end(),
                     [&](const auto& plugIn) { return plugIn->FileName == path; });
}

}  // namespace kelmo
