// The main window's four pictures (TPictureSlot) and the image decoders behind them: what a view
// owns to show a character's pictures. The window paints Picture(...); the batch view only
// decodes.
//
// Loading dispatches on the file's extension: ".jpg" and ".jpeg" go to libjpeg, ".bmp" to Qt's
// BMP reader, both in this process (they are ours and hold to the picture limits before they
// allocate); anything else goes to the image decoders: the decoders of the program folder's
// "SPIs/", then of the system folder, then of "SPIs/" beside the executable, then of the current
// character's folder. Decoders are foreign code and run only in the decoder helper
// (decoder_helper.h), except the program's own PNG decoder when it comes first (own_png_decoder.h).
// Pictures are kept as 32-bit pixels, with alpha where the file has it.
//
// What a decoder did wrong (crashed, hung, lied, started a process) is reported as one line for
// the error log naming the decoder; the picture then fails like any other.
#pragma once

#include <QColor>
#include <QImage>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pictures/decoder_helper.h"
#include "pictures/own_png_decoder.h"
#include "shell/chat_view.h"

namespace kelmo {

// Where decoders and the helper are found, and who hears of decoders' misdeeds.
struct TPictureOptions {
  // The system folder of decoders (file-system path; "" for none).
  std::string SystemFolder;
  // The folder whose "SPIs/" is searched after the system folder: the executable's own, so that a
  // program run from its build folder finds its decoder whatever its program folder ("" for none).
  std::string ExecutableFolder;
  // The helper and its limits.
  TDecoderHelperSettings Helper;
  // False: the character's own decoders are never run (an author's tool must not run a
  // character's code); CharacterDecoderFiles still lists them.
  bool CharacterDecoders = true;
  // Hears each error-log line (UTF-8); when empty, the lines go to the program folder's error log.
  std::function<void(const std::string&)> Report;
};

// The options of the running program: the system folder, the executable's folder and the helper
// found from the executable's own place (beside it, else in the install layout's
// <prefix>/<lib dir>/dorrinkelmo/, else in the program folder appDir).
TPictureOptions ProgramPictureOptions(const std::string& appDir);

class TPictureSet {
 public:
  // background: the window background colour that the colour key turns matching pixels into.
  // appDir: the program folder (file-system path); its "SPIs/" decoders come first. The other
  // folders and the helper are ProgramPictureOptions(appDir)'s.
  TPictureSet(const std::string& appDir, QColor background);

  // The same with another system folder (tests use one of their own, or none: "") and no
  // executable's folder.
  TPictureSet(const std::string& appDir, QColor background, const std::string& systemFolder);

  TPictureSet(const std::string& appDir, QColor background, TPictureOptions options);

  // The same contracts as TChatView's operations of the same names (src/shell/chat_view.h):

  // Empties the balloon pictures and the default picture; with useBuiltInBalloons, the balloons
  // become the built-in ones, colour-keyed with their bottom-left pixel. The shown picture stays.
  void ResetPictures(bool useBuiltInBalloons);

  // The previous character's decoders go; the decoders of this folder (a UTF-8 file-system path;
  // "" has none) come at the end of the list.
  void SetCharacterFolder(const std::string& folder);

  // Decodes the file at path (UTF-8 file-system path) into the slot, colour-keyed with its
  // bottom-left pixel when colourKey is set. Returns false, the slot keeping its picture, when the
  // file is missing, unreadable, beyond the picture limits, or no decoder for its kind decodes it.
  bool LoadPicture(TPictureSlot slot, const std::string& path, bool colourKey);

  // The shown picture becomes the default picture.
  void ShowDefaultPicture();

  // The picture in a slot (a null QImage while empty).
  const QImage& Picture(TPictureSlot slot) const;

  // The picture in a slot as decoded, before any colour key (a null QImage while empty), and
  // whether the slot's picture was colour-keyed: what a view needs to show it see-through.
  const QImage& DecodedPicture(TPictureSlot slot) const;
  bool IsColourKeyed(TPictureSlot slot) const;

  // The decoder files, in the order they are asked (the character's last, when they run).
  std::vector<std::string> DecoderFiles() const;

  // The decoder helper's process id while one runs, else -1 (for benchmarks).
  pid_t DecoderHelperProcess() const { return helper_ ? helper_->ProcessId() : -1; }

  // The decoder files of the current character's folder, whether they run or not.
  const std::vector<std::string>& CharacterDecoderFiles() const { return characterDecoders_; }

 private:
  // Fills a slot: the picture to paint and the decoded one it came from.
  void Fill(TPictureSlot slot, const QImage& picture, const QImage& decoded, bool keyed);
  // Appends the decoder files of the folder not yet in the list.
  void AddDecoderFolder(const std::string& folder);
  QImage DecodeWithDecoders(const std::string& path);
  void Report(const std::string& line) const;

  QColor background_;
  std::string appDir_;
  TPictureOptions options_;
  std::vector<std::string> globalDecoders_;     // program folder, system folder, executable's
  std::vector<std::string> characterDecoders_;  // the current character's folder
  std::unique_ptr<TOwnPngDecoder> ownPng_;  // loaded when the first decoder is the program's own
  std::unique_ptr<TDecoderHelper> helper_;
  QImage characterBalloon_;  // the built-in balloons, keyed once
  QImage userBalloon_;
  std::array<QImage, 4> pictures_;  // indexed by TPictureSlot
  std::array<QImage, 4> decoded_;   // the same before the colour key (shared where there is none)
  std::array<bool, 4> keyed_ = {};
};

}  // namespace kelmo
