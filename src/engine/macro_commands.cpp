// The recognition table of the macro language, and the dispatch to the command families.
//
// The first character of the normalised command selects a row of forms; within a row the forms
// are tried in order and the first that holds names the command. A form is a whole word or a
// beginning (where "?" stands for any character, so "COUNT??" is COUNT followed by at least two
// characters), and may need a bar. The order matters where keywords share a beginning (ENDENTRUST
// before ENTRUST, IFTRUE before IFFALSE, SQRT: before SQR:) and where a keyword is a prefix of a
// word of another command (COUNT before the rest of row C). What each command computes lives with
// its family in the commands_*.cpp files.
#include "engine/macro_commands.h"

#include <array>
#include <utility>

#include "engine/command_support.h"

namespace kelmo {
namespace {

struct TCommandForm {
  std::u16string_view Word;  // the row is its first character
  bool Whole;                // the command is Word, rather than beginning with it
  bool NeedsBar;             // holds only when the command has a "|"
  TCommandId Id;
};

using enum TCommandId;

// Abbreviations of the table below.
constexpr bool kWhole = true;
constexpr bool kStart = false;
constexpr bool kBar = true;
constexpr bool kAny = false;

constexpr TCommandForm kForms[] = {
    {u"!=", kStart, kBar, kNotEqualNumbers},
    {u"%", kStart, kBar, kRemainder},
    {u"*", kStart, kBar, kMultiply},
    {u"+", kStart, kBar, kAdd},
    {u"-", kStart, kBar, kSubtract},
    {u"/", kStart, kBar, kDivide},
    {u"<=", kStart, kBar, kLessOrEqual},
    {u"<", kStart, kBar, kLess},
    {u"==", kStart, kBar, kEqualNumbers},
    {u">=", kStart, kBar, kGreaterOrEqual},
    {u">", kStart, kBar, kGreater},
    {u"\\", kStart, kBar, kIntegerDivision},
    {u"^", kStart, kBar, kPower},
    {u"AND", kStart, kBar, kAnd},
    {u"ALLOWEXECUTE", kWhole, kAny, kAllowExecute},
    {u"ABS:", kStart, kAny, kAbs},
    {u"ARCCOS:", kStart, kAny, kArcCos},
    {u"ARCSIN:", kStart, kAny, kArcSin},
    {u"ARCTAN:", kStart, kAny, kArcTan},
    {u"BIRTHDAY", kWhole, kAny, kBirthday},
    {u"BR", kWhole, kAny, kBreak},
    {u"COUNT??", kStart, kAny, kCount},
    {u"CHOICE", kStart, kAny, kChoice},
    {u"COS:", kStart, kAny, kCos},
    {u"CEIL:", kStart, kAny, kCeil},
    {u"DATE", kWhole, kAny, kDate},
    {u"DAY", kWhole, kAny, kDay},
    // With a bar after the eight letters the command is never just "DATEDIFF".
    {u"DATEDIFF", kStart, kBar, kDateDiff},
    {u"EQ", kStart, kBar, kEqualTexts},
    {u"ENDENTRUST", kWhole, kAny, kEndEntrust},
    {u"ENTRUST", kStart, kBar, kEntrust},
    {u"EXP:", kStart, kAny, kExp},
    {u"FLAG??", kStart, kAny, kFlag},
    {u"FLOOR:", kStart, kAny, kFloor},
    {u"FULLNAME", kWhole, kAny, kFullName},
    {u"HOUR", kWhole, kAny, kHour},
    {u"HN", kWhole, kAny, kHandleName},
    {u"IFTRUE", kStart, kBar, kIfTrue},
    {u"IFFALSE", kStart, kBar, kIfFalse},
    {u"ISSAME??", kStart, kBar, kIsSame},
    {u"LIKE", kStart, kBar, kLike},
    {u"LENGTH:", kStart, kAny, kLength},
    {u"LEFT", kStart, kBar, kLeft},
    {u"LOG", kStart, kBar, kLog},
    {u"MEMO??", kStart, kAny, kMemo},
    {u"MAX", kStart, kBar, kMax},
    {u"MIN", kStart, kBar, kMin},
    {u"MID", kStart, kBar, kMid},
    {u"MONTH", kWhole, kAny, kMonth},
    {u"MINUTE", kWhole, kAny, kMinute},
    {u"MYOJI", kWhole, kAny, kMyoji},
    {u"NOW", kWhole, kAny, kNow},
    {u"NAMAE", kWhole, kAny, kNamae},
    {u"NICKNAME", kWhole, kAny, kNickname},
    {u"NOT:TRUE", kWhole, kAny, kNotTrue},
    {u"NOT:FALSE", kWhole, kAny, kNotFalse},
    {u"NE", kStart, kBar, kNotEqualTexts},
    {u"OPERATEMESSAGE", kWhole, kAny, kOperateMessage},
    {u"OR", kStart, kBar, kOr},
    {u"POS", kStart, kBar, kPos},
    {u"PREV", kWhole, kAny, kPrev},
    {u"PREVANSWER", kWhole, kAny, kPrevAnswer},
    {u"PI", kWhole, kAny, kPi},
    {u"RANDOM?:", kStart, kAny, kRandom},
    {u"RIGHT", kStart, kBar, kRight},
    {u"ROUND:", kStart, kAny, kRound},
    {u"RESULT", kWhole, kAny, kResult},
    {u"SCRIPTIZE:", kStart, kAny, kScriptize},
    {u"SIN:", kStart, kAny, kSin},
    {u"SQRT:", kStart, kAny, kSqrt},
    {u"SQR:", kStart, kAny, kSqr},
    {u"SECOND", kWhole, kAny, kSecond},
    {u"SEX", kWhole, kAny, kSex},
    {u"SHELL:", kStart, kAny, kShell},
    {u"TIME", kWhole, kAny, kTime},
    {u"TURN", kWhole, kAny, kTurn},
    {u"TRUNC:", kStart, kAny, kTrunc},
    {u"TAN:", kStart, kAny, kTan},
    {u"WORK", kWhole, kAny, kWork},
    {u"XOR", kStart, kBar, kXor},
    {u"YEAR", kWhole, kAny, kYear},
    {u"YOUBI", kWhole, kAny, kYoubi},
};
constexpr size_t kFormCount = sizeof kForms / sizeof kForms[0];

// Rows exist for the first characters "!" (U+0021) to "^" (U+005E).
constexpr char16_t kFirstRow = u'!';
constexpr char16_t kLastRow = u'^';

// The forms of each row: kForms[first, end) for the row's character.
struct TRows {
  std::array<std::pair<uint8_t, uint8_t>, kLastRow - kFirstRow + 1> Ranges{};

