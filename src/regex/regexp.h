// The pattern engine's facade: one compiled pattern.
//
// A `TbmRExp` holds a pattern, its character code and options, and compiles them on demand into
// an automaton it keeps until one of them changes. Compilation runs the front half (scanner,
// optional case folding, standardization, parser and position sets) on objects that live only
// for that compilation, so patterns compile independently of each other. `Match` finds the
// leftmost-longest match and reports it as a 1-based byte position and a byte length.
//
// Callers construct, SetPattern, then Match(text, 1, position, length) and take a non-zero
// result as a match; a pattern with a syntax error raises EbmREToken, which callers catch and
// treat as a pattern that never matches. Compiling ahead is a Match on the empty text.
#pragma once

#include <cstdint>
#include <string>

#include "regex/automaton.h"
#include "regex/char_reader.h"
#include "regex/tokens.h"

namespace kelmo {

// Options of SetOption.
inline constexpr int bmreMetaChars = 0;   // metacharacters and escapes active (default on)
inline constexpr int bmreIgnoreCase = 1;  // ASCII letters match either case (default off)

// The abstract compiled pattern.
class TbmRExpABC {
 public:
  virtual ~TbmRExpABC() = default;

  // The character code of the pattern and of the texts.
  virtual uint8_t GetCharCode() const = 0;

  // The automaton of the current pattern, character code and options, compiled if needed.
  virtual const TbmREDFATable& Compile() = 0;
};

class TbmRExp : public TbmRExpABC {
 public:
  // An empty pattern in bmccDefaultCharCode, metacharacters on, case-sensitive, uncompiled.
  TbmRExp();

  uint8_t GetCharCode() const override { return charCode_; }

  // Sets the character code; a different one makes the pattern uncompiled.
  void SetCharCode(uint8_t charCode);

  // Sets the pattern (bytes in the character code); a different one makes it uncompiled.
  void SetPattern(const std::string& pattern);

  // Sets option bmreMetaChars or bmreIgnoreCase; other options are ignored. A changed value
  // makes the pattern uncompiled.
  void SetOption(int option, bool value);

  // Compiles if needed and returns the automaton. Throws EbmREToken on a syntax error or a
  // pattern beyond the engine's limits ("pattern too complex"), and std::runtime_error
  // "TbmREScanner.SetCharCode: can't create reader" for a character code without a reader; the
  // pattern then stays uncompiled, so every later call fails the same way until it changes.
  const TbmREDFATable& Compile() override;

  // Compiles if needed, then searches `text` from the 1-based byte position `start` for the
  // leftmost-longest match. Returns its 1-based byte position, also stored in `position`, and
  // stores its byte length in `length`; with no match (or a start below 1 or beyond the length
  // + 1) all three are 0. Throws as Compile.
  int Match(const std::string& text, int start, int& position, int& length);

  // Compiles if needed, then tells whether the pattern matches anywhere in text: Match from 1
  // giving a position, found faster by stopping at the first match seen. Throws as Compile.
  bool Found(const std::string& text);

 private:
  // The automaton of the current settings, built from scratch.
  TbmREDFATable Build() const;

  uint8_t charCode_;
  bool compiled_ = false;
  bool metaChars_ = true;
  bool ignoreCase_ = false;
  std::string pattern_;
  TbmREDFATable table_;
};

}  // namespace kelmo
