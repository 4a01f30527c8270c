// The main window as the controller's view: typing into the balloon over the timer's ticks, Enter,
// the balloon's read-only states and input methods, the pictures and the layout that follows
// them, the colour key as painted, placement, the timer's interval and the splash window.
#include <gmock/gmock.h>

#include <QInputMethodEvent>
#include <QScreen>
#include <QTextDocument>
#include <cmath>
#include <ostream>

#include "charfile/code_page.h"
#include "gui/form_splash.h"
#include "gui/picture_box.h"
#include "gui/qt_text.h"
#include "main_window_fixture.h"
#include "message_box_catcher.h"

namespace kelmo::testing {
namespace {

using ::testing::ElementsAre;

// A point of the balloon picture (balloon coordinates) that both built-in balloons fill and the
// balloon edit does not cover.
const QPoint kBalloonFillPoint(330, 100);

class FormMainTest : public MainWindowTest {
 protected:
  // A character that greets with "Hi" and answers the given lines; default picture 200 x 200.
  std::string Character(const std::vector<TAnswer>& answers,
                        std::vector<std::string> extraLines = {}) {
    std::vector<TAnswer> all = {{"KCCALLED", "Hi"}};
    all.insert(all.end(), answers.begin(), answers.end());
    WritePicture("chara", "default.bmp", {200, 200}, Qt::darkGreen, Qt::darkGreen);
    extraLines.insert(extraLines.end(), {"DefaultBitmap", "default.bmp"});
    return WriteCharacter(home, "chara", "Chara", all, extraLines);
  }

