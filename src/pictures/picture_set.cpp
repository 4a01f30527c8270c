// The picture set: decoding by extension, the colour key, and the character's share of the
// decoder list, which always sits at the list's end. Decoder files are listed here and loaded only
// by the helper, the program's own PNG decoder aside.
#include "pictures/picture_set.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "charfile/data_path.h"
#include "charfile/date_time.h"
#include "charfile/kelmo_error.h"
#include "charfile/regular_file.h"
#include "pictures/bmp_decoder.h"
#include "pictures/built_in_balloons.h"
#include "pictures/colour_key.h"
#include "pictures/dib_image.h"
#include "pictures/jpeg_decoder.h"
#include "pictures/picture_file.h"
#include "pictures/susie_plugin_list.h"
#include "shell/chat_log.h"

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

bool DecodedInProcess(const std::string& extension) {
  return extension == ".jpg" || extension == ".jpeg" || extension == ".bmp";
}

// The picture in a JPEG or BMP file; a null image when it does not decode.
QImage DecodeInProcess(const std::string& path, const std::string& extension) {
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

std::string HelperName(const TDecoderHelperSettings& helper) {
  return helper.Program.empty() ? std::string(kDecoderHelperName) : helper.Program;
}

// The running executable's folder; "" when its place is unknown.
std::filesystem::path ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : executable.parent_path();
}

bool IsExecutableFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

// The path by which two names of one file compare equal.
std::string SameFileKey(const std::string& path) {
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
  return error ? path : canonical.string();
}

}  // namespace

TPictureOptions ProgramPictureOptions(const std::string& appDir) {
  TPictureOptions options;
  const std::filesystem::path executableFolder = ExecutableFolder();
  if (executableFolder.empty()) return options;
  const std::filesystem::path systemFolder =
      (executableFolder / kSystemDecodersFromExecutable).lexically_normal();
  options.SystemFolder = WithDelimiter(systemFolder.string());
  options.ExecutableFolder = WithDelimiter(executableFolder.string());
  for (const std::filesystem::path& folder :
       {executableFolder, systemFolder.parent_path(), std::filesystem::path(appDir)}) {
    const std::filesystem::path helper = folder / kDecoderHelperName;
    if (IsExecutableFile(helper)) {
      options.Helper.Program = helper.string();
      break;
    }
  }
  return options;
}

TPictureSet::TPictureSet(const std::string& appDir, QColor background)
    : TPictureSet(appDir, background, ProgramPictureOptions(appDir)) {}

TPictureSet::TPictureSet(const std::string& appDir, QColor background,
                         const std::string& systemFolder)
    : TPictureSet(appDir, background, [&] {
        TPictureOptions options = ProgramPictureOptions(appDir);
        options.SystemFolder = systemFolder;
        options.ExecutableFolder.clear();
        return options;
      }()) {}

TPictureSet::TPictureSet(const std::string& appDir, QColor background, TPictureOptions options)
    : background_(background),
      appDir_(WithDelimiter(appDir)),
      options_(std::move(options)),
      characterBalloon_(ColourKeyed(CharacterBalloonPicture(), background)),
      userBalloon_(ColourKeyed(UserBalloonPicture(), background)) {
  // The system folder and the executable's "SPIs/" are the program's install.
  std::vector<std::string> installFolders = {options_.SystemFolder};
  if (!options_.ExecutableFolder.empty()) {
    installFolders.push_back(WithDelimiter(options_.ExecutableFolder) +
                             std::string(kProgramDecoderFolder));
  }
  AddDecoderFolder(appDir_ + std::string(kProgramDecoderFolder));
  for (const std::string& folder : installFolders) AddDecoderFolder(folder);
  if (!globalDecoders_.empty()) {
    ownPng_ = std::make_unique<TOwnPngDecoder>(globalDecoders_.front(), installFolders);
  }
}

void TPictureSet::AddDecoderFolder(const std::string& folder) {
  for (const std::string& file : DecoderFilesIn(folder)) {
    const std::string key = SameFileKey(file);
    const bool listed = std::any_of(globalDecoders_.begin(), globalDecoders_.end(),
                                    [&](const std::string& other) { return SameFileKey(other) == key; });
    if (!listed) globalDecoders_.push_back(file);
  }
}

