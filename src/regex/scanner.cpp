// The scanner: tokens outside and inside bracket expressions.
#include "regex/scanner.h"

#include <algorithm>
#include <stdexcept>

namespace kelmo {

namespace {

// The bracket counter once the first item is read: a `]` closes only above it.
constexpr int kFirstItemCount = 2;

}  // namespace

TbmREScanner::TbmREScanner()
    : charCode_(bmccDefaultCharCode), reader_(CreateReader(bmccDefaultCharCode)) {}

void TbmREScanner::SetCharCode(uint8_t charCode) {
  if (charCode == charCode_ && reader_) return;
  std::unique_ptr<TbmWchReader> reader = CreateReader(charCode);
  if (!reader) throw std::runtime_error("TbmREScanner.SetCharCode: can't create reader");
  reader_ = std::move(reader);
  charCode_ = charCode;
}

void TbmREScanner::SetText(const std::string& pattern) {
  if (!reader_) throw std::runtime_error("TbmREScanner.SetCharCode: can't create reader");
  reader_->SetText(pattern);
  patternLength_ = static_cast<int>(pattern.size());
  bracketCount_ = 0;
}

int TbmREScanner::Position() const {
  return std::min(reader_->GetPos(), patternLength_);
}

int TbmREScanner::ReadEscapeOrRaise(TbmRETokenRec& record) {
  const int value = reader_->ReadEscape();
  if (value == kEndOfText) {
    record.End = Position();
    throw EbmREToken(TbmRETokenKind::InvalidEscape, record);
  }
  return value;
}

void TbmREScanner::NextToken(TbmRETokenRec& record) {
  record.Start = Position();
  int character = reader_->ReadChar();
  record = {TbmRETokenKind::Char, character, character, record.Start, Position()};
  if (bracketCount_ > 0) {
    ReadBracketItem(record, character);
    return;
  }
  if (character == kEndOfText) {
    record.Kind = TbmRETokenKind::End;
    return;
  }
  if (!RegExpMode) return;
  switch (character) {
    case '\\':
      character = ReadEscapeOrRaise(record);
      record.Lo = record.Hi = character;
      record.End = Position();
      return;
    case '|':
      record.Kind = TbmRETokenKind::Union;
      return;
    case '(':
      record.Kind = TbmRETokenKind::LeftParen;
      return;
    case ')':
      record.Kind = TbmRETokenKind::RightParen;
      return;
    case '*':
      record.Kind = TbmRETokenKind::Asterisk;
      return;
    case '+':
      record.Kind = TbmRETokenKind::Plus;
      return;
    case '?':
      record.Kind = TbmRETokenKind::Question;
      return;
    case '.':
      record.Kind = TbmRETokenKind::Dot;
      return;
    case '^':
      record.Kind = TbmRETokenKind::LineHead;
      return;
    case '$':
      record.Kind = TbmRETokenKind::LineTail;
      return;
    case '[':
      bracketCount_ = 1;
      if (reader_->ReadChar() == '^') {
        record.Kind = TbmRETokenKind::NegateLeftBracket;
        record.End = Position();
      } else {
        reader_->UnreadChar();
        record.Kind = TbmRETokenKind::LeftBracket;
      }
      return;
  }
}

void TbmREScanner::ReadBracketItem(TbmRETokenRec& record, int character) {
  ++bracketCount_;
  if (character == kEndOfText) throw EbmREToken(TbmRETokenKind::NeedRightBracket, record);
  if (character == ']' && bracketCount_ > kFirstItemCount) {
    record.Kind = TbmRETokenKind::RightBracket;
    bracketCount_ = 0;
    return;
  }
  if (character == '\\') {
    character = ReadEscapeOrRaise(record);
    record.Lo = record.Hi = character;
  }
  if (reader_->ReadChar() != '-') {
    reader_->UnreadChar();
    record.End = Position();
    return;
  }
  int high = reader_->ReadChar();
  if (high == ']' || high == kEndOfText) {
    // A `-` before the closing bracket (or the end) is an item of its own.
    reader_->UnreadChar();
    reader_->UnreadChar();
    record.End = Position();
    return;
  }
  if (high == '\\') high = ReadEscapeOrRaise(record);
  record.Kind = TbmRETokenKind::CharClass;
  record.Hi = high;
  record.End = Position();
  if (high < character) throw EbmREToken(TbmRETokenKind::InvalidCharClass, record);
}

}  // namespace kelmo
