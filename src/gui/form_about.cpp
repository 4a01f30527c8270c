// The about dialog's two views.
#include "gui/form_about.h"

#include <QDesktopServices>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QUrl>
#include <QVBoxLayout>

namespace kelmo {
namespace {

// The dialog's size at opening.
constexpr int kWidth = 360;
constexpr int kHeight = 260;

// Link schemes handed to the desktop: web and mail addresses. A character's link is data from its
// author, and a local file (a launcher, a program) must not be started by a click on it.
const QStringList kLinkSchemes = {"http", "https", "ftp", "mailto"};

// Texts arrive with CR LF line breaks; the edit wants LF alone.
QString DisplayText(const std::string& text) {
  return QString::fromStdString(text).replace("\r\n", "\n");
}

}  // namespace

TFormAbout::TFormAbout(const TAboutTexts& texts, QWidget* parent) : QDialog(parent), texts_(texts) {
  setObjectName("FormAbout");

  MemoTitle = new QPlainTextEdit(this);
  MemoTitle->setObjectName("MemoTitle");
  MemoTitle->setReadOnly(true);
  MemoTitle->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  StaticURL = new QLabel(this);
  StaticURL->setObjectName("StaticURL");
  StaticURL->setTextFormat(Qt::PlainText);
  StaticURL->setCursor(Qt::PointingHandCursor);
  QFont linkFont = StaticURL->font();
  linkFont.setUnderline(true);
  StaticURL->setFont(linkFont);
  QPalette linkPalette = StaticURL->palette();
  linkPalette.setColor(QPalette::WindowText, Qt::blue);
  StaticURL->setPalette(linkPalette);
  StaticURL->installEventFilter(this);

  ButtonOK = new QPushButton("&OK", this);
  ButtonOK->setObjectName("ButtonOK");
  ButtonOK->setDefault(true);
  ButtonChange = new QPushButton(this);
  ButtonChange->setObjectName("ButtonChange");
  ButtonChange->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ButtonOK);
  buttons->addWidget(ButtonChange);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MemoTitle, 1);
  layout->addWidget(StaticURL, 0, Qt::AlignLeft);
  layout->addLayout(buttons);

  connect(ButtonOK, &QPushButton::clicked, this, &TFormAbout::ButtonOKClick);
  connect(ButtonChange, &QPushButton::clicked, this, &TFormAbout::ButtonChangeClick);

  ShowView();
  resize(kWidth, kHeight);
}

bool TFormAbout::eventFilter(QObject* watched, QEvent* event) {
  if (watched == StaticURL && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    StaticURLClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TFormAbout::ButtonChangeClick() {
  showsCharacter_ = !showsCharacter_;
  ShowView();
}

void TFormAbout::ButtonOKClick() {
  accept();
}

void TFormAbout::StaticURLClick() {
  if (StaticURL->text().isEmpty()) return;
  const QUrl url = QUrl::fromUserInput(StaticURL->text());
  if (!kLinkSchemes.contains(url.scheme(), Qt::CaseInsensitive)) return;
  QDesktopServices::openUrl(url);
}

void TFormAbout::ShowView() {
  setWindowTitle(
      QString::fromStdString(showsCharacter_ ? texts_.CharacterCaption : texts_.ProgramCaption));
  ButtonChange->setText(
      QString::fromStdString(showsCharacter_ ? texts_.CharacterChange : texts_.ProgramChange));
  MemoTitle->setPlainText(DisplayText(showsCharacter_ ? texts_.CharacterText : texts_.ProgramText));
  StaticURL->setText(
      QString::fromStdString(showsCharacter_ ? texts_.CharacterUrl : texts_.ProgramUrl));
}

}  // namespace kelmo