void TPictureSet::ResetPictures(bool useBuiltInBalloons) {
  if (useBuiltInBalloons) {
    Fill(TPictureSlot::BalloonCharacter, characterBalloon_, CharacterBalloonPicture(), true);
    Fill(TPictureSlot::BalloonUser, userBalloon_, UserBalloonPicture(), true);
  } else {
    Fill(TPictureSlot::BalloonCharacter, QImage(), QImage(), false);
    Fill(TPictureSlot::BalloonUser, QImage(), QImage(), false);
  }
  Fill(TPictureSlot::Default, QImage(), QImage(), false);
}

void TPictureSet::Fill(TPictureSlot slot, const QImage& picture, const QImage& decoded,
                       bool keyed) {
  const auto index = static_cast<size_t>(slot);
  pictures_[index] = picture;
  decoded_[index] = decoded;
  keyed_[index] = keyed;
}

void TPictureSet::SetCharacterFolder(const std::string& folder) {
  characterDecoders_ = DecoderFilesIn(folder);
}

std::vector<std::string> TPictureSet::DecoderFiles() const {
  std::vector<std::string> files = globalDecoders_;
  if (options_.CharacterDecoders) {
    files.insert(files.end(), characterDecoders_.begin(), characterDecoders_.end());
  }
  return files;
}

void TPictureSet::Report(const std::string& line) const {
  if (options_.Report) {
    options_.Report(line);
    return;
  }
  TChatLog(IncludeTrailingDelimiter(FromFileSystemPath(appDir_)), "")
      .WriteErrorLog(FromFileSystemPath(line), NowLocal());
}

QImage TPictureSet::DecodeWithDecoders(const std::string& path) {
  const std::vector<std::string> decoders = DecoderFiles();
  if (decoders.empty()) return {};
  if (ownPng_ != nullptr && ownPng_->Loaded()) {
    const std::optional<std::string> bytes = ReadPictureFile(path);
    if (!bytes) return {};
    std::optional<TDecodedDib> decoded = ownPng_->Decode(*bytes);
    if (decoded) return AdoptDecodedDib(std::move(*decoded));
  }
  TFileDescriptor file;
  try {
    file = OpenRegularFile(path, O_RDONLY);
  } catch (const EFileError&) {
    return {};
  }
  if (helper_ == nullptr) helper_ = std::make_unique<TDecoderHelper>(options_.Helper);
  THelperOutcome outcome = helper_->Decode(file.Get(), decoders);
  for (const TDecoderIncident& incident : outcome.Incidents) {
    const std::string subject =
        incident.Decoder >= 0 ? decoders[static_cast<size_t>(incident.Decoder)]
                              : "The decoder helper " + HelperName(options_.Helper);
    Report(subject + " " + IncidentText(incident) + " while decoding " + path);
  }
  THelperReply& reply = outcome.Reply;
  if (reply.End != TReplyEnd::Picture) return {};
  auto rows = std::make_unique<TReplyRows>(std::move(reply.Bits));
  void* bits = rows->Get();
  const size_t bitsSize = rows->Size();
  return AdoptDib(reply.Info.data(), reply.Info.size(), bits, bitsSize, TReplyRows::Delete,
                  rows.release());
}

bool TPictureSet::LoadPicture(TPictureSlot slot, const std::string& path, bool colourKey) {
  const std::string extension = Extension(path);
  const QImage picture = DecodedInProcess(extension) ? DecodeInProcess(path, extension)
                                                     : DecodeWithDecoders(path);
  if (picture.isNull()) return false;
  const QImage ready = ReadyToPaint(picture);
  Fill(slot, colourKey ? ColourKeyed(picture, background_) : ready, ready, colourKey);
  return true;
}

void TPictureSet::ShowDefaultPicture() {
  const auto from = static_cast<size_t>(TPictureSlot::Default);
  Fill(TPictureSlot::Shown, pictures_[from], decoded_[from], keyed_[from]);
}

const QImage& TPictureSet::Picture(TPictureSlot slot) const {
  return pictures_[static_cast<size_t>(slot)];
}

const QImage& TPictureSet::DecodedPicture(TPictureSlot slot) const {
  return decoded_[static_cast<size_t>(slot)];
}

bool TPictureSet::IsColourKeyed(TPictureSlot slot) const {
  return keyed_[static_cast<size_t>(slot)];
}

}  // namespace kelmo
