// The typewriter: a reply typed into the balloon one character per timer tick, each brace group
// that survived evaluation executed as a display command when typing reaches it.
//
// The reply shrinks as it is typed: an executed command is cut out, so the position always points
// at the next character still to handle. The balloon shows exactly the output lines joined by
// CR LF; appending to the last line is passed to the view as an append, so a long reply costs one
// small update per letter. While the controller fast-forwards (Enter during a reply) the lines are
// collected and shown once when it stops, so the rest of a long reply costs one update, not one per
// letter; before a command that reaches beyond the balloon runs, and when the reply ends, the
// balloon is brought up to date.
//
// The display commands themselves are in display_commands.cpp: those that act on the balloon
// (pauses, waits, literal text, backspace, clearing) work on the typewriter; the others are asked
// of the host, the chat controller.
#pragma once

#include <string>
#include <vector>

namespace kelmo {

class TChatView;

// What the display commands of a typed reply ask of the program around the balloon. Texts are
// Shift-JIS, as the character's data.
class TDisplayCommandHost {
 public:
  virtual ~TDisplayCommandHost() = default;

  // {PIC:file}: the shown picture, repainted. {SETDEFBITMAP:file}: the default picture, then the
  // shown one becomes a copy of it (not repainted).
  virtual void ShowPicture(const std::string& file) = 0;
  virtual void SetDefaultPicture(const std::string& file) = 0;
  // {QUITSYSTEM}: the reply ends where it is, and the window closes with the closing talk.
  virtual void QuitSystem() = 0;
  // {ICONIZE} shows or hides the window; {SHOWWINDOW} shows it and brings it to the front.
  virtual void ToggleWindow() = 0;
  virtual void ShowWindow() = 0;
  // {SKIP:word}: the reply to word replaces the reply being typed (Install).
  virtual void SkipTo(const std::string& word) = 0;
  // {SOUNDA:file} plays without waiting, {SOUNDS:file} waits for the end.
  virtual void PlaySound(const std::string& file, bool wait) = 0;
  // {SPEEDFAST}/{SPEEDSLOW} and {FONTBIG}/{FONTSMALL}: the typing interval and the balloon's
  // font size times numerator / denominator.
  virtual void ScaleSpeed(int numerator, int denominator) = 0;
  virtual void ScaleFont(int numerator, int denominator) = 0;
  // {TIMERseconds|word} arms (or re-arms) a timed talk; {CANCELTIMER} disarms it.
  virtual void ArmTimer(int seconds, const std::string& word) = 0;
  virtual void CancelTimer() = 0;
  // {CLEAR}: what the balloon shows goes to the conversation log before it is emptied.
  virtual void LogShownLines() = 0;
  // {CHANGECHARACTER}: the character selection; a choice installs the farewell.
  virtual void ChangeCharacter() = 0;
  // {READCHARACTER:path}: the switch; when it fails the old character's answer is installed.
  virtual void ReadCharacter(const std::string& path) = 0;
  // A brace group was consumed, as written (UTF-8, braces included); known is false for a group
  // that names no display command (it disappears).
  virtual void CommandExecuted(const std::string& written, bool known) = 0;
};

class TTypewriter {
 public:
  // The view shows the balloon; the host runs the commands beyond it. Both outlive the typewriter.
  TTypewriter(TChatView& view, TDisplayCommandHost& host) : view_(view), host_(host) {}

  TTypewriter(const TTypewriter&) = delete;
  TTypewriter& operator=(const TTypewriter&) = delete;

  // Makes text (wide, display commands still inside) the reply to type from its first character;
  // a pause or a wait left over at the end of the previous reply goes. The lines shown stay until
  // ClearLines.
  void Install(std::u16string text);

  // One timer tick: a pause counts down (with skipPause it is dropped), a wait holds, otherwise
  // one character is typed or one command executed. Returns true when the reply has been typed to
  // its end (also when it was empty); the balloon is then up to date.
  bool Step(bool skipPause = false);

  // While collecting, the lines change and the balloon waits; stopping shows what changed.
  void SetCollecting(bool collecting);

  // Enter during a wait: the wait ends and its mark disappears. False when there was no wait.
  bool EndWait();

  // Forgets the lines shown (a new state begins with an empty balloon of its own).
  void ClearLines();

  // The balloon text was replaced from outside: the next letter shows all the lines again.
  void BalloonReplaced() { balloonInSync_ = false; }

  bool WaitingForReturn() const { return waitingForReturn_; }
  // The reply still to type; plug-ins may change it before typing starts.
  std::u16string& Reply() { return reply_; }
  // Counts replies installed, so a caller sees a command replace the reply it was typing.
  int Generation() const { return generation_; }
  // The balloon's lines during a reply (Shift-JIS), and them joined, each followed by CR LF.
  const std::vector<std::string>& Lines() const { return lines_; }
  std::string Text() const;

 private:
  friend struct TDisplayCommands;  // the display command table (display_commands.cpp)

  void RunCommand();
  // Appends Shift-JIS text to the line being written; erases the last character shown.
  void Append(const std::string& text);
  void EraseLastChar();
  // Shows every line, unless a fast-forward is collecting them.
  void ShowLines();
  // Shows what was collected.
  void Flush();

  TChatView& view_;
  TDisplayCommandHost& host_;

  std::u16string reply_;            // the reply being typed, display commands still inside
  int generation_ = 0;              // replies installed
  std::vector<std::string> lines_;  // what the balloon shows (Shift-JIS)
  bool balloonInSync_ = false;      // the balloon shows exactly lines_
  bool collecting_ = false;         // lines change, the balloon waits
  bool pending_ = false;            // lines changed that the balloon does not show yet
  int lineIndex_ = 0;               // output line being written
  size_t position_ = 0;             // next character of reply_, 0-based
  int delayTicks_ = 0;              // ticks to wait before the next character
  bool waitingForReturn_ = false;   // typing halted until Enter
};

}  // namespace kelmo
