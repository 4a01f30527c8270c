// Internal to the macro commands: one closing group as the commands see it, the argument cutting
// and reading they share, and the commands of every family, which macro_commands.cpp recognises.
//
// Positions are 1-based and inclusive, as the command forms are written: for "LEFT3|Hello" the
// count is Text.Slice(5, Bar - 1) and the text Raw.SliceFrom(Bar + 1). Slices clamp to the text
// and are empty when they end before they start. Numbers, slot numbers and keywords are cut from
// the normalised text; texts whose letter case matters from the raw one at the same positions.
//
// A command that cannot complete raises ECommandFailed (or lets a file error through); the
// evaluator turns any exception into the empty result. A command yields nothing by returning the
// empty text.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "charfile/date_time.h"

namespace kelmo {

class TCharacter;

// A command that cannot complete: an unreadable number, integer, date or slot, a value outside a
// function's domain, an overflow.
class ECommandFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One closing group.
struct TCommand {
  TCharacter& Character;
  std::u16string_view Raw;   // the group's text as written
  std::u16string_view Text;  // its normalised form, of the same length
  int Bar;                   // position of the first "|" in Text, 0 when none
  TDateTime Now;             // the evaluation's current time

  int Length() const { return static_cast<int>(Text.size()); }

  // The character at a position of Text; 0 beyond its end.
  char16_t At(int position) const;

  bool Is(std::u16string_view word) const { return Text == word; }
  bool StartsWith(std::u16string_view word) const { return Text.starts_with(word); }

  // Text[first..last] and Text[first..].
  std::u16string_view Slice(int first, int last) const;
  std::u16string_view SliceFrom(int first) const;

  // Raw[first..last] and Raw[first..].
  std::u16string_view RawSlice(int first, int last) const;
  std::u16string_view RawSliceFrom(int first) const;

  // The left operand of a two-operand command whose keyword ends before first: Text[first..Bar-1].
  std::u16string_view Left(int first) const { return Slice(first, Bar - 1); }

