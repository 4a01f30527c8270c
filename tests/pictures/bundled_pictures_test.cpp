// Every picture the bundled characters ship decodes as the program decodes it, the PNG pictures
// through the shipped decoder in the program folder's SPIs/.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "pictures/picture_set.h"

namespace kelmo::testing {
namespace {

TEST(BundledPictures, EveryPictureOfEveryCharacterDecodes) {
  TPictureSet pictures(KELMO_PROGRAM_DIR, Qt::white, "");
  std::set<std::string> extensions;
  int decoded = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(
           std::string(KELMO_PROGRAM_DIR) + "characters")) {
    const std::string extension = entry.path().extension().string();
    if (extension != ".bmp" && extension != ".jpg" && extension != ".png") continue;
    EXPECT_TRUE(pictures.LoadPicture(TPictureSlot::Shown, entry.path().string(), false))
        << entry.path();
    EXPECT_GE(pictures.Picture(TPictureSlot::Shown).width(), 200) << entry.path();
    extensions.insert(extension);
    ++decoded;
  }
  EXPECT_GE(decoded, 14);
  EXPECT_EQ(extensions, (std::set<std::string>{".bmp", ".jpg", ".png"}));
}

}  // namespace
}  // namespace kelmo::testing
