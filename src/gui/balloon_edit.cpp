// The balloon edit: paragraphs inside, CR LF outside.
#include "gui/balloon_edit.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace kelmo {
namespace {

// The controller's line break.
const QString kLineBreak = QStringLiteral("\r\n");

// Text with every line break (CR LF, CR, LF) as one LF, which the document turns into paragraphs.
QString WithParagraphBreaks(const std::string& text) {
  QString result = QString::fromUtf8(text);
  result.replace(kLineBreak, QStringLiteral("\n"));
  result.replace(QChar(u'\r'), QChar(u'\n'));
  return result;
}

}  // namespace

TBalloonEdit::TBalloonEdit(QWidget* parent) : QTextEdit(parent) {
  setObjectName("RichBalloon");
  setFrameShape(QFrame::NoFrame);
  setAcceptRichText(false);
  setTabChangesFocus(true);
  setLineWrapMode(QTextEdit::WidgetWidth);
  // Japanese has no spaces: lines break between letters, and an overlong word breaks anywhere.
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // The balloon picture shows through the text.
  viewport()->setAutoFillBackground(false);
  QPalette seeThrough = palette();
  seeThrough.setColor(QPalette::Base, Qt::transparent);
  setPalette(seeThrough);
  document()->setDocumentMargin(0);
}

std::string TBalloonEdit::Text() const {
  QString text = document()->toRawText();
  text.replace(QChar::ParagraphSeparator, kLineBreak);
  text.replace(QChar::LineSeparator, kLineBreak);
  return text.toStdString();
}

void TBalloonEdit::SetText(const std::string& text) {
  setPlainText(WithParagraphBreaks(text));
  setTextCursor(LastLineEnd());
  ensureCursorVisible();
}

void TBalloonEdit::AppendToLastLine(const std::string& text) {
  QTextCursor cursor = LastLineEnd();
  cursor.insertText(WithParagraphBreaks(text));
  setTextCursor(cursor);
  ensureCursorVisible();
}

QTextCursor TBalloonEdit::LastLineEnd() const {
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  // A text ending in a line break ends with an empty paragraph; its last line is the one before.
  if (cursor.block().length() == 1 && cursor.block().previous().isValid()) {
    cursor.movePosition(QTextCursor::PreviousCharacter);
  }
  return cursor;
}

void TBalloonEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    emit EnterPressed();
    return;
  }
  QTextEdit::keyPressEvent(event);
}

void TBalloonEdit::contextMenuEvent(QContextMenuEvent* event) {
  // Ignored events travel on to the parent, the main window, which opens the popup menu.
  event->ignore();
}

}  // namespace kelmo