  QColor GrabbedPixel(QPoint point) { return form->grab().toImage().pixelColor(point); }
};

TEST_F(FormMainTest, ReplyIsTypedLetterByLetterAndKeepsItsCaretAtTheEnd) {
  ASSERT_TRUE(Start(Character({{"HI", "abc"}})));
  Say("hi");
  ASSERT_EQ(controller->State(), stTyping);
  EXPECT_TRUE(form->RichBalloon()->isReadOnly());

  // After the first letter, each letter is one insertion into the document, not a new text.
  std::string changes;
  QObject::connect(form->RichBalloon()->document(), &QTextDocument::contentsChange,
                   [&](int, int removed, int added) {
                     changes += std::to_string(removed) + "-" + std::to_string(added) + " ";
                   });
  std::vector<std::string> shown;
  std::vector<std::string> changesPerTick;
  while (controller->State() == stTyping) {
    // A click moved the caret away; the next letter still goes to the end.
    form->RichBalloon()->moveCursor(QTextCursor::Start);
    changes.clear();
    Tick();
    shown.push_back(form->BalloonText());
    changesPerTick.push_back(changes);
  }
  EXPECT_THAT(shown, ElementsAre("a\r\n", "ab\r\n", "abc\r\n"));
  ASSERT_EQ(changesPerTick.size(), 3u);
  EXPECT_EQ(changesPerTick[1], "0-1 ");
  EXPECT_EQ(changesPerTick[2], "0-1 ");
  EXPECT_EQ(form->RichBalloon()->textCursor().position(), 3);
  EXPECT_EQ(controller->State(), stReplyDone);
}

TEST_F(FormMainTest, EnterFastForwardsToAWaitAndThenResumes) {
  ASSERT_TRUE(Start(Character({{"HI", "ab{WAITRETURN}cd{BR}ef"}})));
  Say("hi");
  Tick();
  PressEnter();  // fast-forward: stops at the wait, its mark shown
  EXPECT_TRUE(controller->WaitingForReturn());
  EXPECT_EQ(form->BalloonText(), "ab▼\r\n");
  PressEnter();  // the mark goes, typing resumes with the ticks
  EXPECT_EQ(form->BalloonText(), "ab\r\n");
  TypeAll();
  EXPECT_EQ(form->BalloonText(), "abcd\r\nef\r\n");
  // Enter never reached the edit as a line break of its own.
  EXPECT_EQ(form->RichBalloon()->document()->blockCount(), 3);
}

TEST_F(FormMainTest, BalloonIsReadOnlyExactlyWhileTheCharacterHasTheTurn) {
  ASSERT_TRUE(Start(Character({{"HI", "abc"}})));
  struct TSeen {
    TChatState State;
    bool ReadOnly;
  };
  std::vector<TSeen> seen;
  const auto look = [&] { seen.push_back({controller->State(), form->RichBalloon()->isReadOnly()}); };
  look();  // the greeting types
  TypeAll();
  look();
  PressEnter();
  look();
  for (const TSeen& s : seen) {
    EXPECT_EQ(s.ReadOnly, s.State != stUserInput) << "state " << int(s.State);
  }
  EXPECT_EQ(seen.back().State, stUserInput);
}

TEST_F(FormMainTest, InputMethodCommitGoesIntoTheUsersLine) {
  ASSERT_TRUE(Start(Character({{"日本", "にっぽん"}})));
  TypeAll();
  PressEnter();
  ASSERT_EQ(controller->State(), stUserInput);
  TBalloonEdit* balloon = form->RichBalloon();
  ASSERT_TRUE(balloon->testAttribute(Qt::WA_InputMethodEnabled));

  QInputMethodEvent preedit("にほ", {});
  QApplication::sendEvent(balloon, &preedit);
  EXPECT_EQ(form->BalloonText(), "");  // the pre-edit is shown, not yet typed
  QInputMethodEvent commit;
  commit.setCommitString("日本");
  QApplication::sendEvent(balloon, &commit);
  EXPECT_EQ(form->BalloonText(), "日本");

  PressEnter();
  TypeAll();
  EXPECT_EQ(form->BalloonText(), "にっぽん\r\n");
}

TEST_F(FormMainTest, BalloonPictureFollowsTheTurn) {
  ASSERT_TRUE(Start(Character({})));
  TypeAll();
  const QPoint point = form->PaintBalloon()->pos() + kBalloonFillPoint;
  const QColor charactersTurn = GrabbedPixel(point);
  PressEnter();
  ASSERT_EQ(controller->State(), stUserInput);
  const QColor usersTurn = GrabbedPixel(point);
  EXPECT_NE(charactersTurn, usersTurn);
  EXPECT_NE(usersTurn, form->palette().color(QPalette::Window));
}

struct TLayoutCase {
  const char* Name;
  QSize Picture;
  QSize Client;
  int BalloonLeft;
  int EditLeft;
};

// The case's name, for test listings.
void PrintTo(const TLayoutCase& c, std::ostream* out) {
  *out << c.Name;
}

class LayoutTest : public FormMainTest, public ::testing::WithParamInterface<TLayoutCase> {};

TEST_P(LayoutTest, WindowFollowsThePicture) {
  const TLayoutCase& c = GetParam();
  WritePicture("chara", "picture.bmp", c.Picture, Qt::darkBlue, Qt::darkBlue);
  ASSERT_TRUE(Start(WriteCharacter(home, "chara", "Chara", {{"KCCALLED", "Hi"}},
                                   {"DefaultBitmap", "picture.bmp"})));
  EXPECT_EQ(form->size(), c.Client);
  EXPECT_EQ(form->minimumSize(), c.Client);  // the user cannot resize it
  EXPECT_EQ(form->PaintBalloon()->geometry(), QRect(c.BalloonLeft, 0, 350, 200));
  EXPECT_EQ(form->RichBalloon()->geometry(), QRect(c.EditLeft, 20, 270, 160));
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, LayoutTest,
    ::testing::Values(TLayoutCase{"Small", {150, 150}, {550, 200}, 200, 240},
                      TLayoutCase{"Tall", {300, 400}, {650, 400}, 300, 340},
                      TLayoutCase{"Wide", {420, 120}, {770, 200}, 420, 460}),
    [](const ::testing::TestParamInfo<TLayoutCase>& info) { return info.param.Name; });

struct TZoomCase {
  const char* Name;
  int Zoom;
  QSize Picture;
  QSize Client;
  QRect Balloon;
  QRect Edit;
};

class ZoomTest : public FormMainTest, public ::testing::WithParamInterface<TZoomCase> {};

TEST_P(ZoomTest, ScalesTheLayoutThePictureAndTheFontTogether) {
  const TZoomCase& c = GetParam();
  home.Write("Kelmo.ini",
             home.Read("Kelmo.ini") + "[Main]\r\nZoom=" + std::to_string(c.Zoom) + "\r\n");
  WritePicture("chara", "picture.bmp", c.Picture, Qt::darkBlue, Qt::darkBlue);
  ASSERT_TRUE(Start(WriteCharacter(home, "chara", "Chara", {{"KCCALLED", "Hi"}},
                                   {"DefaultBitmap", "picture.bmp"})));
  EXPECT_EQ(form->size(), c.Client);
  EXPECT_EQ(form->PaintBitmap()->geometry(), QRect(0, 0, c.Balloon.left(), c.Client.height()));
  EXPECT_EQ(form->PaintBalloon()->geometry(), c.Balloon);
  EXPECT_EQ(form->RichBalloon()->geometry(), c.Edit);
  EXPECT_DOUBLE_EQ(form->RichBalloon()->font().pointSizeF(), 9 * c.Zoom / 100.0);
  // The picture fills its zoomed size in the screen's pixels: its last row and column are
  // painted, nothing beyond.
  const QImage painted = form->PaintBitmap()->grab().toImage();
  const double scale = c.Zoom / 100.0 * painted.devicePixelRatio();
  const QPoint corner(static_cast<int>(std::lround(c.Picture.width() * scale)) - 1,
                      static_cast<int>(std::lround(c.Picture.height() * scale)) - 1);
  EXPECT_EQ(painted.pixelColor(corner), QColor(Qt::darkBlue));
  if (corner.x() + 1 < painted.width()) {
    EXPECT_NE(painted.pixelColor(corner + QPoint(1, 0)), QColor(Qt::darkBlue));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Zooms, ZoomTest,
    ::testing::Values(
        TZoomCase{"Half", 50, {300, 400}, {325, 200}, {150, 0, 175, 100}, {170, 10, 135, 80}},
        TZoomCase{"Double", 200, {300, 400}, {1300, 800}, {600, 0, 700, 400}, {680, 40, 540, 320}},
        TZoomCase{"DoubleOfASmallPicture",
                  200,
                  {150, 150},
                  {1100, 400},
                  {400, 0, 700, 400},
                  {480, 40, 540, 320}}),
    [](const ::testing::TestParamInfo<TZoomCase>& info) { return info.param.Name; });

TEST_F(FormMainTest, ZoomedPicturesAreScaledSmoothly) {
  // Black and white halves: scaled smoothly, the edge between them turns grey.
  QImage halves(200, 200, QImage::Format_RGB32);
  halves.fill(Qt::white);
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 100; ++x) halves.setPixelColor(x, y, Qt::black);
  }
  home.Write("chara/halves.bmp", "");
  ASSERT_TRUE(halves.save(QString::fromStdString(home.Path() + "chara/halves.bmp"), "BMP"));
  home.Write("Kelmo.ini", home.Read("Kelmo.ini") + "[Main]\r\nZoom=250\r\n");
  ASSERT_TRUE(Start(WriteCharacter(home, "chara", "Chara", {{"KCCALLED", "Hi"}},
                                   {"DefaultBitmap", "halves.bmp"})));
  const QImage painted = form->PaintBitmap()->grab().toImage();
  const int edge = painted.pixelColor(250, 250).lightness();
  EXPECT_GT(edge, 0);
  EXPECT_LT(edge, 255);
}

// Run once as it is and once with QT_SCALE_FACTOR=2 (tests/gui/CMakeLists.txt): at a zoom that
// makes one picture pixel one screen pixel, the picture must reach the screen untouched, which it
// does only when it is scaled once, straight to the screen's pixels.
TEST_F(FormMainTest, PicturesMeetTheScreensPixelsOnceSoTheyStaySharp) {
  const qreal ratio = qApp->devicePixelRatio();
  QImage stripes(200, 200, QImage::Format_RGB32);
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 200; ++x) stripes.setPixelColor(x, y, (x + y) % 2 ? Qt::white : Qt::black);
  }
  home.Write("chara/stripes.bmp", "");
  ASSERT_TRUE(stripes.save(QString::fromStdString(home.Path() + "chara/stripes.bmp"), "BMP"));
  home.Write("Kelmo.ini", home.Read("Kelmo.ini") + "[Main]\r\nZoom=" +
                              std::to_string(static_cast<int>(100 / ratio)) + "\r\n");
  ASSERT_TRUE(Start(WriteCharacter(home, "chara", "Chara", {{"KCCALLED", "Hi"}},
                                   {"DefaultBitmap", "stripes.bmp"})));
  const QImage painted =
      form->PaintBitmap()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(painted.size(), stripes.size()) << "device pixel ratio " << ratio;
  EXPECT_TRUE(painted == stripes) << "device pixel ratio " << ratio;
}

