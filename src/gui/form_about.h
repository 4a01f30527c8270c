// The about dialog: a note about the program, or the current character's name, author and
// comment, toggled with one button; below the text a link to the program's home page or the
// character's own page, opened with the desktop's handler.
//
// The texts come ready from TAboutTexts; the dialog only shows the view it is in.
#pragma once

#include <QDialog>

#include "shell/about_texts.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kelmo {

class TFormAbout : public QDialog {
  Q_OBJECT

 public:
  // Shows the program view of texts (copied).
  explicit TFormAbout(const TAboutTexts& texts, QWidget* parent = nullptr);

  // Whether the character view is showing.
  bool ShowsCharacter() const { return showsCharacter_; }

 protected:
  // A click on the link opens it.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void ButtonChangeClick();
  void ButtonOKClick();

 private:
  void StaticURLClick();
  // Sets caption, toggle button, text and link of the view chosen by showsCharacter_.
  void ShowView();

  const TAboutTexts texts_;
  bool showsCharacter_ = false;
  QPlainTextEdit* memoTitle_;
  QLabel* staticURL_;
  QPushButton* buttonOK_;
  QPushButton* buttonChange_;
};

}  // namespace kelmo
