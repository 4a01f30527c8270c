// The recognition table of the macro language. The first character of the normalised command
// selects a row; within a row the tests are made in a fixed order and the first that holds names
// the command. "Is" compares the whole command with a word, "StartsWith" its beginning, and the
// bar and length conditions guard forms that need them. The order matters where keywords share a
// beginning (ENDENTRUST before ENTRUST, IFTRUE before IFFALSE, SQRT: before SQR:) and where a
// keyword is a prefix of a word of another command (COUNT before the rest of row C). What each
// command computes lives with its family in the commands_*.cpp files.
#include "engine/macro_commands.h"

#include "engine/command_support.h"

namespace kelmo {
namespace {

std::u16string RowComparison(const TCommand& c, char16_t first) {
  if (c.Bar == 0) return {};
  const bool orEqual = c.At(2) == u'=';
  switch (first) {
    case u'!':
      return orEqual ? CompareNumbers(c, 3, TComparison::kNotEqual) : std::u16string();
    case u'=':
      return orEqual ? CompareNumbers(c, 3, TComparison::kEqual) : std::u16string();
    case u'<':
      return orEqual ? CompareNumbers(c, 3, TComparison::kLessOrEqual)
                     : CompareNumbers(c, 2, TComparison::kLess);
    case u'>':
      return orEqual ? CompareNumbers(c, 3, TComparison::kGreaterOrEqual)
                     : CompareNumbers(c, 2, TComparison::kGreater);
  }
  return {};
}

std::u16string RowOperator(const TCommand& c, char16_t first) {
  if (c.Bar == 0) return {};
  switch (first) {
    case u'+':
      return Arithmetic(c, 2, TArithmetic::kAdd);
    case u'-':
      return Arithmetic(c, 2, TArithmetic::kSubtract);
    case u'*':
      return Arithmetic(c, 2, TArithmetic::kMultiply);
    case u'/':
      return Arithmetic(c, 2, TArithmetic::kDivide);
    case u'^':
      return Arithmetic(c, 2, TArithmetic::kPower);
    case u'\\':
      return IntegerDivision(c);
    case u'%':
      return IntegerRemainder(c);
  }
  return {};
}

std::u16string RowA(const TCommand& c) {
  if (c.Bar > 0 && c.StartsWith(u"AND")) return CombineTruths(c, TLogic::kAnd);
  if (c.Is(u"ALLOWEXECUTE")) return AllowExecuteText(c);
  if (c.StartsWith(u"ABS:")) return MathFunction(c, 5, TFunction::kAbs);
  if (c.StartsWith(u"ARCCOS:")) return MathFunction(c, 8, TFunction::kArcCos);
  if (c.StartsWith(u"ARCSIN:")) return MathFunction(c, 8, TFunction::kArcSin);
  if (c.StartsWith(u"ARCTAN:")) return MathFunction(c, 8, TFunction::kArcTan);
  return {};
}

std::u16string RowB(const TCommand& c) {
  if (c.Is(u"BIRTHDAY")) return ProfileField(c, TProfileField::kBirthday);
  if (c.Is(u"BR")) return u"\r\n";
  return {};
}

std::u16string RowC(const TCommand& c) {
  if (c.Length() >= 7 && c.StartsWith(u"COUNT")) return CounterCommand(c);
  if (c.StartsWith(u"CHOICE")) return Choice(c);
  if (c.StartsWith(u"COS:")) return MathFunction(c, 5, TFunction::kCos);
  if (c.StartsWith(u"CEIL:")) return Rounding(c, 6, TRounding::kCeil);
  return {};
}

std::u16string RowD(const TCommand& c) {
  if (c.Is(u"DATE")) return DateField(c, TDateField::kDate);
  if (c.Is(u"DAY")) return DateField(c, TDateField::kDay);
  if (c.Bar > 0 && c.Length() != 8 && c.StartsWith(u"DATEDIFF")) return DateDiff(c);
  return {};
}

std::u16string RowE(const TCommand& c) {
  if (c.Bar > 0 && c.At(2) == u'Q') return CompareTexts(c, true);
  if (c.Is(u"ENDENTRUST")) return EndEntrust(c);
  if (c.Bar > 0 && c.StartsWith(u"ENTRUST")) return Entrust(c);
  if (c.StartsWith(u"EXP:")) return MathFunction(c, 5, TFunction::kExp);
  return {};
}

std::u16string RowF(const TCommand& c) {
  if (c.Length() >= 6 && c.StartsWith(u"FLAG")) return FlagCommand(c);
  if (c.StartsWith(u"FLOOR:")) return Rounding(c, 7, TRounding::kFloor);
  if (c.Is(u"FULLNAME")) return ProfileField(c, TProfileField::kFullName);
  return {};
}

std::u16string RowH(const TCommand& c) {
  if (c.Is(u"HOUR")) return DateField(c, TDateField::kHour);
  if (c.Is(u"HN")) return ProfileField(c, TProfileField::kHandleName);
  return {};
}

std::u16string RowI(const TCommand& c) {
  if (c.Bar == 0) return {};
  if (c.StartsWith(u"IFTRUE")) return IfTrue(c);
  if (c.StartsWith(u"IFFALSE")) return IfFalse(c);
  if (c.Length() >= 8 && c.StartsWith(u"ISSAME")) return IsSameDay(c);
  return {};
}

std::u16string RowL(const TCommand& c) {
  if (c.Bar > 0 && c.StartsWith(u"LIKE")) return TextLike(c);
  if (c.StartsWith(u"LENGTH:")) return TextLength(c);
  if (c.Bar > 0 && c.StartsWith(u"LEFT")) return TextLeft(c);
  if (c.Bar > 0 && c.StartsWith(u"LOG")) return Arithmetic(c, 4, TArithmetic::kLog);
  return {};
}

std::u16string RowM(const TCommand& c) {
  if (c.Length() >= 6 && c.StartsWith(u"MEMO")) return MemoCommand(c);
  if (c.Bar > 0) {
    if (c.StartsWith(u"MAX")) return Arithmetic(c, 4, TArithmetic::kMax);
    if (c.StartsWith(u"MIN")) return Arithmetic(c, 4, TArithmetic::kMin);
    if (c.StartsWith(u"MID")) return TextMid(c);
    return {};
  }
  if (c.Is(u"MONTH")) return DateField(c, TDateField::kMonth);
  if (c.Is(u"MINUTE")) return DateField(c, TDateField::kMinute);
  if (c.Is(u"MYOJI")) return ProfileField(c, TProfileField::kSurname);
  return {};
}

std::u16string RowN(const TCommand& c) {
  if (c.Is(u"NOW")) return DateField(c, TDateField::kNow);
  if (c.Is(u"NAMAE")) return ProfileField(c, TProfileField::kGivenName);
  if (c.Is(u"NICKNAME")) return ProfileField(c, TProfileField::kNickname);
  if (c.Is(u"NOT:TRUE")) return TruthText(false);
  if (c.Is(u"NOT:FALSE")) return TruthText(true);
  if (c.Bar > 0 && c.At(2) == u'E') return CompareTexts(c, false);
  return {};
}

std::u16string RowO(const TCommand& c) {
  if (c.Is(u"OPERATEMESSAGE")) return ProfileField(c, TProfileField::kOperateMessage);
  if (c.Bar > 0 && c.At(2) == u'R') return CombineTruths(c, TLogic::kOr);
  return {};
}

std::u16string RowP(const TCommand& c) {
  if (c.Bar > 0 && c.StartsWith(u"POS")) return TextPos(c);
  if (c.Is(u"PREV")) return ProfileField(c, TProfileField::kPrev);
  if (c.Is(u"PREVANSWER")) return ProfileField(c, TProfileField::kPrevAnswer);
  if (c.Is(u"PI")) return PiText();
  return {};
}

std::u16string RowR(const TCommand& c) {
  if (c.Length() >= 8 && c.StartsWith(u"RANDOM") && c.At(8) == u':') return RandomDraw(c);
  if (c.Bar > 0 && c.StartsWith(u"RIGHT")) return TextRight(c);
  if (c.StartsWith(u"ROUND:")) return Rounding(c, 7, TRounding::kRound);
  if (c.Is(u"RESULT")) return ReadResult(c);
  return {};
}

std::u16string RowS(const TCommand& c) {
  if (c.StartsWith(u"SCRIPTIZE:")) return Scriptize(c);
  if (c.StartsWith(u"SIN:")) return MathFunction(c, 5, TFunction::kSin);
  if (c.StartsWith(u"SQRT:")) return MathFunction(c, 6, TFunction::kSqrt);
  if (c.StartsWith(u"SQR:")) return MathFunction(c, 5, TFunction::kSqr);
  if (c.Is(u"SECOND")) return DateField(c, TDateField::kSecond);
  if (c.Is(u"SEX")) return ProfileField(c, TProfileField::kSex);
  if (c.StartsWith(u"SHELL:")) return ShellOpen(c);
  return {};
}

std::u16string RowT(const TCommand& c) {
  if (c.Is(u"TIME")) return DateField(c, TDateField::kTime);
  if (c.Is(u"TURN")) return ProfileField(c, TProfileField::kTurn);
  if (c.StartsWith(u"TRUNC:")) return Rounding(c, 7, TRounding::kTrunc);
  if (c.StartsWith(u"TAN:")) return MathFunction(c, 5, TFunction::kTan);
  return {};
}

std::u16string RowW(const TCommand& c) {
  if (c.Is(u"WORK")) return WorkMinutes(c);
  return {};
}

std::u16string RowX(const TCommand& c) {
  if (c.Bar > 0 && c.StartsWith(u"XOR")) return CombineTruths(c, TLogic::kXor);
  return {};
}

std::u16string RowY(const TCommand& c) {
  if (c.Is(u"YEAR")) return DateField(c, TDateField::kYear);
  if (c.Is(u"YOUBI")) return DateField(c, TDateField::kYoubi);
  return {};
}

}  // namespace

std::u16string ExecuteCommand(TCharacter& character, std::u16string_view raw,
                              std::u16string_view command, int bar, TDateTime now) {
  if (command.empty()) return {};
  const TCommand c{character, raw, command, bar, now};
  const char16_t first = command[0];
  switch (first) {
    case u'!':
    case u'<':
    case u'=':
    case u'>':
      return RowComparison(c, first);
    case u'%':
    case u'*':
    case u'+':
    case u'-':
    case u'/':
    case u'\\':
    case u'^':
      return RowOperator(c, first);
    case u'A':
      return RowA(c);
    case u'B':
      return RowB(c);
    case u'C':
      return RowC(c);
    case u'D':
      return RowD(c);
    case u'E':
      return RowE(c);
    case u'F':
      return RowF(c);
    case u'H':
      return RowH(c);
    case u'I':
      return RowI(c);
    case u'L':
      return RowL(c);
    case u'M':
      return RowM(c);
    case u'N':
      return RowN(c);
    case u'O':
      return RowO(c);
    case u'P':
      return RowP(c);
    case u'R':
      return RowR(c);
    case u'S':
      return RowS(c);
    case u'T':
      return RowT(c);
    case u'W':
      return RowW(c);
    case u'X':
      return RowX(c);
    case u'Y':
      return RowY(c);
  }
  return {};
}

}  // namespace kelmo
