// The vocabulary of the macro language: what each command word computes and changes.
//
// The evaluator calls ExecuteCommand once for every closing brace group. Recognition looks only
// at the normalised text: its first character selects a family, and within the family fixed
// comparisons are made in a fixed order. Arguments are cut at fixed character positions, from
// the normalised text (numbers, keywords) or from the raw text (texts whose letter case matters).
//
// Recognition is a table of forms, kept apart from execution, so that the compiled conditions of
// kind 0 dictionaries can recognise a group once when its text cannot change, and can ask what a
// group may do before it runs: which commands a group whose text begins with a given word may
// turn out to be, and what each of them may change and give (CommandTraits).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "charfile/date_time.h"

namespace kelmo {

class TCharacter;

// Every command the vocabulary knows; kNone for a group that names none.
enum class TCommandId : uint8_t {
  kNone,
  // Comparisons and logic.
  kEqualNumbers,
  kNotEqualNumbers,
  kLess,
  kLessOrEqual,
  kGreater,
  kGreaterOrEqual,
  kEqualTexts,
  kNotEqualTexts,
  kAnd,
  kOr,
  kXor,
  kNotTrue,
  kNotFalse,
  kIfTrue,
  kIfFalse,
  // Arithmetic and mathematical functions.
  kAdd,
  kSubtract,
  kMultiply,
  kDivide,
  kPower,
  kIntegerDivision,
  kRemainder,
  kMax,
  kMin,
  kLog,
  kAbs,
  kSqr,
  kSqrt,
  kExp,
  kSin,
  kCos,
  kTan,
  kArcSin,
  kArcCos,
  kArcTan,
  kCeil,
  kFloor,
  kTrunc,
  kRound,
  kPi,
  // Texts.
  kLength,
  kLeft,
  kRight,
  kMid,
  kPos,
  kLike,
  kScriptize,
  kBreak,
  // Dates and times.
  kNow,
  kDate,
  kTime,
  kYear,
  kMonth,
  kDay,
  kHour,
  kMinute,
  kSecond,
  kYoubi,
  kWork,
  kDateDiff,
  kIsSame,
  // Profile, conversation memory and slots.
  kMyoji,
  kNamae,
  kFullName,
  kHandleName,
  kNickname,
  kSex,
  kBirthday,
  kPrev,
  kPrevAnswer,
  kOperateMessage,
  kTurn,
  kMemo,
  kCount,
  kFlag,
  // Random choices and external programs.
  kChoice,
  kRandom,
  kAllowExecute,
  kEntrust,
  kEndEntrust,
  kResult,
  kShell,
};

// The command a group's normalised text names (command, with bar the 1-based position of its first
// "|", 0 when none); kNone when it names none.
TCommandId RecogniseCommand(std::u16string_view command, int bar);

// Runs a command that RecogniseCommand gave for command. raw is the group's text as written,
// command its normalised form (same length), now the evaluation's current time. Returns the
// result; the empty text means the group yields nothing. Failures (unreadable numbers or dates,
// domain errors, file errors) may raise any exception: the evaluator turns them into the empty
// result, keeping side effects made before.
std::u16string RunCommand(TCommandId id, TCharacter& character, std::u16string_view raw,
                          std::u16string_view command, int bar, TDateTime now);

// RecogniseCommand, then RunCommand.
std::u16string ExecuteCommand(TCharacter& character, std::u16string_view raw,
                              std::u16string_view command, int bar, TDateTime now);

// The kind of text a command gives when it gives one.
enum class TCommandResult : uint8_t {
  kNothing,     // kNone: never a result
  kTruth,       // "True" or "False"
  kNumber,      // a number text ("." and "E" possible)
  kInteger,     // an integer text, or a truth
  kDateText,    // a date, a time, a date field or a weekday name
  kLineBreak,   // CR LF
  kLookupText,  // the conversation memory: PREV, PREVANSWER, OPERATEMESSAGE
  kStoredText,  // a stored text: a memo, a profile name, the answer file
  kRawSlice,    // a piece of the group's raw text (LEFT, RIGHT, MID, IF, CHOICE)
  kScriptized,  // SCRIPTIZE: a text whose brackets became braces
};

// What a command may change beyond giving its result.
enum class TCommandEffect : uint8_t {
  kNone,
  kSlots,     // memo, counter and flag slots, in their changing forms only (see IsReadingForm)
  kRandom,    // draws from the random source
  kExternal,  // programs, documents, the answer file, the runner's state
};

struct TCommandTraits {
  TCommandResult Result = TCommandResult::kNothing;
  TCommandEffect Effect = TCommandEffect::kNone;
  bool MayFail = true;      // may yield nothing once recognised (unreadable arguments, empty texts)
  bool ReadsClock = false;  // reads the evaluation's current time
};

TCommandTraits CommandTraits(TCommandId id);

// Whether the normalised text of a slot command (kMemo, kCount, kFlag) is its reading form, which
// changes nothing; false for any other command.
bool IsReadingForm(TCommandId id, std::u16string_view command);

// Appends to ids every command a group may be recognised as when its normalised text begins with
// prefix and goes on with text not known yet (possibly none), kNone included when it may name
// none. barCertain: the text holds a "|" for sure; barPossible: it may hold one.
void AppendPossibleCommands(std::u16string_view prefix, bool barCertain, bool barPossible,
                            std::vector<TCommandId>& ids);

}  // namespace kelmo