TEST_F(FormMainTest, ColourKeyPaintsTheKeyColourAsTheWindowBackground) {
  for (const bool keyed : {true, false}) {
    SCOPED_TRACE(keyed ? "keyed" : "not keyed");
    WritePicture("chara", "keyed.bmp", {200, 200}, Qt::red, Qt::red);
    ASSERT_TRUE(Start(WriteCharacter(home, "chara", "Chara", {{"KCCALLED", "Hi"}},
                                     {"DefaultBitmap", "keyed.bmp", "transparentbitmap",
                                      keyed ? "True" : "0"})));
    const QColor background = form->palette().color(QPalette::Window);
    ASSERT_NE(background, QColor(Qt::red));
    EXPECT_EQ(GrabbedPixel({100, 100}), keyed ? background : QColor(Qt::red));
    controller->Shutdown();
  }
}

TEST_F(FormMainTest, PictureCommandsChangeThePictureAndEachLineStartsFromTheDefault) {
  WritePicture("chara", "big.bmp", {260, 260}, Qt::yellow, Qt::yellow);
  WritePicture("chara", "other.bmp", {220, 210}, Qt::cyan, Qt::cyan);
  ASSERT_TRUE(Start(Character({{"PIC", "{PIC:big.bmp}x"},
                               {"DEFAULT", "{SETDEFBITMAP:other.bmp}y"},
                               {"PLAIN", "z"}})));
  Say("pic");
  TypeAll();
  EXPECT_EQ(form->PaintBitmap()->size(), QSize(260, 260));
  EXPECT_EQ(GrabbedPixel({250, 250}), QColor(Qt::yellow));

  Say("plain");  // back to the default picture
  EXPECT_EQ(form->PaintBitmap()->size(), QSize(200, 200));
  EXPECT_EQ(GrabbedPixel({100, 100}), QColor(Qt::darkGreen));

  Say("default");
  TypeAll();
  Say("plain");  // the new default
  EXPECT_EQ(form->size(), QSize(570, 210));
  EXPECT_EQ(GrabbedPixel({100, 100}), QColor(Qt::cyan));
}

