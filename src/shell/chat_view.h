// What the chat controller asks of a front end: the one small interface through which it drives a
// window, a terminal or a batch run, and the observer through which a front end may follow the
// replies as they are typed.
//
// The controller owns the conversation; a view only shows it. A view shows the balloon (the text
// the controller sets, the user's line it reads back), pictures, plays sounds, shows messages and
// runs the three modal dialogs over models that the controller prepares (the dialogs' logic lives
// in those models, not in the view). A view without windows (terminal, batch) may leave the
// operations that have a default here as they are.
//
// Encoding: every text crossing this interface is UTF-8; the controller converts to and from its
// Shift-JIS at this boundary, so characters outside code page 932 become 〓 once the controller
// takes them. Paths handed to the view are real file-system paths (UTF-8), already resolved.
//
// Threading: every call is made on the main thread; the modal calls (dialogs, ShowMessage, waiting
// sounds) may run the front end's event loop, during which the front end keeps calling the
// controller's TimerTimer (the controller guards itself against re-entry).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dictionary/entry_source.h"
#include "shell/chat_state.h"

namespace kelmo {

class TCharacterSelection;
struct TConfigDialogData;
struct TAboutTexts;

// The four pictures of the main window.
enum class TPictureSlot {
  Shown,             // the character picture shown now (PaintBitmap)
  Default,           // the character's default picture; never shown directly
  BalloonCharacter,  // balloon picture for the character's turn (every state but stUserInput)
  BalloonUser,       // balloon picture for the user's turn (stUserInput)
};

// The main window's top-left corner in screen pixels.
struct TWindowPosition {
  int Top = -1;
  int Left = -1;
};

class TChatView {
 public:
  virtual ~TChatView() = default;

  // --- The balloon -------------------------------------------------------------------------------

  // The balloon's whole text: what the user typed in stUserInput, or what the controller set.
  // Lines are separated by CR LF (a lone LF is accepted and read as a line break too).
  virtual std::string BalloonText() const = 0;

  // Replaces the balloon's text and puts the caret at the end of its last line. During a reply the
  // text is the balloon's lines, each followed by CR LF; the empty text empties the balloon.
  virtual void SetBalloonText(const std::string& text) = 0;

  // Inserts text at the end of the balloon's last line, before the CR LF that ends the whole text,
  // and puts the caret after it. Called only while the balloon holds what the controller set last,
  // ending in CR LF. Equivalent to SetBalloonText with text inserted; views that redraw cheaply by
  // appending override it (a long reply then costs one append per letter, not one redraw).
  virtual void AppendToLastLine(const std::string& text);

  // Whether the user may edit the balloon: false in stTyping and stReplyDone.
  virtual void SetBalloonReadOnly(bool readOnly) = 0;

  // The balloon's font (the stored name, which may not be installed) and its size in points.
  virtual void SetBalloonFont(const std::string& /*name*/, int /*pointSize*/) {}

  // The window's zoom in percent (kMinZoom to kMaxZoom of settings.h): the pictures, the balloon
  // and its font are shown that much larger or smaller, and the layout's measures with them.
  virtual void SetZoom(int /*percent*/) {}

  // --- Pictures and sound ------------------------------------------------------------------------

  // Empties the balloon pictures and the default picture; with useBuiltInBalloons, fills the two
  // balloon pictures from the program's built-in ones, colour-keyed with their bottom-left pixel.
  virtual void ResetPictures(bool /*useBuiltInBalloons*/) {}

  // The character's folder, where its own image decoders are looked for; called on each character
  // load before any of its pictures (the previous character's decoders go).
  virtual void SetCharacterFolder(const std::string& /*folder*/) {}

  // Decodes the existing file into the slot; with colourKey, every pixel of the bottom-left
  // pixel's colour takes the window background colour. Sizes the window after the shown picture.
  // Returns false when the file cannot be decoded (the slot keeps its previous picture); the
  // controller then logs it. The default accepts every file and shows nothing.
  virtual bool LoadPicture(TPictureSlot /*slot*/, const std::string& /*path*/, bool /*colourKey*/) {
    return true;
  }

  // The shown picture becomes a copy of the default picture (not repainted yet).
  virtual void ShowDefaultPicture() {}

  // Repaints the character picture and the balloon picture; the balloon picture follows the
  // controller's State().
  virtual void Repaint() {}

  // Plays the existing wave file; with wait, returns when it has played (never longer than its
  // length, at once without an output device). Failures are silent.
  virtual void PlaySound(const std::string& /*path*/, bool /*wait*/) {}

  // --- The window --------------------------------------------------------------------------------

