// Comparisons and logic. Numeric comparisons read both operands as numbers; EQ and NE compare the
// normalised texts. The logical commands look at exactly four characters of each operand, so
// anything that begins with "true" in any letter case counts as true. IF takes its branch from
// the raw text: the true branch ends at the first bar, the false branch is all after it.
#include "engine/command_support.h"

namespace kelmo {
namespace {

// What the logical commands compare their four-character slices with.
constexpr std::u16string_view kTrueWord = u"TRUE";

// The length of the keyword "IFTRUE": the true branch starts right after it.
constexpr int kIfTrueLength = 6;

}  // namespace

std::u16string CompareNumbers(const TCommand& command, int leftStart, TComparison comparison) {
  const long double x = ReadNumber(command.Left(leftStart));
  const long double y = ReadNumber(command.Right());
  switch (comparison) {
    case TComparison::kEqual:
      return TruthText(x == y);
    case TComparison::kNotEqual:
      return TruthText(x != y);
    case TComparison::kLess:
      return TruthText(x < y);
    case TComparison::kLessOrEqual:
      return TruthText(x <= y);
    case TComparison::kGreater:
      return TruthText(x > y);
    case TComparison::kGreaterOrEqual:
      return TruthText(x >= y);
  }
  return {};
}

std::u16string CompareTexts(const TCommand& command, bool wantEqual) {
  return TruthText((command.Left(3) == command.Right()) == wantEqual);
}

std::u16string CombineTruths(const TCommand& command, TLogic logic) {
  const int leftStart = logic == TLogic::kOr ? 3 : 4;
  const bool left = command.Slice(leftStart, leftStart + 3) == kTrueWord;
  const bool right = command.Slice(command.Bar + 1, command.Bar + 4) == kTrueWord;
  switch (logic) {
    case TLogic::kAnd:
      return TruthText(left && right);
    case TLogic::kOr:
      return TruthText(left || right);
    case TLogic::kXor:
      return TruthText(left != right);
  }
  return {};
}

std::u16string IfTrue(const TCommand& command) {
  return std::u16string(command.RawSlice(kIfTrueLength + 1, command.Bar - 1));
}

std::u16string IfFalse(const TCommand& command) {
  return std::u16string(command.RawSliceFrom(command.Bar + 1));
}

}  // namespace kelmo
