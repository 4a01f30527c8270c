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

  memoTitle_ = new QPlainTextEdit(this);
  memoTitle_->setObjectName("MemoTitle");
  memoTitle_->setReadOnly(true);
  memoTitle_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  staticURL_ = new QLabel(this);
  staticURL_->setObjectName("StaticURL");
  staticURL_->setTextFormat(Qt::PlainText);
  staticURL_->setCursor(Qt::PointingHandCursor);
  QFont linkFont = staticURL_->font();
  linkFont.setUnderline(true);
  staticURL_->setFont(linkFont);
  QPalette linkPalette = staticURL_->palette();
  linkPalette.setColor(QPalette::WindowText, Qt::blue);
  staticURL_->setPalette(linkPalette);
  staticURL_->installEventFilter(this);

  buttonOK_ = new QPushButton("&OK", this);
  buttonOK_->setObjectName("ButtonOK");
  buttonOK_->setDefault(true);
  buttonChange_ = new QPushButton(this);
  buttonChange_->setObjectName("ButtonChange");
  buttonChange_->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(buttonOK_);
  buttons->addWidget(buttonChange_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(memoTitle_, 1);
  layout->addWidget(staticURL_, 0, Qt::AlignLeft);
  layout->addLayout(buttons);

  connect(buttonOK_, &QPushButton::clicked, this, &TFormAbout::ButtonOKClick);
  connect(buttonChange_, &QPushButton::clicked, this, &TFormAbout::ButtonChangeClick);

  ShowView();
  resize(kWidth, kHeight);
}

bool TFormAbout::eventFilter(QObject* watched, QEvent* event) {
  if (watched == staticURL_ && event->type() == QEvent::MouseButtonRelease &&
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
  if (staticURL_->text().isEmpty()) return;
  const QUrl url = QUrl::fromUserInput(staticURL_->text());
  if (!kLinkSchemes.contains(url.scheme(), Qt::CaseInsensitive)) return;
  QDesktopServices::openUrl(url);
}

void TFormAbout::ShowView() {
  setWindowTitle(
      QString::fromStdString(showsCharacter_ ? texts_.CharacterCaption : texts_.ProgramCaption));
  buttonChange_->setText(
      QString::fromStdString(showsCharacter_ ? texts_.CharacterChange : texts_.ProgramChange));
  memoTitle_->setPlainText(
      DisplayText(showsCharacter_ ? texts_.CharacterText : texts_.ProgramText));
  staticURL_->setText(
      QString::fromStdString(showsCharacter_ ? texts_.CharacterUrl : texts_.ProgramUrl));
}

}  // namespace kelmo
