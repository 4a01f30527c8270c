// Tokens of the pattern language, the syntax-error exception and the token list.
//
// The scanner cuts a pattern into token records; the case-folding pass and standardization
// rewrite the list, and the parser reads it. A record says what the token is (its kind), which
// character codes it stands for (`Lo`..`Hi`) and which bytes of the pattern it came from.
// Kinds 20 and above are not tokens but syntax errors: `EbmREToken` carries the offending
// record with its kind replaced by the error, and the kind's name is the error message.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace kelmo {

class TbmREScanner;

// Token kinds (and, from 20 on, syntax errors), with the numbers stored in records.
enum class TbmRETokenKind : uint8_t {
  Char = 0,               // a literal character or a single-character bracket item
  CharClass = 1,          // a range item x-y of a bracket expression
  Union = 2,              // |
  LeftParen = 3,          // (
  RightParen = 4,         // )
  Asterisk = 5,           // *
  Plus = 6,               // +
  Question = 7,           // ?
  LeftBracket = 8,        // [
  NegateLeftBracket = 9,  // [^
  RightBracket = 10,      // ] closing a bracket expression
  Dot = 11,               // .
  LineHead = 12,          // ^
  LineTail = 13,          // $
  End = 14,               // end of the pattern, always the last token
  // 15 to 19 are reserved for logical operators this scanner never produces.
  NeedRightBracket = 20,  // the pattern ends inside a bracket expression
  InvalidCharClass = 21,  // a range item whose high end is below its low end
  InvalidEscape = 22,     // a backslash at the end, or \x without a hexadecimal digit
  InvalidChar = 23,       // tokens left over after a complete pattern
  NeedRightParen = 24,    // a group not closed
  NeedOperand = 25,       // a token that cannot begin an operand
  TooComplex = 26,        // nesting or automaton beyond the engine's limits
};

// Reserved character codes, below every character of the pattern language (0..0xFFFF).
inline constexpr int32_t kCodeEnd = -1;       // end of the text, end marker of a pattern
inline constexpr int32_t kCodeLineHead = -2;  // the line-head anchor
inline constexpr int32_t kCodeLineTail = -3;  // the line-tail anchor
inline constexpr int32_t kMaxCharCode = 0xFFFF;

// One token.
struct TbmRETokenRec {
  TbmRETokenKind Kind = TbmRETokenKind::Char;
  int32_t Lo = 0;     // lowest character code the token stands for
  int32_t Hi = 0;     // highest character code; equal to Lo for a single character
  int32_t Start = 0;  // byte offset in the pattern where the token begins
  int32_t End = 0;    // byte offset just after the token
};

// The name text of a token kind; for the error kinds it is the error message.
const char* TokenKindName(TbmRETokenKind kind);

// A syntax error of a pattern. The message is the name of the error kind, nothing more; the
// offending token (its Kind replaced by the error) locates the bytes through Start and End.
class EbmREToken : public std::runtime_error {
 public:
  // The error `error` on `token`.
  EbmREToken(TbmRETokenKind error, const TbmRETokenRec& token);

  const TbmRETokenRec& Token() const { return token_; }

 private:
  TbmRETokenRec token_;
};

// A list of token records.
class TbmRETokens {
 public:
  // Empties the list.
  void Clear() { records_.clear(); }

  // Replaces the list by the tokens of the scanner's pattern, up to and including the End token.
  // Throws EbmREToken on a syntax error, leaving the tokens read so far.
  void Tokenize(TbmREScanner& scanner);

  // Rewrites every negated bracket expression as the plain bracket expression of what it
  // matches: the codes 0..0xFFFF that are none of its items and neither LF nor CR, as one item
  // per maximal range (Start at the opening bracket, End at the closing one). A negated
  // expression that covers everything is left with no items. Throws std::runtime_error
  // "TbmRETokens.Standardize Internal Error(n)" on a list the scanner cannot produce: (1) empty,
  // (2) ending in a negated bracket, (3) ending inside one.
  void Standardize();

  void Add(const TbmRETokenRec& record) { records_.push_back(record); }
  int Count() const { return static_cast<int>(records_.size()); }
  const TbmRETokenRec& operator[](int index) const { return records_[index]; }
  auto begin() const { return records_.begin(); }
  auto end() const { return records_.end(); }

 private:
  std::vector<TbmRETokenRec> records_;
};

}  // namespace kelmo
