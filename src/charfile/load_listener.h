// What the loaders of character data tell an author's tool about the lines they read.
//
// The program loads characters without a listener: a line a loader cannot use is passed over
// without a word, as characters have always been read. The linter hands a listener to the loaders
// and hears, for each file read, every line passed over and why, every entry with its line number,
// where an end marker stopped the reading, and every line whose characters changed on the way in
// (those of a UTF-8 file that Shift-JIS cannot hold). A listener only hears: nothing it does
// changes what is loaded, and a loader asks nothing of it.
//
// Line numbers count the lines of the file as it lies on disk, from 1, by the line rule (a
// scrambled file's header is its line 1).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelmo {

// Why a loader passed over a whole line.
enum class TIgnoredLine : uint8_t {
  TooFewFields,  // fewer fields than an entry needs (a blank line has none)
  UnpairedLine,  // the last line of a definition file of an odd number of lines: a key alone
};

// What the analysis a dictionary makes of a pattern at load says of its compilation.
enum class TPatternVerdict : uint8_t {
  Compiles,  // sure to compile: literal strings, or an automaton too small to reach the limits
  Broken,    // a syntax error: the pattern is never found
  Unproven,  // it parses; only compiling tells whether its automaton stays within the limits
};

class TLoadListener {
 public:
  virtual ~TLoadListener() = default;

  // A file begins to be read: path is its UTF-8 file-system path. The line numbers of the calls
  // that follow, up to the next FileStarted, are of this file.
  virtual void FileStarted(const std::string& /*path*/) {}

  // A file the character names (the data path the loader built, Shift-JIS) does not exist or lies
  // outside the character's root, so nothing was read from it.
  virtual void FileMissing(const std::string& /*dataPath*/) {}

  // Line lineNumber was passed over for reason; fields are the fields it was split into (Shift-JIS,
  // as written), empty for a line that is not split.
  virtual void LineIgnored(int /*lineNumber*/, TIgnoredLine /*reason*/,
                           const std::vector<std::string>& /*fields*/) {}

  // Line lineNumber gave an entry (a separator included): its fields as written (Shift-JIS), all
  // of them, also those beyond what the entry uses; for a kind that does not split its lines, the
  // whole line as the one field.
  virtual void EntryRead(int /*lineNumber*/, const std::vector<std::string>& /*fields*/) {}

  // The pattern of field `field` (0-based) of the entry on line lineNumber: its text after
  // load-time normalisation (Shift-JIS) and what the dictionary's analysis says of it. Heard after
  // the entry, once the file has been read; separators have none.
  virtual void PatternRead(int /*lineNumber*/, int /*field*/, const std::string& /*pattern*/,
                           TPatternVerdict /*verdict*/) {}

  // The end marker on line markerLine stopped the reading of the file. Of the lines after it,
  // linesWithText hold more than blanks; the first of them is line firstLineWithText (0 when
  // there is none).
  virtual void ReadingEnded(int /*markerLine*/, int /*firstLineWithText*/, int /*linesWithText*/) {}

  // Line lineNumber of a UTF-8 file held characters that code page 932 cannot hold (or bytes that
  // are no UTF-8); each became the geta mark 〓. characters lists them in order, UTF-8, an invalid
  // byte as U+FFFD.
  virtual void CharactersReplaced(int /*lineNumber*/, const std::string& /*characters*/) {}
};

// Tells listener that the end marker lines[markerIndex], which stands on line firstLineNumber +
// markerIndex of its file, stopped the reading of lines (ReadingEnded).
void TellReadingEnded(TLoadListener& listener, const std::vector<std::string>& lines,
                      size_t markerIndex, int firstLineNumber);

}  // namespace kelmo
