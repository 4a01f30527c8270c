// The decoder is known by its place and name before it is loaded, and by the name it gives itself
// after: a file of the install replaced by someone else's decoder then runs in the helper.
#include "pictures/own_png_decoder.h"

#include <filesystem>
#include <system_error>

namespace kelmo {
namespace {

constexpr std::string_view kOwnDecoderFileName = "png.spi";
// How the program's PNG decoder names itself (GetPluginInfo(1)), its version following.
constexpr std::string_view kOwnDecoderName = "DorrinKelmo PNG decoder ";

constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1a\n";
// The header chunk's type and the offsets of its width and height (big-endian) in the file.
constexpr std::string_view kHeaderChunk = "IHDR";
constexpr size_t kHeaderChunkTypeAt = 12;
constexpr size_t kWidthAt = 16;
constexpr size_t kHeightAt = 20;

uint32_t ReadBe32(std::string_view bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

bool SameFolder(const std::filesystem::path& a, const std::string& b) {
  std::error_code error;
  return !b.empty() && std::filesystem::equivalent(a, b, error);
}

}  // namespace

bool IsPngWithinOwnLimit(std::string_view bytes) {
  if (bytes.size() < kHeightAt + 4 || !bytes.starts_with(kPngSignature) ||
      bytes.substr(kHeaderChunkTypeAt, kHeaderChunk.size()) != kHeaderChunk) {
    return false;
  }
  // Two 32-bit sides multiply without overflow in 64 bits unsigned.
  const uint64_t pixels = uint64_t{ReadBe32(bytes, kWidthAt)} * ReadBe32(bytes, kHeightAt);
  return pixels >= 1 && pixels <= static_cast<uint64_t>(kMaxOwnPngPixels);
}

TOwnPngDecoder::TOwnPngDecoder(const std::string& decoderFile,
                               const std::vector<std::string>& installFolders) {
  const std::filesystem::path path(decoderFile);
  if (path.filename() != kOwnDecoderFileName) return;
  bool installed = false;
  for (const std::string& folder : installFolders) {
    installed = installed || SameFolder(path.parent_path(), folder);
  }
  if (!installed || !decoder_.Add(decoderFile)) return;
  if (!decoder_.PlugIn(0).PlugInName.starts_with(kOwnDecoderName)) decoder_.Delete(0);
}

std::optional<TDecodedDib> TOwnPngDecoder::Decode(std::string_view bytes) {
  if (!Loaded() || !IsPngWithinOwnLimit(bytes)) return std::nullopt;
  return decoder_.LoadFromMemory(bytes.data(), bytes.size());
}

}  // namespace kelmo