  constexpr TRows() {
    for (size_t form = 0; form < kFormCount; ++form) {
      auto& range = Ranges[kForms[form].Word[0] - kFirstRow];
      if (range.first == range.second) range.first = static_cast<uint8_t>(form);
      range.second = static_cast<uint8_t>(form + 1);
    }
  }
};
constexpr TRows kRows;

// The forms of the row whose first character is first; empty when it has none.
std::pair<const TCommandForm*, const TCommandForm*> RowOf(char16_t first) {
  if (first < kFirstRow || first > kLastRow) return {nullptr, nullptr};
  const auto [begin, end] = kRows.Ranges[first - kFirstRow];
  return {kForms + begin, kForms + end};
}

// Whether text and word agree on their common length ("?" in word agreeing with anything).
bool AgreesWith(std::u16string_view text, std::u16string_view word) {
  const size_t common = std::min(text.size(), word.size());
  for (size_t i = 0; i < common; ++i) {
    if (word[i] != u'?' && word[i] != text[i]) return false;
  }
  return true;
}

bool Holds(const TCommandForm& form, std::u16string_view command, int bar) {
  if (form.NeedsBar && bar == 0) return false;
  if (form.Whole) return command == form.Word;
  return command.size() >= form.Word.size() && AgreesWith(command, form.Word);
}

// Commands whose reading form is the keyword and the slot number alone, and its length.
int ReadingFormLength(TCommandId id) {
  switch (id) {
    case kMemo:
    case kFlag:
      return 6;
    case kCount:
      return 7;
    default:
      return -1;
  }
}

}  // namespace

TCommandId RecogniseCommand(std::u16string_view command, int bar) {
  if (command.empty()) return kNone;
  const auto [begin, end] = RowOf(command[0]);
  for (const TCommandForm* form = begin; form != end; ++form) {
    if (Holds(*form, command, bar)) return form->Id;
  }
  return kNone;
}

std::u16string RunCommand(TCommandId id, TCharacter& character, std::u16string_view raw,
                          std::u16string_view command, int bar, TDateTime now) {
  const TCommand c{character, raw, command, bar, now};
  switch (id) {
    case kNone:
      return {};
    case kEqualNumbers:
      return CompareNumbers(c, 3, TComparison::kEqual);
    case kNotEqualNumbers:
      return CompareNumbers(c, 3, TComparison::kNotEqual);
    case kLess:
      return CompareNumbers(c, 2, TComparison::kLess);
    case kLessOrEqual:
      return CompareNumbers(c, 3, TComparison::kLessOrEqual);
    case kGreater:
      return CompareNumbers(c, 2, TComparison::kGreater);
    case kGreaterOrEqual:
      return CompareNumbers(c, 3, TComparison::kGreaterOrEqual);
    case kEqualTexts:
      return CompareTexts(c, true);
    case kNotEqualTexts:
      return CompareTexts(c, false);
    case kAnd:
      return CombineTruths(c, TLogic::kAnd);
    case kOr:
      return CombineTruths(c, TLogic::kOr);
    case kXor:
      return CombineTruths(c, TLogic::kXor);
    case kNotTrue:
      return TruthText(false);
    case kNotFalse:
      return TruthText(true);
    case kIfTrue:
      return IfTrue(c);
    case kIfFalse:
      return IfFalse(c);
    case kAdd:
      return Arithmetic(c, 2, TArithmetic::kAdd);
    case kSubtract:
      return Arithmetic(c, 2, TArithmetic::kSubtract);
    case kMultiply:
      return Arithmetic(c, 2, TArithmetic::kMultiply);
    case kDivide:
      return Arithmetic(c, 2, TArithmetic::kDivide);
    case kPower:
      return Arithmetic(c, 2, TArithmetic::kPower);
    case kIntegerDivision:
      return IntegerDivision(c);
    case kRemainder:
      return IntegerRemainder(c);
    case kMax:
      return Arithmetic(c, 4, TArithmetic::kMax);
    case kMin:
      return Arithmetic(c, 4, TArithmetic::kMin);
    case kLog:
      return Arithmetic(c, 4, TArithmetic::kLog);
    case kAbs:
      return MathFunction(c, 5, TFunction::kAbs);
    case kSqr:
      return MathFunction(c, 5, TFunction::kSqr);
    case kSqrt:
      return MathFunction(c, 6, TFunction::kSqrt);
    case kExp:
      return MathFunction(c, 5, TFunction::kExp);
    case kSin:
      return MathFunction(c, 5, TFunction::kSin);
    case kCos:
      return MathFunction(c, 5, TFunction::kCos);
    case kTan:
      return MathFunction(c, 5, TFunction::kTan);
    case kArcSin:
      return MathFunction(c, 8, TFunction::kArcSin);
    case kArcCos:
      return MathFunction(c, 8, TFunction::kArcCos);
    case kArcTan:
      return MathFunction(c, 8, TFunction::kArcTan);
    case kCeil:
      return Rounding(c, 6, TRounding::kCeil);
    case kFloor:
      return Rounding(c, 7, TRounding::kFloor);
    case kTrunc:
      return Rounding(c, 7, TRounding::kTrunc);
    case kRound:
      return Rounding(c, 7, TRounding::kRound);
    case kPi:
      return PiText();
    case kLength:
      return TextLength(c);
    case kLeft:
      return TextLeft(c);
    case kRight:
      return TextRight(c);
    case kMid:
      return TextMid(c);
    case kPos:
      return TextPos(c);
    case kLike:
      return TextLike(c);
    case kScriptize:
      return Scriptize(c);
    case kBreak:
      return u"\r\n";
    case kNow:
      return DateField(c, TDateField::kNow);
    case kDate:
      return DateField(c, TDateField::kDate);
    case kTime:
      return DateField(c, TDateField::kTime);
    case kYear:
      return DateField(c, TDateField::kYear);
    case kMonth:
      return DateField(c, TDateField::kMonth);
    case kDay:
      return DateField(c, TDateField::kDay);
    case kHour:
      return DateField(c, TDateField::kHour);
    case kMinute:
      return DateField(c, TDateField::kMinute);
    case kSecond:
      return DateField(c, TDateField::kSecond);
    case kYoubi:
      return DateField(c, TDateField::kYoubi);
    case kWork:
      return WorkMinutes(c);
    case kDateDiff:
      return DateDiff(c);
    case kIsSame:
      return IsSameDay(c);
    case kMyoji:
      return ProfileField(c, TProfileField::kSurname);
    case kNamae:
      return ProfileField(c, TProfileField::kGivenName);
    case kFullName:
      return ProfileField(c, TProfileField::kFullName);
    case kHandleName:
      return ProfileField(c, TProfileField::kHandleName);
    case kNickname:
      return ProfileField(c, TProfileField::kNickname);
    case kSex:
      return ProfileField(c, TProfileField::kSex);
    case kBirthday:
      return ProfileField(c, TProfileField::kBirthday);
    case kPrev:
      return ProfileField(c, TProfileField::kPrev);
    case kPrevAnswer:
      return ProfileField(c, TProfileField::kPrevAnswer);
    case kOperateMessage:
      return ProfileField(c, TProfileField::kOperateMessage);
    case kTurn:
      return ProfileField(c, TProfileField::kTurn);
    case kMemo:
      return MemoCommand(c);
    case kCount:
      return CounterCommand(c);
    case kFlag:
      return FlagCommand(c);
    case kChoice:
      return Choice(c);
    case kRandom:
      return RandomDraw(c);
    case kAllowExecute:
      return AllowExecuteText(c);
    case kEntrust:
      return Entrust(c);
    case kEndEntrust:
      return EndEntrust(c);
    case kResult:
      return ReadResult(c);
    case kShell:
      return ShellOpen(c);
  }
  return {};
}

std::u16string ExecuteCommand(TCharacter& character, std::u16string_view raw,
                              std::u16string_view command, int bar, TDateTime now) {
  return RunCommand(RecogniseCommand(command, bar), character, raw, command, bar, now);
}

TCommandTraits CommandTraits(TCommandId id) {
  using enum TCommandResult;
  // Commands that always give their result once recognised are marked by mayFail false.
  const auto traits = [](TCommandResult result, bool mayFail = true,
                         TCommandEffect effect = TCommandEffect::kNone, bool readsClock = false) {
    return TCommandTraits{result, effect, mayFail, readsClock};
  };
  switch (id) {
    case kNone:
      return traits(kNothing);
    case kEqualNumbers:
    case kNotEqualNumbers:
    case kLess:
    case kLessOrEqual:
    case kGreater:
    case kGreaterOrEqual:
    case kIsSame:
      return traits(kTruth);
    case kEqualTexts:
    case kNotEqualTexts:
    case kAnd:
    case kOr:
    case kXor:
    case kNotTrue:
    case kNotFalse:
    case kLike:
    case kSex:
    case kAllowExecute:
      return traits(kTruth, false);
    case kIfTrue:
    case kIfFalse:
    case kLeft:
    case kRight:
    case kMid:
      return traits(kRawSlice);
    case kAdd:
    case kSubtract:
    case kMultiply:
    case kDivide:
    case kPower:
    case kMax:
    case kMin:
    case kLog:
    case kAbs:
    case kSqr:
    case kSqrt:
    case kExp:
    case kSin:
    case kCos:
    case kTan:
    case kArcSin:
    case kArcCos:
    case kArcTan:
      return traits(kNumber);
    case kPi:
      return traits(kNumber, false);
    case kIntegerDivision:
    case kRemainder:
    case kCeil:
    case kFloor:
    case kTrunc:
    case kRound:
    case kDateDiff:
      return traits(kInteger);
    case kLength:
    case kPos:
    case kTurn:
      return traits(kInteger, false);
    case kWork:
      return traits(kInteger, false, TCommandEffect::kNone, true);
    case kScriptize:
      return traits(kScriptized);
    case kBreak:
      return traits(kLineBreak, false);
    case kNow:
    case kDate:
    case kTime:
    case kYear:
    case kMonth:
    case kDay:
    case kHour:
    case kMinute:
    case kSecond:
    case kYoubi:
      return traits(kDateText, false, TCommandEffect::kNone, true);
    case kBirthday:
      return traits(kDateText, false);
    case kMyoji:
    case kNamae:
    case kFullName:
    case kHandleName:
    case kNickname:
      return traits(kStoredText);
    case kPrev:
    case kPrevAnswer:
    case kOperateMessage:
      return traits(kLookupText);
    case kMemo:
      return traits(kStoredText, true, TCommandEffect::kSlots);
    case kCount:
      return traits(kNumber, true, TCommandEffect::kSlots);
    case kFlag:
      return traits(kTruth, true, TCommandEffect::kSlots);
    case kChoice:
      return traits(kRawSlice, true, TCommandEffect::kRandom);
    case kRandom:
      return traits(kInteger, true, TCommandEffect::kRandom);
    case kEntrust:
    case kShell:
      return traits(kTruth, true, TCommandEffect::kExternal);
    case kEndEntrust:
      return traits(kTruth, false, TCommandEffect::kExternal);
    case kResult:
      return traits(kStoredText, true, TCommandEffect::kExternal);
  }
  return traits(kNothing);
}

bool IsReadingForm(TCommandId id, std::u16string_view command) {
  const int length = ReadingFormLength(id);
  return length >= 0 && command.size() == static_cast<size_t>(length);
}

void AppendPossibleCommands(std::u16string_view prefix, bool barCertain, bool barPossible,
                            std::vector<TCommandId>& ids) {
  if (prefix.empty()) {
    for (const TCommandForm& form : kForms) ids.push_back(form.Id);
    ids.push_back(kNone);
    return;
  }
  const auto [begin, end] = RowOf(prefix[0]);
  for (const TCommandForm* form = begin; form != end; ++form) {
    if (form->NeedsBar && !barPossible) continue;
    if (!AgreesWith(prefix, form->Word)) continue;
    if (form->Whole && prefix.size() > form->Word.size()) continue;
    ids.push_back(form->Id);
    // A beginning that the prefix holds whole decides, and no later form is reached.
    if (!form->Whole && prefix.size() >= form->Word.size() && (!form->NeedsBar || barCertain)) {
      return;
    }
  }
  ids.push_back(kNone);
}

}  // namespace kelmo
