// The chat controller's view on a terminal. The balloon is the terminal itself: each reply is
// printed below the conversation, letter by letter as the controller types it, after the
// character's name; the user's line is the one edited at the prompt. Pictures, sounds and the
// window's placement have no terminal counterpart and are ignored. Message boxes are printed;
// the three dialogs run as line-based prompts (character_chooser.h, profile_questions.h, and the
// about texts printed whole).
//
// The view also follows the replies (TChatObserver), only to show the closing words, which the
// controller hands over as a message box, as the character's last balloon.
//
// Whether a balloon text is the reply or the user's line follows the balloon's read-only switch,
// which the controller sets by state: read-only text (stTyping, stReplyDone) is drawn, editable
// text (stUserInput, stIdle) is the user's line and is not echoed (the line editor shows it).
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "shell/chat_view.h"
#include "tty/terminal_balloon.h"

namespace kelmo {

class TLineInput;

class TTerminalView : public TChatView, public TChatObserver {
 public:
  // Prints to out and asks input for the dialogs' answers and the edited line. With
  // cursorControl, erasures in the balloon move the cursor (out is a terminal).
  TTerminalView(std::ostream& out, TLineInput& input, bool cursorControl);

  // The terminal's size in columns and rows.
  void SetSize(int columns, int rows) { balloon_.SetSize(columns, rows); }

  // Called before anything is printed, so that the front end can take the prompt away.
  void SetBeforeOutput(std::function<void()> hook) { beforeOutput_ = std::move(hook); }

  // The line the user entered at the prompt; the controller reads it as the balloon's text.
  void SetUserLine(std::string line) {
    userLine_ = std::move(line);
    userLineSet_ = false;
  }

  // The screen changed behind the view's back (the program was suspended): the reply being shown
  // is printed again in a new block with its next change.
  void ScreenChanged() { balloon_.Forget(); }

  // Prints a line of the front end's own (help, lists), below the balloon.
  void Print(std::string_view text);

  // The character's name, from the caption; empty before the first load.
  const std::string& CharacterName() const { return characterName_; }
  // Whether the controller closed the view (the front end then leaves its loop).
  bool Closed() const { return closed_; }

  // TChatView.
  std::string BalloonText() const override;
  void SetBalloonText(const std::string& text) override;
  void AppendToLastLine(const std::string& text) override;
  void SetBalloonReadOnly(bool readOnly) override { readOnly_ = readOnly; }
  void ShowMessage(const std::string& text) override;
  void SetCaption(const std::string& caption) override;
  bool ShowCharacterSelection(TCharacterSelection& selection) override;
  bool ShowSettingsDialog(TConfigDialogData& data) override;
  void ShowAboutDialog(const TAboutTexts& texts) override;
  void Close() override { closed_ = true; }

  // TChatObserver.
  void ReplyStarted(TReplyEvent event, const std::string& line, const std::string& reply) override;
  void ReplyFinished(const std::vector<std::string>& shownLines) override;

 private:
  // Ends the balloon's block and lets the front end clear the prompt before other output.
  void PrepareOutput();

  std::ostream& out_;
  TLineInput& input_;
  TTerminalBalloon balloon_;
  std::function<void()> beforeOutput_;
  bool readOnly_ = false;
  std::string balloonText_;  // the reply's balloon text as the controller set it
  std::string userLine_;     // the user's line once entered
  bool userLineSet_ = false;  // the controller put userLine_ into the balloon while it was edited
  std::string characterName_;
  bool closed_ = false;
  bool closingWords_ = false;  // the next message box holds the closing words
};

}  // namespace kelmo