  // The right operand: Text[Bar+1..].
  std::u16string_view Right() const { return SliceFrom(Bar + 1); }
};

// Reading arguments; each raises ECommandFailed when the text is not what it reads.
long double ReadNumber(std::u16string_view text);
int32_t ReadInteger(std::u16string_view text);
TDateTime ReadDate(std::u16string_view text);
// A slot number of MEMO, COUNT and FLAG: an integer from 0 to 99.
int ReadSlot(std::u16string_view text);

// Results.
std::u16string TruthText(bool value);          // "True" or "False"
std::u16string NumberText(long double value);  // the 15-digit form; raises for INF and NaN
std::u16string IntegerText(int64_t value);
std::u16string AsciiText(std::string_view text);

// The value when finite; raises ECommandFailed for an overflow or an undefined result.
long double Finite(long double value);

// Shift-JIS to wide text and back: the stored texts of the character are Shift-JIS.
std::u16string Wide(std::string_view text);
std::string Narrow(std::u16string_view text);

// The commands of each family. Every one takes the recognised group and returns its result (the
// empty text: nothing), raising ECommandFailed where its arguments do not read. The form each
// serves is named with its argument positions; x and y are numbers, k integers, t texts.

// Comparisons and logic (commands_logic.cpp).
enum class TComparison { kEqual, kNotEqual, kLess, kLessOrEqual, kGreater, kGreaterOrEqual };
// ==x|y, !=x|y, <x|y, <=x|y, >x|y, >=x|y: x = Text[leftStart..Bar-1], y = the right operand.
std::u16string CompareNumbers(const TCommand& command, int leftStart, TComparison comparison);
// EQt|t and NEt|t: the normalised texts Text[3..Bar-1] and the right operand compared.
std::u16string CompareTexts(const TCommand& command, bool wantEqual);
enum class TLogic { kAnd, kOr, kXor };
// ANDc|c, ORc|c, XORc|c: four characters after the keyword and after the bar tested for "TRUE".
std::u16string CombineTruths(const TCommand& command, TLogic logic);
// IFTRUEt|...: the raw true branch Raw[7..Bar-1]; IF...|t: the raw false branch Raw[Bar+1..].
std::u16string IfTrue(const TCommand& command);
std::u16string IfFalse(const TCommand& command);

// Arithmetic and mathematical functions (commands_arithmetic.cpp).
enum class TArithmetic { kAdd, kSubtract, kMultiply, kDivide, kPower, kMax, kMin, kLog };
// +x|y, -x|y, *x|y, /x|y, ^x|y (leftStart 2), MAXx|y, MINx|y, LOGb|x (leftStart 4): the number
// text of the result; a division by zero, a domain error or an overflow fails.
std::u16string Arithmetic(const TCommand& command, int leftStart, TArithmetic operation);
// \k|k and %k|k: the integer quotient (truncated) and remainder (sign of the dividend).
std::u16string IntegerDivision(const TCommand& command);
std::u16string IntegerRemainder(const TCommand& command);
enum class TFunction { kAbs, kSqr, kSqrt, kExp, kSin, kCos, kTan, kArcSin, kArcCos, kArcTan };
// ABS:x, SQR:x, ... ARCTAN:x with x = Text[argumentStart..]: the number text of the function.
std::u16string MathFunction(const TCommand& command, int argumentStart, TFunction function);
enum class TRounding { kCeil, kFloor, kTrunc, kRound };
// CEIL:x, FLOOR:x (32-bit results), TRUNC:x, ROUND:x (64-bit): the integer text.
std::u16string Rounding(const TCommand& command, int argumentStart, TRounding rounding);
// PI: the number text of pi.
std::u16string PiText();

// Texts (commands_text.cpp).
// LENGTH:t: the number of characters of Text[8..].
std::u16string TextLength(const TCommand& command);
// LEFTk|t and RIGHTk|t: the first or last k characters of the raw text after the bar.
std::u16string TextLeft(const TCommand& command);
std::u16string TextRight(const TCommand& command);
// MIDs|t and MIDs|k|t, fields of Raw[4..]: t from character s, to its end or k characters.
std::u16string TextMid(const TCommand& command);
// POSs|t: the position of the first s in t (both normalised), 0 when absent or s is empty.
std::u16string TextPos(const TCommand& command);
// LIKEt|p: whether the pattern p (with the digit shorthand) matches in t; "False" for a broken p.
std::u16string TextLike(const TCommand& command);
// SCRIPTIZE:t: the raw t with "[" and "]" turned into "{" and "}".
std::u16string Scriptize(const TCommand& command);

// Dates and times (commands_date.cpp).
enum class TDateField { kNow, kDate, kTime, kYear, kMonth, kDay, kHour, kMinute, kSecond, kYoubi };
// NOW, DATE, TIME, YEAR, MONTH, DAY, HOUR, MINUTE, SECOND, YOUBI: the field of the current time.
std::u16string DateField(const TCommand& command, TDateField field);
// WORK: the minutes field of the time since the character was loaded.
std::u16string WorkMinutes(const TCommand& command);
// DATEDIFFud|d: the difference of the two dates in whole units (D, H, N, S), truncated.
std::u16string DateDiff(const TCommand& command);
// ISSAMEDd|d: whether the two dates share month and day.
std::u16string IsSameDay(const TCommand& command);

// The user's profile, the conversation memory and the slots (commands_memory.cpp).
enum class TProfileField {
  kSurname,
  kGivenName,
  kFullName,
  kHandleName,
  kNickname,
  kSex,
  kBirthday,
  kPrev,
  kPrevAnswer,
  kOperateMessage,
  kTurn
};
// MYOJI, NAMAE, FULLNAME, HN, NICKNAME, SEX, BIRTHDAY, PREV, PREVANSWER, OPERATEMESSAGE, TURN.
std::u16string ProfileField(const TCommand& command, TProfileField field);
// MEMOnn, COUNTnn and FLAGnn in all their forms; reading forms give the slot, changing forms
// change it and give nothing.
std::u16string MemoCommand(const TCommand& command);
std::u16string CounterCommand(const TCommand& command);
std::u16string FlagCommand(const TCommand& command);

// Random choices (commands_random.cpp).
// CHOICEt|t|...: one of the raw options after the keyword, drawn uniformly.
std::u16string Choice(const TCommand& command);
// RANDOMB:k and RANDOMV:k.
std::u16string RandomDraw(const TCommand& command);

// External programs (commands_external.cpp).
// ALLOWEXECUTE: whether external programs are allowed.
std::u16string AllowExecuteText(const TCommand& command);
// ENTRUSTprogram|arguments: "True" when the program started in the character folder.
std::u16string Entrust(const TCommand& command);
// ENDENTRUST: whether the watched program has ended since the last asking.
std::u16string EndEntrust(const TCommand& command);
// RESULT: the first line of the answer file, which is deleted.
std::u16string ReadResult(const TCommand& command);
// SHELL:path: "True" when the document was opened.
std::u16string ShellOpen(const TCommand& command);

}  // namespace kelmo
