// The balloon drawn on a terminal: the lines of one reply, printed below the conversation so far,
// the first one after the speaker's name and the others indented beneath it.
//
// The controller re-sends the balloon's whole text on every change, but a terminal is a stream:
// this class remembers the lines it has printed for the current reply (a "block") and prints only
// what is new. Growth is appended; an erase (the backspace command, Enter removing a wait mark)
// moves the cursor back to the start of the first changed line, clears to the end of the screen
// and prints that line again; any other change (CLEAR emptying the balloon) starts a new block
// below, so the conversation above stays readable. To move back, it simulates how the terminal
// wraps each line, double-width letters included (a letter that does not fit in the last column
// goes to the next row whole). When the line to go back to has scrolled off the screen, an erasure
// starts a new block. Without cursor control (output that is no terminal, such as a pipe) nothing
// printed is taken back: an erasure prints nothing, and the growth after it prints only its new
// letters, so a wait mark stays in the output and the balloon is never printed twice.
//
// Text from a reply may hold control characters; they are shown as "?" so that a character's
// data can never drive the terminal.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace kelmo {

// Columns a Unicode code point takes on a terminal: 0 for combining marks, 2 for wide (East
// Asian) letters, 1 otherwise. Uses the C library's table when the locale knows the letter.
int CharWidth(char32_t codePoint);

// Columns the UTF-8 text takes on one row (invalid bytes count as one column each).
int DisplayWidth(std::string_view utf8);

// The UTF-8 text with every control character (C0, DEL, C1) and every invalid byte replaced by
// "?".
std::string SanitizeForTerminal(std::string_view utf8);

class TTerminalBalloon {
 public:
  // Writes to out. With cursorControl, erasing uses ANSI cursor movement; without it, erasures
  // print nothing.
  TTerminalBalloon(std::ostream& out, bool cursorControl);

  // The terminal's size, for wrapping; defaults 80 x 24. Values below 1 are ignored.
  void SetSize(int columns, int rows);

  // The speaker's name printed before each block's first line (as "name: ").
  void SetSpeaker(std::string_view name);

  // Shows lines (UTF-8, without line breaks) as the balloon's content, printing only what
  // differs from what the current block shows; the first call after End starts a new block.
  void Show(std::vector<std::string> lines);

  // Appends text (UTF-8, no line breaks) to the block's last line; starts a block when none is
  // open.
  void Append(std::string_view text);

  // Ends the current block with a line break; the next Show starts a new one. Nothing when no
  // block is open.
  void End();

  // Forgets the current block without printing: the cursor is no longer known to be at its end.
  void Forget();

  bool BlockOpen() const { return open_; }

 private:
  // Where the terminal's cursor ends after printing text from column 0.
  struct TRowsAndColumn {
    int Rows = 1;    // rows the text occupies
    int Column = 0;  // cursor column after it; may equal the width (pending wrap)
  };
  TRowsAndColumn Measure(std::string_view text) const;
  // What precedes line index on the screen: the speaker label or the indentation.
  std::string Prefix(size_t index) const;
  int PrefixWidth() const;
  void StartBlock(std::vector<std::string> lines);
  // Moves the cursor back to the start of line index and prints the lines from there; false when
  // that line can no longer be reached.
  bool RedrawFrom(size_t index, std::vector<std::string> lines);

  std::ostream& out_;
  bool cursorControl_;
  int columns_ = 80;
  int rows_ = 24;
  std::string speaker_;
  std::vector<std::string> lines_;
  bool open_ = false;
};

}  // namespace kelmo