struct TPlaceCase {
  const char* Name;
  int Top;
  int Left;
  bool CentredVertically;
  bool CentredHorizontally;
};

// The case's name, for test listings.
void PrintTo(const TPlaceCase& c, std::ostream* out) {
  *out << c.Name;
}

class PlacementTest : public FormMainTest, public ::testing::WithParamInterface<TPlaceCase> {};

TEST_P(PlacementTest, StoredPlaceIsRestoredOrCentredAndSavedBack) {
  const TPlaceCase& c = GetParam();
  home.Write("Kelmo.ini", "[User]\r\nUser=a{BR}b{BR}c{BR}d{BR}{BR}1990/02/03\r\n[Window]\r\nTop=" +
                              std::to_string(c.Top) + "\r\nLeft=" + std::to_string(c.Left) +
                              "\r\n");
  ASSERT_TRUE(Start(Character({})));
  // The place is that of the window's inside.
  const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
  const QPoint centre = available.center() - QPoint(form->width() / 2, form->height() / 2);
  EXPECT_NEAR(form->geometry().top(), c.CentredVertically ? centre.y() : c.Top, 1);
  EXPECT_NEAR(form->geometry().left(), c.CentredHorizontally ? centre.x() : c.Left, 1);

  // The user moves the window on the screen.
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  form->setGeometry(QRect(QPoint(31, 42), form->size()));
  controller->Shutdown();
  const std::string settings = home.Read("Kelmo.ini");
  EXPECT_NE(settings.find("Top=42"), std::string::npos) << settings;
  EXPECT_NE(settings.find("Left=31"), std::string::npos) << settings;
}

