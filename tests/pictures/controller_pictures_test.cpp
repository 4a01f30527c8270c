// The controller and the picture set together, as the window uses them: the definition file's
// transparency keys read as truth texts turn the colour key on or off, the built-in balloons are
// keyed whatever the file says, and a character's own balloons are loaded from its folder.
#include <gtest/gtest.h>

#include "charfile/code_page.h"
#include "picture_files.h"
#include "pictures/picture_set.h"
#include "shell/chat_controller.h"
#include "shell/fake_view.h"
#include "shell/test_characters.h"
#include "support/temp_folder.h"

namespace kelmo::testing {
namespace {

const QColor kBackground(0x20, 0x40, 0x60);

// The fake view with real pictures.
class TPictureView : public TFakeView {
 public:
  explicit TPictureView(const std::string& appDir) : pictures(appDir, kBackground, "") {}
  void ResetPictures(bool builtIn) override { pictures.ResetPictures(builtIn); }
  void SetCharacterFolder(const std::string& folder) override {
    pictures.SetCharacterFolder(folder);
  }
  bool LoadPicture(TPictureSlot slot, const std::string& path, bool colourKey) override {
    return pictures.LoadPicture(slot, path, colourKey);
  }
  void ShowDefaultPicture() override { pictures.ShowDefaultPicture(); }
  TPictureSet pictures;
};

// A face whose bottom-left pixel is white, with white inside the figure as well.
const TPixelGrid kFace = {3, 2, {0xff0000, 0xffffff, 0x00ff00, 0xffffff, 0x0000ff, 0x000000}};

class ControllerPicturesTest : public ::testing::Test {
 protected:
  ControllerPicturesTest() {
    home_.Write("Kelmo.ini",
                "[User]\r\nUser=Yamada{BR}Taro{BR}taro{BR}tarochan{BR}{BR}1990/02/03\r\n");
    home_.Write("kit/face.bmp", BmpFile(kFace, {24}));
  }
  ~ControllerPicturesTest() override {
    if (controller_ != nullptr) controller_->Shutdown();
  }

  // Starts the controller on a character with the extra definition lines (UTF-8).
  void Start(const std::vector<std::string>& definitionLines) {
    TControllerOptions options;
    options.AppDir = home_.Path();
    controller_ = std::make_unique<TChatController>(view_, options);
    ASSERT_TRUE(
        controller_->Start(WriteCharacter(home_, "kit", "Kit", {{"", "hi"}}, definitionLines)));
  }

  const QImage& Picture(TPictureSlot slot) const { return view_.pictures.Picture(slot); }

  TempFolder home_;
  TPictureView view_{home_.Path()};
  std::unique_ptr<TChatController> controller_;
};

struct TTruthText {
  const char* Name;
  const char* Value;  // UTF-8
  bool KeyOn;
};
void PrintTo(const TTruthText& test, std::ostream* out) {
  *out << test.Name;
}

class TransparencyKeyTest : public ControllerPicturesTest,
                            public ::testing::WithParamInterface<TTruthText> {};

TEST_P(TransparencyKeyTest, TurnsTheColourKeyOnOnlyWhenTrue) {
  Start({"DefaultBitmap", "face.bmp", "transparentbitmap", GetParam().Value});
  const QImage& shown = Picture(TPictureSlot::Shown);
  ASSERT_EQ(shown.size(), QSize(3, 2));
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      const bool white = kFace.Colour(x, y) == qRgb(255, 255, 255);
      EXPECT_EQ(shown.pixel(x, y),
                white && GetParam().KeyOn ? kBackground.rgb() : kFace.Colour(x, y))
          << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    TruthTexts, TransparencyKeyTest,
    ::testing::Values(TTruthText{"True", "True", true}, TTruthText{"UpperCase", "TRUE", true},
                      TTruthText{"FullWidthLowerCase", "ｔｒｕｅ", true},
                      TTruthText{"One", "1", true}, TTruthText{"NegativeNumber", "-2", true},
                      TTruthText{"Zero", "0", false}, TTruthText{"No", "no", false},
                      TTruthText{"Empty", "", false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ControllerPicturesTest, BuiltInBalloonsAreKeyedWithoutAnyTransparencyKey) {
  Start({"DefaultBitmap", "face.bmp"});
  for (TPictureSlot slot : {TPictureSlot::BalloonCharacter, TPictureSlot::BalloonUser}) {
    ASSERT_EQ(Picture(slot).size(), QSize(350, 200));
    EXPECT_EQ(Picture(slot).pixel(0, 199), kBackground.rgb());
  }
}

TEST_F(ControllerPicturesTest, OwnBalloonsComeFromTheCharacterFolderKeyedOnlyWhenAsked) {
  home_.Write("kit/speak.bmp", BmpFile({1, 1, {0x112233}}, {24}));
  home_.Write("kit/listen.bmp", BmpFile({2, 1, {0x445566, 0x778899}}, {24}));
  Start({"originalballoon", "True", "balloonchar", "speak.bmp", "balloonuser", "listen.bmp",
         "transparentballoon", "False"});
  EXPECT_EQ(Picture(TPictureSlot::BalloonCharacter).pixel(0, 0), qRgb(0x11, 0x22, 0x33));
  EXPECT_EQ(Picture(TPictureSlot::BalloonUser).pixel(1, 0), qRgb(0x77, 0x88, 0x99));
  EXPECT_TRUE(Picture(TPictureSlot::Default).isNull());  // no default picture named
}

}  // namespace
}  // namespace kelmo::testing
