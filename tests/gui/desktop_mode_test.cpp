// The character on the desktop: pictures made see-through and the shapes cut from them, the
// balloon's place beside the character at every edge and corner of the screen, and the mode as
// the user meets it: switched from the menu while a reply is typed, stored and restored, the
// windows' pictures and shapes, dragging, clicking and the menu on both windows.
#include <gmock/gmock.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <algorithm>
#include <ostream>

#include "gui/balloon_placement.h"
#include "gui/desktop_character.h"
#include "gui/form_nadenade.h"
#include "gui/picture_box.h"
#include "gui/see_through.h"
#include "main_window_fixture.h"

namespace kelmo::testing {
namespace {

// ----- See-through pictures and their shapes -----------------------------------------------------

// A 40 x 60 picture of fill with a figure at kFigure; its bottom-left pixel is fill.
const QRect kFigure(10, 10, 20, 40);
const QPoint kBackgroundPoint(3, 3);
const QPoint kFigurePoint(20, 30);

struct TSeeThroughCase {
  const char* Name;
  QImage::Format Format;
  QRgb Fill;
  QRgb Figure;
  bool ColourKey;
  int BackgroundAlpha;       // after SeeThroughPicture
  int FigureAlpha;
  bool BlendedShapeHasFill;  // the shape at kBlendedShapeAlpha holds the background
  bool OpaqueShapeHasFill;   // ... and at kOpaqueShapeAlpha
};

void PrintTo(const TSeeThroughCase& c, std::ostream* out) {
  *out << c.Name;
}

class SeeThroughTest : public ::testing::TestWithParam<TSeeThroughCase> {};

TEST_P(SeeThroughTest, KeyAndAlphaSayWhatShowsAndTheShapeFollows) {
  const TSeeThroughCase& c = GetParam();
  QImage decoded(40, 60, c.Format);
  decoded.fill(QColor::fromRgba(c.Fill));
  for (int y = kFigure.top(); y <= kFigure.bottom(); ++y) {
    for (int x = kFigure.left(); x <= kFigure.right(); ++x) decoded.setPixel(x, y, c.Figure);
  }
  const QImage picture = SeeThroughPicture(decoded, c.ColourKey);
  EXPECT_EQ(qAlpha(picture.pixel(kBackgroundPoint)), c.BackgroundAlpha);
  EXPECT_EQ(qAlpha(picture.pixel(kFigurePoint)), c.FigureAlpha);
  // Drawn at its own size and at twice it (a zoom), the shape scales with the picture.
  for (const int scale : {1, 2}) {
    SCOPED_TRACE(scale);
    const QSize size = decoded.size() * scale;
    const QRegion blended = OpaqueRegion(picture, size, kBlendedShapeAlpha);
    const QRegion opaque = OpaqueRegion(picture, size, kOpaqueShapeAlpha);
    EXPECT_TRUE(blended.contains(kFigurePoint * scale));
    EXPECT_TRUE(opaque.contains(kFigurePoint * scale));
    EXPECT_EQ(blended.contains(kBackgroundPoint * scale), c.BlendedShapeHasFill);
    EXPECT_EQ(opaque.contains(kBackgroundPoint * scale), c.OpaqueShapeHasFill);
    EXPECT_FALSE(blended.contains(QPoint(size.width(), size.height())));
    if (!c.OpaqueShapeHasFill) {
      EXPECT_EQ(opaque.boundingRect(), QRect(kFigure.topLeft() * scale, kFigure.size() * scale));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, SeeThroughTest,
    ::testing::Values(
        TSeeThroughCase{"KeyedBitmap", QImage::Format_RGB32, 0xffff0000, 0xff0000ff, true, 0, 255,
                        false, false},
        TSeeThroughCase{"BitmapWithoutKey", QImage::Format_RGB32, 0xffff0000, 0xff0000ff, false,
                        255, 255, true, true},
        TSeeThroughCase{"AlphaWithoutKey", QImage::Format_ARGB32, 0x00000000, 0xff00ff00, false,
                        0, 255, false, false},
        TSeeThroughCase{"SoftAlphaShowsOnlyWhereBlended", QImage::Format_ARGB32, 0x60ffffff,
                        0xff00ff00, false, 0x60, 255, true, false},
        TSeeThroughCase{"KeyedAlphaKeepsTheFiguresAlpha", QImage::Format_ARGB32, 0x00000000,
                        0x80123456, true, 0, 0x80, false, false},
        TSeeThroughCase{"KeyOnlyTakesTheWholePixel", QImage::Format_ARGB32, 0x40ff0000,
                        0xffff0000, true, 0, 255, false, false}),
    [](const ::testing::TestParamInfo<TSeeThroughCase>& info) { return info.param.Name; });

TEST(SeeThroughCacheTest, SameContentGivesTheSamePictureAndShapeOnce) {
  QImage first(30, 30, QImage::Format_RGB32);
  first.fill(Qt::red);
  first.setPixel(15, 15, qRgb(0, 0, 255));
  const QImage again = first.copy();  // decoded anew: another image of the same content
  TSeeThroughCache cache;
  const QImage picture = cache.Picture(first, true, false);
  EXPECT_EQ(cache.Picture(again, true, false).cacheKey(), picture.cacheKey());
  EXPECT_NE(cache.Picture(again, false, false).cacheKey(), picture.cacheKey());
  const QImage mirrored = cache.Picture(first, true, true);
  EXPECT_EQ(mirrored.pixel(14, 15), picture.pixel(15, 15));
  const QRegion shape = cache.Shape(picture, picture.size(), kOpaqueShapeAlpha);
  EXPECT_EQ(shape, QRegion(15, 15, 1, 1));
  EXPECT_EQ(&cache.Shape(picture, picture.size(), kOpaqueShapeAlpha),
            &cache.Shape(picture, picture.size(), kOpaqueShapeAlpha));
}

// ----- The balloon's place ----------------------------------------------------------------------

// A screen of 1280 x 800 with a panel of 30 pixels at the top; a character of 200 x 300.
const QRect kAvailable(0, 30, 1280, 770);
const QSize kCharacter(200, 300);
const QSize kBalloon(350, 200);

struct TPlaceBalloonCase {
  const char* Name;
  QPoint Character;
  QSize Balloon;
  QPoint Expected;
  bool OnLeft;
};

void PrintTo(const TPlaceBalloonCase& c, std::ostream* out) {
  *out << c.Name;
}

class PlaceBalloonTest : public ::testing::TestWithParam<TPlaceBalloonCase> {};

TEST_P(PlaceBalloonTest, BesideTheCharacterOnTheSideWithRoomAndOnTheScreen) {
  const TPlaceBalloonCase& c = GetParam();
  const TBalloonPlacement placement =
      PlaceBalloon(QRect(c.Character, kCharacter), c.Balloon, kAvailable);
  EXPECT_EQ(placement.Rect, QRect(c.Expected, c.Balloon));
  EXPECT_EQ(placement.OnLeft, c.OnLeft);
}

INSTANTIATE_TEST_SUITE_P(
    Screen, PlaceBalloonTest,
    ::testing::Values(
        TPlaceBalloonCase{"Middle", {500, 200}, kBalloon, {700, 200}, false},
        TPlaceBalloonCase{"JustFitsRight", {730, 200}, kBalloon, {930, 200}, false},
        TPlaceBalloonCase{"NearTheRightEdge", {731, 200}, kBalloon, {381, 200}, true},
        TPlaceBalloonCase{"AgainstTheRightEdge", {1080, 200}, kBalloon, {730, 200}, true},
        TPlaceBalloonCase{"PastTheRightEdge", {1200, 200}, kBalloon, {850, 200}, true},
        TPlaceBalloonCase{"AgainstTheLeftEdge", {0, 200}, kBalloon, {200, 200}, false},
        TPlaceBalloonCase{"PastTheLeftEdge", {-150, 200}, kBalloon, {50, 200}, false},
        TPlaceBalloonCase{"UnderThePanel", {400, 0}, kBalloon, {600, 30}, false},
        TPlaceBalloonCase{"AboveTheScreen", {400, -500}, kBalloon, {600, 30}, false},
        TPlaceBalloonCase{"AtTheBottom", {400, 700}, kBalloon, {600, 600}, false},
        TPlaceBalloonCase{"TopLeftCorner", {0, 30}, kBalloon, {200, 30}, false},
        TPlaceBalloonCase{"TopRightCorner", {1080, 30}, kBalloon, {730, 30}, true},
        TPlaceBalloonCase{"BottomLeftCorner", {0, 500}, kBalloon, {200, 500}, false},
        TPlaceBalloonCase{"BottomRightCorner", {1080, 700}, kBalloon, {730, 600}, true},
        TPlaceBalloonCase{"NoRoomEitherSideMoreOnTheLeft", {1000, 200}, {1100, 200}, {0, 200},
                          true},
        TPlaceBalloonCase{"NoRoomEitherSideMoreOnTheRight", {100, 200}, {1100, 200}, {180, 200},
                          false},
        TPlaceBalloonCase{"LargerThanTheScreen", {500, 200}, {1500, 900}, {0, 30}, false}),
    [](const ::testing::TestParamInfo<TPlaceBalloonCase>& info) { return info.param.Name; });

// ----- The mode in the window -------------------------------------------------------------------

// The character's picture: 120 x 180 of the key colour with a figure in the middle.
const QSize kPicture(120, 180);
const QRect kPictureFigure(30, 40, 60, 100);
constexpr char kLongReply[] = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

class DesktopModeTest : public MainWindowTest {
 protected:
  // A keyed character whose greeting is kLongReply, placed at 20, 40; desktop stores the mode,
  // extraLines go into its definition file.
  std::string Character(bool desktop, int zoom = 100, std::vector<std::string> extraLines = {}) {
    home.Write("Kelmo.ini",
               "[User]\r\nUser=Yamada{BR}Taro{BR}taro{BR}tarochan{BR}{BR}1990/02/03\r\n"
               "[Window]\r\nTop=40\r\nLeft=20\r\n[Main]\r\nZoom=" +
                   std::to_string(zoom) + "\r\nDesktopMode=" + (desktop ? "1" : "0") + "\r\n");
    QImage picture(kPicture, QImage::Format_RGB32);
    picture.fill(Qt::magenta);
    for (int y = kPictureFigure.top(); y <= kPictureFigure.bottom(); ++y) {
      for (int x = kPictureFigure.left(); x <= kPictureFigure.right(); ++x) {
        picture.setPixelColor(x, y, Qt::darkBlue);
      }
    }
    home.Write("chara/figure.bmp", "");
    EXPECT_TRUE(picture.save(QString::fromStdString(home.Path() + "chara/figure.bmp"), "BMP"));
    extraLines.insert(extraLines.end(), {"DefaultBitmap", "figure.bmp", "transparentbitmap", "True"});
    return WriteCharacter(home, "chara", "Chara", {{"KCCALLED", kLongReply}, {"more", "xyz"}},
                          extraLines);
  }

  QAction* DesktopItem() { return form->PopupMenu()->findChild<QAction*>("MenuDesktopMode"); }

  // A mouse event of button at local on the character's window.
  void SendMouse(QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons held) {
    QWidget* window = form->DesktopCharacter();
    QMouseEvent event(type, QPointF(local), QPointF(window->mapToGlobal(local)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(window, &event);
  }
};

TEST_F(DesktopModeTest, SwitchingWhileAReplyIsTypedGoesOnTyping) {
  ASSERT_TRUE(Start(Character(false)));
  for (int tick = 0; tick < 10; ++tick) Tick();
  std::string typed = form->BalloonText();
  ASSERT_EQ(controller->State(), stTyping);
  ASSERT_LT(typed.size(), sizeof kLongReply - 1);

  DesktopItem()->trigger();
  ASSERT_NE(form->DesktopCharacter(), nullptr);
  EXPECT_TRUE(DesktopItem()->isChecked());
  EXPECT_EQ(form->RichBalloon()->window(), form->DesktopBalloon());
  EXPECT_EQ(form->BalloonText(), typed);
  EXPECT_TRUE(form->RichBalloon()->isReadOnly());
  EXPECT_EQ(controller->State(), stTyping);
  EXPECT_FALSE(form->isVisible());

  for (int tick = 0; tick < 10; ++tick) Tick();
  DesktopItem()->trigger();  // and back, halfway again
  EXPECT_EQ(form->DesktopCharacter(), nullptr);
  EXPECT_FALSE(DesktopItem()->isChecked());
  EXPECT_EQ(form->RichBalloon()->window(), form.get());
  TypeAll();
  // Typed on from where it was (the text ends with the line break the typing keeps), to the end,
  // once.
  typed.erase(typed.find_last_not_of("\r\n") + 1);
  const std::string text = form->BalloonText();
  EXPECT_EQ(text.substr(0, typed.size()), typed);
  EXPECT_THAT(text, ::testing::HasSubstr(kLongReply));
  EXPECT_EQ(text.find(kLongReply), text.rfind(kLongReply));
  EXPECT_TRUE(form->isVisible());
}

TEST_F(DesktopModeTest, ModeIsStoredWithThePlaceAndRestoredAtTheNextStart) {
  const std::string character = Character(false);
  ASSERT_TRUE(Start(character));
  TypeAll();
  DesktopItem()->trigger();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form->DesktopCharacter()));
  form->DesktopCharacter()->move(31, 42);
  controller->Shutdown();
  std::string settings = home.Read("Kelmo.ini");
  EXPECT_NE(settings.find("DesktopMode=1"), std::string::npos) << settings;
  EXPECT_NE(settings.find("Top=42"), std::string::npos) << settings;
  EXPECT_NE(settings.find("Left=31"), std::string::npos) << settings;

  ASSERT_TRUE(Start(character));
  ASSERT_NE(form->DesktopCharacter(), nullptr);
  EXPECT_TRUE(DesktopItem()->isChecked());
  EXPECT_EQ(form->DesktopCharacter()->pos(), QPoint(31, 42));
  EXPECT_TRUE(form->DesktopCharacter()->isVisible());
  EXPECT_FALSE(form->isVisible());
  DesktopItem()->trigger();
  controller->Shutdown();
  settings = home.Read("Kelmo.ini");
  EXPECT_NE(settings.find("DesktopMode=0"), std::string::npos) << settings;
}

class DesktopZoomTest : public DesktopModeTest, public ::testing::WithParamInterface<int> {};

TEST_P(DesktopZoomTest, PictureIsSeeThroughCutToItsShapeAndTheBalloonStandsBeside) {
  const int zoom = GetParam();
  ASSERT_TRUE(Start(Character(true, zoom)));
  TypeAll();
  QWidget* character = form->DesktopCharacter();
  QWidget* balloon = form->DesktopBalloon();
  ASSERT_NE(character, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(character));
  const auto zoomed = [&](int pixels) { return pixels * zoom / 100; };
  EXPECT_EQ(character->size(), QSize(zoomed(kPicture.width()), zoomed(kPicture.height())));
  const QPoint figure(zoomed(kPictureFigure.center().x()), zoomed(kPictureFigure.center().y()));
  const QPoint background(zoomed(5), zoomed(5));
  const QImage painted = character->grab().toImage();
  const qreal ratio = painted.devicePixelRatio();
  EXPECT_EQ(qAlpha(painted.pixel((QPointF(background) * ratio).toPoint())), 0);
  EXPECT_EQ(painted.pixelColor((QPointF(figure) * ratio).toPoint()), QColor(Qt::darkBlue));
  EXPECT_TRUE(form->DesktopCharacter()->Shape().contains(figure));
  EXPECT_FALSE(form->DesktopCharacter()->Shape().contains(background));

  // Beside the character at its top, on the side with room, and wholly on the screen.
  const QRect available = character->screen()->availableGeometry();
  EXPECT_TRUE(balloon->isVisible());
  EXPECT_EQ(balloon->geometry(),
            PlaceBalloon(character->geometry(), balloon->size(), available).Rect);
  if (balloon->width() <= available.width()) {
    EXPECT_TRUE(available.contains(balloon->geometry()));
  }
  EXPECT_EQ(balloon->size(), QSize(zoomed(350), zoomed(200)));
  // The built-in balloon's keyed corner lets the desktop through; its middle does not.
  EXPECT_FALSE(form->DesktopBalloon()->Shape().contains(QPoint(0, balloon->height() - 1)));
  EXPECT_TRUE(form->DesktopBalloon()->Shape().contains(form->RichBalloon()->geometry().center()));
}

INSTANTIATE_TEST_SUITE_P(Zooms, DesktopZoomTest, ::testing::Values(50, 100, 300),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "Zoom" + std::to_string(info.param);
                         });

TEST_F(DesktopModeTest, DraggingMovesBothWindowsAndAClickGivesTheBalloonTheKeyboard) {
  ASSERT_TRUE(Start(Character(true)));
  TypeAll();
  PressEnter();
  ASSERT_EQ(controller->State(), stUserInput);
  QWidget* character = form->DesktopCharacter();
  QWidget* balloon = form->DesktopBalloon();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(character));
  const QPoint start = character->pos();
  const QPoint balloonOffset = balloon->pos() - start;

  // Below the drag distance: a click, which moves nothing.
  const QPoint grip(60, 90);
  SendMouse(QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
  SendMouse(QEvent::MouseMove, grip + QPoint(1, 0), Qt::NoButton, Qt::LeftButton);
  SendMouse(QEvent::MouseButtonRelease, grip + QPoint(1, 0), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(character->pos(), start);
  EXPECT_TRUE(QTest::qWaitForWindowActive(balloon));
  EXPECT_EQ(balloon->focusWidget(), form->RichBalloon());

  SendMouse(QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
  SendMouse(QEvent::MouseMove, grip + QPoint(30, 20), Qt::NoButton, Qt::LeftButton);
  SendMouse(QEvent::MouseButtonRelease, grip + QPoint(30, 20), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(character->pos(), start + QPoint(30, 20));
  EXPECT_EQ(balloon->pos() - character->pos(), balloonOffset);
  // Typing still reaches the conversation.
  QTest::keyClicks(form->RichBalloon(), "more");
  PressEnter();
  TypeAll();
  EXPECT_THAT(form->BalloonText(), ::testing::HasSubstr("xyz"));
}

TEST_F(DesktopModeTest, HidingAndShowingTakeBothWindowsAndThePettingWindowStandsBeside) {
  home.Write("chara/pet.txt", "pat,patted\r\n");
  ASSERT_TRUE(Start(Character(true, 100, {"nadenade", "True", "datanadenade", "pet.txt"}), true));
  TypeAll();
  QWidget* desktop = form->DesktopCharacter();
  QWidget* balloon = form->DesktopBalloon();
  QAction* petting = form->PopupMenu()->findChild<QAction*>("MenuShowNadenade");
  petting->trigger();
  ASSERT_TRUE(form->Nadenade()->isVisible());
  EXPECT_GE(form->Nadenade()->x(), std::max(desktop->geometry().right(), balloon->geometry().right()));

  form->PopupMenu()->findChild<QAction*>("MenuChangeState")->trigger();
  QApplication::processEvents();
  EXPECT_FALSE(desktop->isVisible());
  EXPECT_FALSE(balloon->isVisible());
  EXPECT_FALSE(form->Nadenade()->isVisible());
  EXPECT_FALSE(form->isVisible());

  form->TrayIconActivated(QSystemTrayIcon::DoubleClick);
  EXPECT_TRUE(desktop->isVisible());
  EXPECT_TRUE(balloon->isVisible());
  EXPECT_FALSE(form->isVisible());
}

TEST_F(DesktopModeTest, RightClickOnTheCharacterOrTheBalloonOpensTheMenu) {
  ASSERT_TRUE(Start(Character(true)));
  TypeAll();
  QWidget* const places[] = {form->DesktopCharacter(), form->PaintBitmap(), form->PaintBalloon(),
                             form->RichBalloon()->viewport()};
  for (QWidget* place : places) {
    SCOPED_TRACE(place->objectName().toStdString());
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(60, 90),
                            place->mapToGlobal(QPoint(60, 90)));
    QApplication::sendEvent(place, &click);
    EXPECT_TRUE(form->PopupMenu()->isVisible());
    form->PopupMenu()->close();
  }
}

}  // namespace
}  // namespace kelmo::testing