INSTANTIATE_TEST_SUITE_P(
    Places, PlacementTest,
    ::testing::Values(TPlaceCase{"Stored", 40, 60, false, false},
                      TPlaceCase{"NeverStored", -1, -1, true, true},
                      TPlaceCase{"BelowTheScreen", 99999, 60, true, false},
                      TPlaceCase{"RightOfTheScreen", 40, 99999, false, true}),
    [](const ::testing::TestParamInfo<TPlaceCase>& info) { return info.param.Name; });

TEST_F(FormMainTest, TimerFollowsTheIntervalAndTheFontTheCommands) {
  ASSERT_TRUE(Start(Character({{"FAST", "{SPEEDFAST}{FONTBIG}a"}})));
  form->StartTimer();
  EXPECT_EQ(form->Timer().interval(), 55);
  Say("fast");
  TypeAll();
  EXPECT_EQ(form->Timer().interval(), 66);
  EXPECT_EQ(form->RichBalloon()->font().pointSize(), 11);
  EXPECT_THAT(form->RichBalloon()->font().families(),
              ElementsAre("ＭＳ ゴシック", kJapaneseFallbackFamily));
}

TEST_F(FormMainTest, SplashStandsInForTheHiddenWindowWhileACharacterLoads) {
  // What the splash showed, and whether the main window was visible then.
  struct TSplashPaint {
    std::string Status;
    bool MainVisible;
  };
  std::vector<TSplashPaint> paints;
  class TSplashWatch : public QObject {
   public:
    explicit TSplashWatch(std::function<void(TFormSplash*)> onPaint) : onPaint_(onPaint) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (event->type() == QEvent::Paint && watched->objectName() == "TFormSplash") {
        onPaint_(static_cast<TFormSplash*>(watched));
      }
      return false;
    }

   private:
    std::function<void(TFormSplash*)> onPaint_;
  } watch([&](TFormSplash* splash) {
    paints.push_back({splash->Status().toStdString(), form != nullptr && form->isVisible()});
  });
  qApp->installEventFilter(&watch);
  const bool started = Start(Character({}));
  qApp->removeEventFilter(&watch);

  ASSERT_TRUE(started);
  ASSERT_FALSE(paints.empty());
  EXPECT_EQ(paints.front().Status, "起動中...");
  EXPECT_EQ(paints.back().Status, "Plug-in を読み込んでいます...");
  for (const TSplashPaint& paint : paints) EXPECT_FALSE(paint.MainVisible);
  EXPECT_EQ(form->Splash(), nullptr);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->windowTitle(), "Chara - DorrinKelmo");
}

// Counts the showings of the main window.
class TMainWindowShowings : public QObject {
 public:
  TMainWindowShowings() { qApp->installEventFilter(this); }
  ~TMainWindowShowings() override { qApp->removeEventFilter(this); }
  int count = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched->objectName() == "TFormMain") ++count;
    return false;
  }
};

TEST_F(FormMainTest, FailedStartShowsNoEmptyWindowBesideTheSelection) {
  TMessageBoxCatcher boxes;
  const TMainWindowShowings showings;
  WhenDialogOpens([](QWidget* selection) { QTest::keyClick(selection, Qt::Key_Escape); });
  EXPECT_FALSE(Start(home.Path() + "missing.klc"));
  EXPECT_EQ(showings.count, 0);
  EXPECT_THAT(boxes.Texts(), ElementsAre(::testing::StartsWith("起動に失敗しました")));
}

}  // namespace
}  // namespace kelmo::testing
