// Token translators: the run walk and ASCII case folding.
#include "regex/case_folding.h"

namespace kelmo {

namespace {

// Distance between an ASCII upper-case letter and its lower-case form.
constexpr int kCaseDistance = 'a' - 'A';

bool IsUpper(int code) {
  return code >= 'A' && code <= 'Z';
}
bool IsLower(int code) {
  return code >= 'a' && code <= 'z';
}

TbmRETokenRec Operator(TbmRETokenKind kind, const TbmRETokenRec& at) {
  return {kind, at.Lo, at.Hi, at.Start, at.End};
}

}  // namespace

void TbmREDicFrame::Translate(const TbmRETokens& source, TbmRETokens& destination) {
  destination.Clear();
  int runStart = -1;  // first token of the current run of literals, -1 outside a run
  bool inBracket = false;
  for (int index = 0; index < source.Count(); ++index) {
    const TbmRETokenKind kind = source[index].Kind;
    if (!inBracket && kind == TbmRETokenKind::Char) {
      if (runStart < 0) runStart = index;
      continue;
    }
    if (runStart >= 0) {
      TranslateRun(source, runStart, destination, index);
      runStart = -1;
    }
    if (kind == TbmRETokenKind::LeftBracket || kind == TbmRETokenKind::NegateLeftBracket) {
      inBracket = true;
    } else if (kind == TbmRETokenKind::RightBracket) {
      inBracket = false;
    }
    destination.Add(source[index]);
  }
  if (runStart >= 0) TranslateRun(source, runStart, destination, source.Count());
}

void TbmREDicFrame::TranslateRun(const TbmRETokens& source, int first, TbmRETokens& destination,
                                 int stop) {
  for (int index = first; index < stop; ++index) destination.Add(source[index]);
}

void TbmREAsciiIgnoreCaseDic::TranslateRun(const TbmRETokens& source, int first,
                                           TbmRETokens& destination, int stop) {
  for (int index = first; index < stop; ++index) {
    const TbmRETokenRec& letter = source[index];
    const int code = letter.Lo;
    if (!IsUpper(code) && !IsLower(code)) {
      destination.Add(letter);
      continue;
    }
    TbmRETokenRec other = letter;
    other.Lo = other.Hi = IsUpper(code) ? code + kCaseDistance : code - kCaseDistance;
    destination.Add(Operator(TbmRETokenKind::LeftParen, letter));
    destination.Add(letter);
    destination.Add(Operator(TbmRETokenKind::Union, letter));
    destination.Add(other);
    destination.Add(Operator(TbmRETokenKind::RightParen, letter));
  }
}

}  // namespace kelmo
