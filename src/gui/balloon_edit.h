// The balloon (`RichBalloon`): a frameless, see-through rich-text edit lying on the balloon
// picture, in which the user types a line and the character's reply is typed out.
//
// Enter never reaches the edit: it is reported (EnterPressed) for the controller, which decides
// what it means in the current state. Text crosses to the controller as UTF-8 with CR LF line
// breaks; inside, each line is a paragraph. The edit's own context menu is given up: a right-click
// goes on to the window, which opens its popup menu.
//
// Typing a reply costs the same per letter however long its paragraph grows. A document lays out
// and repaints a whole paragraph when a letter is added to it, so while the balloon is read-only
// the line being typed is held as a block of its own: each block after a paragraph's first is
// marked as continuing the paragraph, Text() joins them again, and a letter lays out and repaints
// its line alone. The lines are broken again whenever the width or the font changes, and
// joined when the balloon becomes editable, so that the user edits plain paragraphs.
#pragma once

#include <QTextEdit>
#include <string>

class QTextBlock;

namespace kelmo {

class TBalloonEdit : public QTextEdit {
  Q_OBJECT

 public:
  explicit TBalloonEdit(QWidget* parent = nullptr);

  // The whole text, lines separated by CR LF (the last line has none unless the text ends with an
  // empty line).
  std::string Text() const;

  // Replaces the text (CR LF, lone CR and lone LF all break lines) and puts the caret at the end
  // of the last line: before the final line break when the text ends with one. While read-only, a
  // text that begins with the one shown only adds its remainder.
  void SetText(const std::string& text);

  // Inserts text at the caret's place of SetText (the end of the last line, before a final line
  // break) and puts the caret after it, scrolling it into view.
  void AppendToLastLine(const std::string& text);

 signals:
  // Enter or Return was pressed (with any modifier); the key did nothing to the text.
  void EnterPressed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // The text with LF between paragraphs.
  QString ParagraphText() const;
  // The position at the end of the last line.
  int LastLineEndPosition() const;
  // Puts the caret at the end of the last line and scrolls that line into view.
  void ShowCaretAtLastLineEnd();
  // While read-only: splits the last line on the screen off block, as a continuing block.
  void BreakIntoLines(const QTextBlock& block);
  // While read-only: appends paragraphs (LF between them) at the end, in pieces.
  void AppendInPieces(const QString& paragraphs);
  // Joins every continuing block to its paragraph, and breaks the last one again while read-only.
  void RewrapLines();

  qreal wrapWidth_ = -1;  // the width the lines were broken at
  bool editing_ = false;  // an insertion runs: a width change waits for its end
};

}  // namespace kelmo
