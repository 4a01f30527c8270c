// The balloon (`RichBalloon`): a frameless, see-through rich-text edit lying on the balloon
// picture, in which the user types a line and the character's reply is typed out.
//
// Enter never reaches the edit: it is reported (EnterPressed) for the controller, which decides
// what it means in the current state. Text crosses to the controller as UTF-8 with CR LF line
// breaks; inside, each line is a paragraph. A reply grows by AppendToLastLine, which inserts at the
// end of the last line without touching the rest of the document, so a letter costs the layout of
// one paragraph rather than of the whole text. The edit's own context menu is given up: a
// right-click goes on to the window, which opens its popup menu.
#pragma once

#include <QTextEdit>
#include <string>

namespace kelmo {

class TBalloonEdit : public QTextEdit {
  Q_OBJECT

 public:
  explicit TBalloonEdit(QWidget* parent = nullptr);

  // The whole text, lines separated by CR LF (the last line has none unless the text ends with an
  // empty line).
  std::string Text() const;

  // Replaces the text (CR LF, lone CR and lone LF all break lines) and puts the caret at the end
  // of the last line: before the final line break when the text ends with one.
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

 private:
  // A cursor at the end of the last line.
  QTextCursor LastLineEnd() const;
};

}  // namespace kelmo