  // Shows a plain message box and returns when the user has closed it.
  virtual void ShowMessage(const std::string& text) = 0;

  // Asks the user a yes/no question (UTF-8; a message box with Yes and No) and returns the
  // answer; nothing from a view that cannot ask (the controller then decides without).
  virtual std::optional<bool> AskYesNo(const std::string& /*question*/) { return std::nullopt; }

  // Whether the main window is shown. Hiding it hides the petting window too; showing it does not
  // show the petting window.
  virtual bool IsVisible() const { return true; }
  virtual void SetVisible(bool /*visible*/) {}

  // Makes the main window visible and brings it to the front.
  virtual void ShowAndActivate() {}

  // Keeps the main window above others (and a visible petting window above it); marking shows a
  // hidden window.
  virtual void SetStayOnTop(bool /*stayOnTop*/) {}

  // Places the window; a negative coordinate, or one beyond the screen, centres it on that axis.
  virtual void PlaceWindow(TWindowPosition /*position*/) {}

  // Where the window is now; empty for a view without a window (the stored position is then kept).
  virtual std::optional<TWindowPosition> WindowPosition() const { return std::nullopt; }

  // Shows the character on the desktop (without a window around it, its balloon beside it) or in
  // the window; the conversation goes on as it was. A view that cannot show it so stays as it is.
  virtual void SetDesktopMode(bool /*desktop*/) {}

  // Whether the character stands on the desktop now (the user may switch it); empty for a view
  // without a window (the stored choice is then kept).
  virtual std::optional<bool> DesktopMode() const { return std::nullopt; }

  // The window caption (also the application title) and the tray icon's tip (at most 62 bytes in
  // Shift-JIS; the controller checks).
  virtual void SetCaption(const std::string& /*caption*/) {}
  virtual void SetTrayTip(const std::string& /*tip*/) {}

  // The splash window shown while a character loads: shows it when needed and sets its status
  // line; CloseSplash removes it.
  virtual void SetSplashText(const std::string& /*text*/) {}
  virtual void CloseSplash() {}

  // The petting menu's labels after each character load (the action of label i is the
  // controller's NadenadeAction(i)); the petting window takes the main window's height then.
  virtual void SetPettingMenu(const std::vector<std::string>& /*labels*/) {}

  // --- Modal dialogs (the controller suspends the conversation around each) -------------------

  // The character selection over its model: the view lists Rows(), lets the user add a file
  // (AddFile, showing a returned message), delete rows (DeleteRow), confirm (Confirm, showing a
  // returned message and staying open) or cancel (Cancel). Returns true when a character was
  // chosen (SelectedPath()).
  virtual bool ShowCharacterSelection(TCharacterSelection& selection) = 0;

  // The settings dialog over data: returns true when confirmed with data valid (ValidateConfig),
  // data then holding the new values; false when cancelled (nothing changes). A view that cannot
  // ask (batch) returns false.
  virtual bool ShowSettingsDialog(TConfigDialogData& data) = 0;

  // The about dialog: the program view first, toggled with the character view.
  virtual void ShowAboutDialog(const TAboutTexts& texts) = 0;

  // --- Closing -----------------------------------------------------------------------------------

  // The main window closes: the front end leaves its event loop and calls the controller's
  // Shutdown. Called once, after the closing talk.
  virtual void Close() = 0;
};

// Follows the replies (default: nothing). The batch mode reports each typed reply from these.
class TChatObserver {
 public:
  virtual ~TChatObserver() = default;

  // A reply is about to be typed (for Close: shown in a message box). line is what was thought
  // about, reply what Think returned (the typed text may differ: plug-ins and, for timed talk and
  // the closing words, a second evaluation). Both UTF-8.
  virtual void ReplyStarted(TReplyEvent /*event*/, const std::string& /*line*/,
                            const std::string& /*reply*/) {}

  // The reply of the latest ReplyStarted was chosen from the dictionary entry written at source.
  // Called right after ReplyStarted, and only then: not for a reply no entry gave.
  virtual void ReplyCameFrom(const TEntrySource& /*source*/) {}

  // A brace group of the typed reply was consumed, as written (braces included; an unclosed group
  // lacks its "}"); known is false for a group that names no display command (it disappears).
  virtual void CommandExecuted(const std::string& /*written*/, bool /*known*/) {}

  // The reply ended or was interrupted (for Close: after the message box): the lines the balloon
  // showed at that moment (UTF-8, without line breaks).
  virtual void ReplyFinished(const std::vector<std::string>& /*shownLines*/) {}
};

}  // namespace kelmo
