// The main window's four pictures (TPictureSlot) and the image-decoder list behind them: what a
// view owns to show a character's pictures. The window paints Picture(...); the batch view only
// decodes.
//
// Loading dispatches on the file's extension: ".jpg" and ".jpeg" go to libjpeg, ".bmp" to Qt's
// BMP reader, anything else to the decoder list (decoders of the program folder's "SPIs/", then of
// the system folder, then of the current character's folder). Pictures are kept as 32-bit pixels,
// with alpha where the file has it.
#pragma once

#include <QColor>
#include <QImage>
#include <array>
#include <string>

#include "pictures/susie_plugin_list.h"
#include "shell/chat_view.h"

namespace kelmo {

class TPictureSet {
 public:
  // background: the window background colour that the colour key turns matching pixels into.
  // appDir: the program folder (file-system path); its "SPIs/" decoders are loaded, then those of
  // the system folder <install prefix>/<lib dir>/dorrinkelmo/SPIs/, found from the executable's
  // own place.
  TPictureSet(const std::string& appDir, QColor background);

  // The same with another system folder (tests use one of their own, or none: "").
  TPictureSet(const std::string& appDir, QColor background, const std::string& systemFolder);

  // The same contracts as TChatView's operations of the same names (src/shell/chat_view.h):

  // Empties the balloon pictures and the default picture; with useBuiltInBalloons, the balloons
  // become the built-in ones, colour-keyed with their bottom-left pixel. The shown picture stays.
  void ResetPictures(bool useBuiltInBalloons);

  // Unloads the decoders the previous character's folder added, then loads the decoders of this
  // one (a UTF-8 file-system path; "" loads none).
  void SetCharacterFolder(const std::string& folder);

  // Decodes the file at path (UTF-8 file-system path) into the slot, colour-keyed with its
  // bottom-left pixel when colourKey is set. Returns false, the slot keeping its picture, when the
  // file is missing, unreadable, beyond the picture limits, or no decoder for its kind decodes it.
  bool LoadPicture(TPictureSlot slot, const std::string& path, bool colourKey);

  // The shown picture becomes the default picture.
  void ShowDefaultPicture();

  // The picture in a slot (a null QImage while empty).
  const QImage& Picture(TPictureSlot slot) const;

  // The decoder list, in its order.
  const TSusiePlugInList& Decoders() const { return decoders_; }

 private:
  QImage& Slot(TPictureSlot slot) { return pictures_[static_cast<size_t>(slot)]; }

  QColor background_;
  TSusiePlugInList decoders_;
  int characterDecoders_ = 0;  // how many decoders at the end of the list the character added
  QImage characterBalloon_;    // the built-in balloons, keyed once
  QImage userBalloon_;
  std::array<QImage, 4> pictures_;  // indexed by TPictureSlot
};

}  // namespace kelmo
