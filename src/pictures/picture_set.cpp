// The picture set: decoding by extension, the colour key, and the character's share of the
// decoder list, which always sits at the list's end.
#include "pictures/picture_set.h"

#include <filesystem>
#include <system_error>

#include "pictures/bmp_decoder.h"
#include "pictures/built_in_balloons.h"
#include "pictures/colour_key.h"
#include "pictures/jpeg_decoder.h"
#include "pictures/picture_file.h"

namespace kelmo {
namespace {

// The folder of decoders beside the program.
constexpr std::string_view kProgramDecoderFolder = "SPIs/";
// The system folder of decoders relative to the executable's folder, from the install layout
// (<prefix>/bin/ and <prefix>/<lib dir>/dorrinkelmo/SPIs/): an install works from any prefix.
constexpr const char* kSystemDecodersFromExecutable = KELMO_DECODERS_FROM_BIN;

// The lower-cased extension of the path's file name, dot included; "" when it has none.
std::string Extension(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = path.substr(dot);
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension;
}

// The picture in a file by its extension; a null image when it does not decode.
QImage Decode(const std::string& path, TSusiePlugInList& decoders) {
  const std::string extension = Extension(path);
  if (extension != ".jpg" && extension != ".jpeg" && extension != ".bmp") {
    QImage picture;
    decoders.LoadFromFile(path, picture);
    return picture;
  }
  const std::optional<std::string> bytes = ReadPictureFile(path);
  if (!bytes) return {};
  return extension == ".bmp" ? DecodeBmp(*bytes) : DecodeJpeg(*bytes);
}

// The picture as 32-bit pixels, which the window paints without a palette lookup or a change of
// byte order. A 32-bit picture with alpha is not premultiplied here: that pass would cost a large
// picture's load more than its few paints gain.
QImage ReadyToPaint(const QImage& picture) {
  if (picture.depth() == 32) return picture;
  return picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32
                                                           : QImage::Format_RGB32);
}

std::string WithDelimiter(const std::string& folder) {
  return folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

// The system folder of decoders of the running executable; "" when its place is unknown.
std::string SystemDecoderFolder() {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return WithDelimiter(
      (executable.parent_path() / kSystemDecodersFromExecutable).lexically_normal().string());
}

}  // namespace

TPictureSet::TPictureSet(const std::string& appDir, QColor background)
    : TPictureSet(appDir, background, SystemDecoderFolder()) {}

TPictureSet::TPictureSet(const std::string& appDir, QColor background,
                         const std::string& systemFolder)
    : background_(background),
      characterBalloon_(ColourKeyed(CharacterBalloonPicture(), background)),
      userBalloon_(ColourKeyed(UserBalloonPicture(), background)) {
  decoders_.LoadFolder(WithDelimiter(appDir) + std::string(kProgramDecoderFolder));
  decoders_.LoadFolder(systemFolder);
}

void TPictureSet::ResetPictures(bool useBuiltInBalloons) {
  Slot(TPictureSlot::BalloonCharacter) = useBuiltInBalloons ? characterBalloon_ : QImage();
  Slot(TPictureSlot::BalloonUser) = useBuiltInBalloons ? userBalloon_ : QImage();
  Slot(TPictureSlot::Default) = QImage();
}

void TPictureSet::SetCharacterFolder(const std::string& folder) {
  for (; characterDecoders_ > 0; --characterDecoders_) decoders_.Delete(decoders_.Count() - 1);
  characterDecoders_ = decoders_.LoadFolder(folder);
}

bool TPictureSet::LoadPicture(TPictureSlot slot, const std::string& path, bool colourKey) {
  const QImage picture = Decode(path, decoders_);
  if (picture.isNull()) return false;
  Slot(slot) = colourKey ? ColourKeyed(picture, background_) : ReadyToPaint(picture);
  return true;
}

void TPictureSet::ShowDefaultPicture() {
  Slot(TPictureSlot::Shown) = Picture(TPictureSlot::Default);
}

const QImage& TPictureSet::Picture(TPictureSlot slot) const {
  return pictures_[static_cast<size_t>(slot)];
}

}  // namespace kelmo
