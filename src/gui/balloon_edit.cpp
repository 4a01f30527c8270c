// The balloon edit: paragraphs inside, CR LF outside; the paragraph being typed one block per line.
#include "gui/balloon_edit.h"

#include <QAbstractTextDocumentLayout>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <algorithm>

namespace kelmo {
namespace {

// The controller's line break.
const QString kLineBreak = QStringLiteral("\r\n");
// The block property that marks a block as the next line of the paragraph before it.
constexpr int kContinuesParagraph = QTextFormat::UserProperty;

// Text with every line break (CR LF, CR, LF) as one LF, which the document turns into paragraphs.
QString WithParagraphBreaks(const std::string& text) {
  QString result = QString::fromUtf8(text);
  result.replace(kLineBreak, QStringLiteral("\n"));
  result.replace(QChar(u'\r'), QChar(u'\n'));
  return result;
}

bool ContinuesParagraph(const QTextBlock& block) {
  return block.blockFormat().boolProperty(kContinuesParagraph);
}

// Inserts text at cursor, each LF starting a paragraph of its own (never a continuing block).
void InsertParagraphs(QTextCursor& cursor, const QString& text) {
  const QStringList paragraphs = text.split(u'\n');
  for (qsizetype i = 0; i < paragraphs.size(); ++i) {
    if (i > 0) cursor.insertBlock(QTextBlockFormat());
    if (!paragraphs[i].isEmpty()) cursor.insertText(paragraphs[i]);
  }
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
  QString text = ParagraphText();
  text.replace(u'\n', kLineBreak);
  text.replace(QChar::LineSeparator, kLineBreak);
  return text.toStdString();
}

QString TBalloonEdit::ParagraphText() const {
  QString text;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    if (block != document()->begin() && !ContinuesParagraph(block)) text += u'\n';
    text += block.text();
  }
  return text;
}

void TBalloonEdit::SetText(const std::string& text) {
  const QString paragraphs = WithParagraphBreaks(text);
  if (!isReadOnly()) {
    setPlainText(paragraphs);
  } else {
    const QString shown = ParagraphText();
    // A reply's next line keeps the lines shown as they are; other text replaces them.
    const bool continues = paragraphs.startsWith(shown);
    if (!continues) clear();
    AppendInPieces(continues ? paragraphs.mid(shown.size()) : paragraphs);
  }
  ShowCaretAtLastLineEnd();
}

void TBalloonEdit::AppendInPieces(const QString& paragraphs) {
  // A document lays out a paragraph as a whole, in time that grows faster than its length: a long
  // text shown at once (Enter during a reply) goes in piece by piece, each piece's lines broken
  // off before the next comes, so that no laid-out block grows beyond a piece and a line.
  constexpr qsizetype kPieceLength = 2048;
  for (qsizetype start = 0; start < paragraphs.size();) {
    qsizetype length = std::min(kPieceLength, paragraphs.size() - start);
    if (start + length < paragraphs.size() && paragraphs[start + length - 1].isHighSurrogate()) {
      ++length;  // a letter outside the basic plane stays whole
    }
    editing_ = true;
    QTextCursor end(document());
    end.beginEditBlock();
    end.movePosition(QTextCursor::End);
    InsertParagraphs(end, paragraphs.mid(start, length));
    end.endEditBlock();
    editing_ = false;
    BreakIntoLines(end.block());
    start += length;
  }
}

void TBalloonEdit::AppendToLastLine(const std::string& text) {
  editing_ = true;
  QTextCursor cursor(document());
  // Inside an edit block a cursor does not work out its place on the screen, which would shape
  // its line once more.
  cursor.beginEditBlock();
  cursor.setPosition(LastLineEndPosition());
  InsertParagraphs(cursor, WithParagraphBreaks(text));
  cursor.endEditBlock();
  editing_ = false;
  BreakIntoLines(cursor.block());
  ShowCaretAtLastLineEnd();
}

int TBalloonEdit::LastLineEndPosition() const {
  const QTextBlock last = document()->lastBlock();
  // A text ending in a line break ends with an empty paragraph; its last line is the one before.
  const QTextBlock line = last.length() == 1 && last.previous().isValid() ? last.previous() : last;
  return line.position() + line.length() - 1;
}

void TBalloonEdit::ShowCaretAtLastLineEnd() {
  const int end = LastLineEndPosition();
  // The caret follows insertions at its place; only a click can have moved it.
  QTextCursor caret = textCursor();
  if (caret.position() != end || caret.hasSelection()) {
    caret.setPosition(end);
    setTextCursor(caret);
  }
  // Scrolling works out the caret's place on the screen, which shapes its line once more; a caret
  // whose block is in view needs none.
  const QRectF block = document()->documentLayout()->blockBoundingRect(document()->findBlock(end));
  const int top = verticalScrollBar()->value();
  if (block.top() < top || block.bottom() > top + viewport()->height()) ensureCursorVisible();
}

void TBalloonEdit::BreakIntoLines(const QTextBlock& block) {
  if (!isReadOnly()) return;
  if (document()->textWidth() != wrapWidth_) {
    RewrapLines();
    return;
  }
  // The block's lines as the layout broke them.
  document()->documentLayout()->blockBoundingRect(block);
  const QTextLayout* layout = block.layout();
  if (layout == nullptr || layout->lineCount() < 2) return;
  // Only the last line is typed on: it becomes a block of its own, and the lines before it stay
  // one block, which wraps where it wrapped before (a prefix ending at a line start breaks the
  // same way). One split instead of one per line keeps a long text shown at once quick.
  QTextBlockFormat continuing = block.blockFormat();
  continuing.setProperty(kContinuesParagraph, true);
  QTextCursor cursor(document());
  cursor.beginEditBlock();
  cursor.setPosition(block.position() + layout->lineAt(layout->lineCount() - 1).textStart());
  cursor.insertBlock(continuing);
  cursor.endEditBlock();
}

void TBalloonEdit::RewrapLines() {
  wrapWidth_ = document()->textWidth();
  QTextCursor cursor(document());
  cursor.beginEditBlock();
  for (QTextBlock block = document()->lastBlock(); block.isValid();) {
    const QTextBlock previous = block.previous();
    if (ContinuesParagraph(block)) {
      const QTextBlockFormat paragraph = previous.blockFormat();
      cursor.setPosition(block.position() - 1);
      cursor.setPosition(block.position(), QTextCursor::KeepAnchor);
      cursor.removeSelectedText();
      cursor.setBlockFormat(paragraph);
    }
    block = previous;
  }
  cursor.endEditBlock();
  if (isReadOnly()) BreakIntoLines(document()->findBlock(LastLineEndPosition()));
}

void TBalloonEdit::resizeEvent(QResizeEvent* event) {
  QTextEdit::resizeEvent(event);
  if (!editing_ && document()->textWidth() != wrapWidth_) RewrapLines();
}

void TBalloonEdit::changeEvent(QEvent* event) {
  QTextEdit::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::ReadOnlyChange) {
    RewrapLines();
  }
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
