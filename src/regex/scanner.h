// The scanner: cuts a pattern into tokens.
//
// It reads the pattern through a character reader, so every character, single- or double-byte,
// arrives as one code. Outside brackets a metacharacter becomes its operator token and anything
// else a literal; a backslash escape is resolved by the reader. Inside a bracket expression a
// counter tracks the items read, because a `]` is literal as the first item and closes the
// expression afterwards, and `-` forms a range only between two items.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "regex/char_reader.h"
#include "regex/tokens.h"

namespace kelmo {

class TbmREScanner {
 public:
  // A scanner for patterns in bmccDefaultCharCode.
  TbmREScanner();

  // Switches to patterns in `charCode`. Throws std::runtime_error
  // "TbmREScanner.SetCharCode: can't create reader" if the code has no reader.
  void SetCharCode(uint8_t charCode);

  // Attaches `pattern` (kept by the scanner) and leaves any bracket expression.
  void SetText(const std::string& pattern);

  // Fills `record` with the next token; the End token is repeated at the end of the pattern.
  // Throws EbmREToken for "need right bracket", "invalid character class" and "invalid escape
  // sequence".
  void NextToken(TbmRETokenRec& record);

  // True: metacharacters and escapes are active; false: every character is a literal.
  bool RegExpMode = true;

 private:
  // Reads a bracket item whose first character `character` is already in `record`.
  void ReadBracketItem(TbmRETokenRec& record, int character);

  // Reads an escape after a backslash; raises "invalid escape sequence" on `record` for -1.
  int ReadEscapeOrRaise(TbmRETokenRec& record);

  // The read position, at most the end of the pattern.
  int Position() const;

  uint8_t charCode_;
  std::unique_ptr<TbmWchReader> reader_;
  int patternLength_ = 0;
  int bracketCount_ = 0;  // 0 outside brackets, else 1 + the items read
};

}  // namespace kelmo
