// The user's profile, the conversation memory and the memo, counter and flag slots. Texts are
// returned as stored (Shift-JIS, widened here). A slot command reads its two-character slot
// number first and fails, touching nothing, unless it is 0 to 99; the commands that change a slot
// yield nothing, so their group stays in the text. Counters are computed in extended precision
// and stored as 64-bit numbers; a result too large to store fails and leaves the counter as it was.
#include <cmath>

#include "engine/character.h"
#include "engine/command_support.h"
#include "engine/date_text.h"
#include "engine/evaluator.h"

namespace kelmo {
namespace {

// Longest memo text, in bytes. A longer one could never be read back (its wide text would pass
// the longest working text of an evaluation), so an append beyond it fails and leaves the memo as
// it was: a memo that appends to itself cannot grow without bound from reply to reply.
constexpr size_t kLongestMemo = 2 * kMaxWorkingTextLength;

// The counter value as stored, when it can be.
double StorableCounter(long double value) {
  const double stored = static_cast<double>(value);
  if (!std::isfinite(stored)) throw ECommandFailed("counter overflow");
  return stored;
}

}  // namespace

std::u16string ProfileField(const TCommand& command, TProfileField field) {
  const TCharacter& character = command.Character;
  const TUserProfile& profile = character.Profile;
  switch (field) {
    case TProfileField::kSurname:
      return Wide(profile.Surname);
    case TProfileField::kGivenName:
      return Wide(profile.GivenName);
    case TProfileField::kFullName:
      return Wide(profile.Surname + profile.GivenName);
    case TProfileField::kHandleName:
      return Wide(profile.HandleName);
    case TProfileField::kNickname:
      return Wide(profile.Nickname);
    case TProfileField::kSex:
      return TruthText(profile.IsMale);
    case TProfileField::kBirthday:
      return AsciiText(FormatDate(profile.Birthday));
    case TProfileField::kPrev:
      return character.WidePrev();
    case TProfileField::kPrevAnswer:
      return character.WidePrevAnswer();
    case TProfileField::kOperateMessage:
      return character.WideOperateMessage();
    case TProfileField::kTurn:
      return IntegerText(character.Turn);
  }
  return {};
}

// MEMOnn (read), MEMOnn:t (set), MEMOnn+t (append), MEMOnnC (clear); nn = Text[5..6].
std::u16string MemoCommand(const TCommand& command) {
  std::string& memo = command.Character.Memo[ReadSlot(command.Slice(5, 6))];
  const char16_t form = command.At(7);
  if (command.Length() == 6) return Wide(memo);
  if (form == u':') {
    memo = Narrow(command.RawSliceFrom(8));
  } else if (form == u'+') {
    const std::string addition = Narrow(command.RawSliceFrom(8));
    if (memo.size() + addition.size() > kLongestMemo) throw ECommandFailed("memo too long");
    memo += addition;
  } else if (command.Length() == 7 && form == u'C') {
    memo.clear();
  }
  return {};
}

// COUNTnn (read), COUNTnn++, COUNTnn+x, COUNTnn--, COUNTnn-x, COUNTnn:x; nn = Text[6..7].
std::u16string CounterCommand(const TCommand& command) {
  double& counter = command.Character.Counter[ReadSlot(command.Slice(6, 7))];
  if (command.Length() == 7) return NumberText(counter);
  const char16_t form = command.At(8);
  const bool doubled = command.Length() == 9 && command.At(9) == form;
  if (form == u'+') {
    counter = StorableCounter(counter + (doubled ? 1 : ReadNumber(command.SliceFrom(9))));
  } else if (form == u'-') {
    counter = StorableCounter(counter - (doubled ? 1 : ReadNumber(command.SliceFrom(9))));
  } else if (form == u':') {
    counter = StorableCounter(ReadNumber(command.SliceFrom(9)));
  }
  return {};
}

// FLAGnn (read), FLAGnn! (toggle), FLAGnn:TRUE, FLAGnn:FALSE; nn = Text[5..6].
std::u16string FlagCommand(const TCommand& command) {
  bool& flag = command.Character.Flag[ReadSlot(command.Slice(5, 6))];
  if (command.Length() == 6) return TruthText(flag);
  const char16_t form = command.At(7);
  if (form == u'!') {
    flag = !flag;
  } else if (form == u':') {
    const std::u16string_view value = command.SliceFrom(8);
    if (value == u"TRUE") flag = true;
    if (value == u"FALSE") flag = false;
  }
  return {};
}

}  // namespace kelmo
