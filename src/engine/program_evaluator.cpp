// The walk over a program's groups. A group is gathered piece by piece into the level of its
// depth; an inner group is gathered into the next level, runs its command, and leaves its result
// (or, kept, its own text in braces) in the level of the group around it. A group's extent in the
// working text, which a splice replaces, is counted apart from its gathered text, since the text
// passes through the code page and the working text does not.
//
// A constant group is not gathered at all: its raw and normalised texts are views into the
// program, and the reads conditions make most (a counter holding an integer, a flag, the turn, a
// lookup text) write what their command would give without running it.
#include "engine/program_evaluator.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "charfile/code_page.h"
#include "charfile/text_utils.h"
#include "engine/character.h"
#include "engine/evaluator.h"
#include "engine/macro_commands.h"
#include "plugins/plugin_list.h"

namespace kelmo {
namespace {

// Levels the walk may need: the top level and one per depth.
constexpr size_t kLevels = kMaxProgramDepth + 2;

// Counters below this magnitude holding an integer are written as their digits (FormatNumber).
constexpr double kDirectCounterLimit = 1e15;

// Room for the digits of an integer below 10^15 or of a 32-bit one, with a sign.
constexpr size_t kDigitsRoom = 24;

// What closing a group left: its result, its raw and normalised texts (for a group that stays),
// and its extent in the working text, braces included.
struct TClosed {
  std::u16string_view Result;
  std::u16string_view Raw;
  std::u16string_view Command;
  size_t Extent = 0;
};

class TProgramWalk {
 public:
  TProgramWalk(TCharacter& character, const TConditionProgram& program, TDateTime now,
               TProgramScratch& scratch)
      : character_(character), program_(program), now_(now), levels_(scratch.Levels) {
    if (levels_.size() < kLevels) levels_.resize(kLevels);
  }

  // Gathers the top level into levels_[0]. False when a limit ends the evaluation.
  bool Run() {
    account_.WorkingLength = program_.Text().size();
    size_t content = 0;
    return Gather(program_.Groups().front(), content);
  }

 private:
  // Gathers the pieces of group into its level, running its inner groups as they close, and adds
  // their length in the working text to contentLength. The top level gathers no normalised text:
  // it runs no command.
  bool Gather(const TProgramGroup& group, size_t& contentLength) {
    TProgramScratch::TLevel& level = levels_[group.Depth];
    const bool normalize = group.Depth > 0;
    level.Raw.clear();
    level.Command.clear();
    size_t passed = 0;  // leading characters of the raw text through the code page already
    const std::vector<TProgramPiece>& pieces = program_.Pieces();
    for (int32_t at = group.FirstPiece; at < group.FirstPiece + group.PieceCount; ++at) {
      const TProgramPiece& piece = pieces[at];
      if (piece.Group < 0) {
        level.Raw.append(program_.Text(), piece.Start, piece.Length);
        if (normalize) level.Command.append(program_.NormalizedText(), piece.Start, piece.Length);
        contentLength += piece.Length;
        continue;
      }
      // The text before an inner group goes through the code page when the group opens.
      if (PassThroughCodePage(level.Raw, passed) && normalize) {
        level.Command.resize(passed);
        AppendNormalized(level.Command, std::u16string_view(level.Raw).substr(passed));
      }
      passed = level.Raw.size();
      const TProgramGroup& inner = program_.Groups()[piece.Group];
      std::u16string ownResult;
      TClosed closed;
      if (!Close(inner, ownResult, closed)) return false;
      if (!closed.Result.empty() || inner.Depth >= 3) {
        if (!Splice(closed.Extent, closed.Result.size())) return false;
        level.Raw.append(closed.Result);
        if (normalize) AppendNormalized(level.Command, closed.Result);
        contentLength += closed.Result.size();
      } else {
        // Kept as it stands, with its inner groups already replaced.
        level.Raw.append(1, u'{').append(closed.Raw).append(1, u'}');
        if (normalize) level.Command.append(1, u'{').append(closed.Command).append(1, u'}');
        contentLength += closed.Extent;
      }
    }
    return true;
  }

  // Gathers and runs a group; its result may view ownResult.
  bool Close(const TProgramGroup& group, std::u16string& ownResult, TClosed& closed) {
    if (const TTypedGroup* typed = program_.TypedOf(group)) {
      bool truth = false;
      size_t content = 0;
      switch (EvaluateTyped(*typed, truth, content)) {
        case TTyped::kLimit:
          return false;
        case TTyped::kDone:
          closed.Result = TruthOf(truth);
          closed.Extent = content + 2;
          return true;
        case TTyped::kNotHere:
          break;
      }
    }
    if (group.Constant) {
      const TProgramPiece* text =
          group.PieceCount == 0 ? nullptr : &program_.Pieces()[group.FirstPiece];
      closed.Raw = text == nullptr ? std::u16string_view() : TextOf(*text);
      closed.Command = text == nullptr ? std::u16string_view() : NormalizedOf(*text);
      closed.Extent = static_cast<size_t>(group.Length);
      if (!ReadDirectly(group, closed.Result)) {
        ownResult = RunGroup(group, closed.Raw, closed.Command);
        closed.Result = ownResult;
      }
      return true;
    }
    size_t content = 0;
    if (!Gather(group, content)) return false;
    const TProgramScratch::TLevel& level = levels_[group.Depth];
    closed.Raw = level.Raw;
    closed.Command = level.Command;
    closed.Extent = content + 2;
    ownResult = RunGroup(group, closed.Raw, closed.Command);
    closed.Result = ownResult;
    return true;
  }

  enum class TTyped { kDone, kNotHere, kLimit };

  // The truth a typed group gives and the length of its content in the working text, with the
  // splices of the groups it holds counted; kNotHere, nothing counted, when what it reads does not
  // fit its form; kLimit when a limit ends the evaluation.
  TTyped EvaluateTyped(const TTypedGroup& typed, bool& truth, size_t& content) {
    const std::vector<TProgramGroup>& groups = program_.Groups();
    switch (typed.Form) {
      case TTypedForm::kCompareNumbers: {
        const TProgramGroup& reads = groups[typed.Operand];
        int64_t value = 0;
        if (!ReadInteger(reads, value)) return TTyped::kNotHere;
        const size_t length = Digits(value).size();
        if (!Splice(static_cast<size_t>(reads.Length), length)) return TTyped::kLimit;
        const long double x = typed.OperandLeft ? static_cast<long double>(value) : typed.Number;
        const long double y = typed.OperandLeft ? typed.Number : static_cast<long double>(value);
        truth = Compare(typed.Command, x, y);
        content = static_cast<size_t>(typed.TextLength) + length;
        return TTyped::kDone;
      }
      case TTypedForm::kCompareTexts:
        return CompareTexts(typed, truth, content);
      case TTypedForm::kLogic:
      case TTypedForm::kNot: {
        const TAccount before = account_;
        bool first = false;
        size_t firstLength = 0;
        TTyped outcome = TypedOperand(groups[typed.Operand], first, firstLength);
        if (outcome != TTyped::kDone) return Undo(outcome, before);
        content = static_cast<size_t>(typed.TextLength) + firstLength;
        if (typed.Form == TTypedForm::kNot) {
          truth = !first;
          return TTyped::kDone;
        }
        bool second = false;
        size_t secondLength = 0;
        outcome = TypedOperand(groups[typed.SecondOperand], second, secondLength);
        if (outcome != TTyped::kDone) return Undo(outcome, before);
        content += secondLength;
        truth = typed.Command == TCommandId::kAnd  ? first && second
                : typed.Command == TCommandId::kOr ? first || second
                                                   : first != second;
        return TTyped::kDone;
      }
    }
    return TTyped::kNotHere;
  }

  // A typed group inside another: evaluated and spliced; resultLength is the length of its truth.
  TTyped TypedOperand(const TProgramGroup& group, bool& truth, size_t& resultLength) {
    size_t content = 0;
    const TTyped outcome = EvaluateTyped(*program_.TypedOf(group), truth, content);
    if (outcome != TTyped::kDone) return outcome;
    resultLength = TruthOf(truth).size();
    return Splice(content + 2, resultLength) ? TTyped::kDone : TTyped::kLimit;
  }

  // EQ or NE of a group reading a text and a constant. The text is read as its group gives it:
  // spliced when it is not empty, kept as the group itself at depth 2, removed deeper. A bar in
  // the text would cut the operands elsewhere, but they would differ all the same: the right one
  // would hold a bar, the left one none, as a bar-free constant differs from a text with one.
  TTyped CompareTexts(const TTypedGroup& typed, bool& truth, size_t& content) {
    const TProgramGroup& reads = program_.Groups()[typed.Operand];
    std::u16string_view text;
    if (reads.LookupText) {
      text = LookupText(*reads.LookupText);
    } else {
      memoText_ = ShiftJisToUtf16(character_.Memo[reads.Slot]);
      text = memoText_;
    }
    const std::u16string_view constant = std::u16string_view(program_.NormalizedText())
                                             .substr(static_cast<size_t>(typed.ConstantStart),
                                                     static_cast<size_t>(typed.ConstantLength));
    bool equal = false;
    if (!text.empty() || reads.Depth >= 3) {
      if (!Splice(static_cast<size_t>(reads.Length), text.size())) return TTyped::kLimit;
      equal = NormalizedEquals(text, constant);
      content = static_cast<size_t>(typed.TextLength) + text.size();
    } else {
      // The group itself, braces and all, which no constant holds: a brace in a condition opens
      // or closes a group.
      content = static_cast<size_t>(typed.TextLength) + static_cast<size_t>(reads.Length);
    }
    truth = equal == (typed.Command == TCommandId::kEqualTexts);
    return TTyped::kDone;
  }

  // Whether text, normalised, equals constant (normalised already).
  static bool NormalizedEquals(std::u16string_view text, std::u16string_view constant) {
    if (text.size() != constant.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
      if (NormalizeCharacter(text[i]) != constant[i]) return false;
    }
    return true;
  }

  static bool Compare(TCommandId comparison, long double x, long double y) {
    switch (comparison) {
      case TCommandId::kEqualNumbers:
        return x == y;
      case TCommandId::kNotEqualNumbers:
        return x != y;
      case TCommandId::kLess:
        return x < y;
      case TCommandId::kLessOrEqual:
        return x <= y;
      case TCommandId::kGreater:
        return x > y;
      default:
        return x >= y;
    }
  }

  static std::u16string_view TruthOf(bool truth) { return truth ? u"True" : u"False"; }

  // The integer a group reading one gives; false when its text is not an integer's digits (a
  // counter holding a fraction or a large number).
  bool ReadInteger(const TProgramGroup& group, int64_t& value) {
    switch (group.Command) {
      case TCommandId::kCount: {
        const double counter = character_.Counter[group.Slot];
        if (!(std::fabs(counter) < kDirectCounterLimit) || counter != std::trunc(counter)) {
          return false;
        }
        value = static_cast<int64_t>(counter);
        return true;
      }
      case TCommandId::kTurn:
        value = character_.Turn;
        return true;
      case TCommandId::kMonth:
        value = Now().Month;
        return true;
      case TCommandId::kDay:
        value = Now().Day;
        return true;
      case TCommandId::kHour:
        value = Now().Hour;
        return true;
      case TCommandId::kMinute:
        value = Now().Minute;
        return true;
      case TCommandId::kSecond:
        value = Now().Second;
        return true;
      default:
        return false;
    }
  }

  // The fields of the evaluation's current time, worked out at the first question.
  const TDateTimeParts& Now() {
    if (!nowParts_) nowParts_ = DecodeDateTime(now_);
    return *nowParts_;
  }

  // For the reads conditions make most, what the command gives, without running it; false when
  // the command must run.
  bool ReadDirectly(const TProgramGroup& group, std::u16string_view& result) {
    if (group.LookupText) {
      // An empty text runs the command, which gives nothing: the group may stay.
      result = LookupText(*group.LookupText);
      return !result.empty();
    }
    if (group.Command == TCommandId::kFlag && group.Slot >= 0) {
      result = TruthOf(character_.Flag[group.Slot]);
      return true;
    }
    int64_t value = 0;
    if (group.Command == TCommandId::kCount && group.Slot >= 0 && ReadInteger(group, value)) {
      result = Digits(value);
      return true;
    }
    if (group.Command == TCommandId::kTurn) {
      result = Digits(character_.Turn);
      return true;
    }
    return false;
  }

  // The decimal digits of value, in digits_.
  std::u16string_view Digits(int64_t value) {
    char text[kDigitsRoom];
    const auto written = std::to_chars(text, text + sizeof text, value);
    const size_t length = static_cast<size_t>(written.ptr - text);
    for (size_t i = 0; i < length; ++i) digits_[i] = static_cast<char16_t>(text[i]);
    return std::u16string_view(digits_, length);
  }

  // The result of a group, as the evaluator's RunCommand gives it.
  std::u16string RunGroup(const TProgramGroup& group, std::u16string_view raw,
                          std::u16string_view command) {
    if (raw.empty()) return {};
    int bar = group.Bar;
    TCommandId id = group.Command;
    if (!group.Constant) {
      const size_t found = command.find(u'|');
      bar = found == std::u16string_view::npos ? 0 : static_cast<int>(found) + 1;
      id = RecogniseCommand(command, bar);
    }
    std::u16string result;
    try {
      result = RunCommand(id, character_, raw, command, bar, now_);
    } catch (...) {
      result.clear();  // effects made before the failure stay
    }
    if (result.empty() && character_.PluginsEnabled &&
        command.find(u'.') != std::u16string_view::npos) {
      result = character_.Plugins->ExpandTag(std::u16string(raw));
    }
    return result;
  }

  const std::u16string& LookupText(TLookupText text) const {
    switch (text) {
      case TLookupText::kPrev:
        return character_.WidePrev();
      case TLookupText::kPrevAnswer:
        return character_.WidePrevAnswer();
      case TLookupText::kOperateMessage:
        break;
    }
    return character_.WideOperateMessage();
  }

  std::u16string_view TextOf(const TProgramPiece& piece) const {
    return std::u16string_view(program_.Text()).substr(piece.Start, piece.Length);
  }
  std::u16string_view NormalizedOf(const TProgramPiece& piece) const {
    return std::u16string_view(program_.NormalizedText()).substr(piece.Start, piece.Length);
  }

  // Counts a splice of a group of extent by a result of resultLength as the scan does; false at a
  // limit.
  bool Splice(size_t extent, size_t resultLength) {
    if (++account_.Splices > kMaxSplices) return false;
    account_.SplicedLength += resultLength;
    if (account_.SplicedLength > kMaxSplicedLength) return false;
    account_.WorkingLength = account_.WorkingLength - extent + resultLength;
    return account_.WorkingLength <= kMaxWorkingTextLength;
  }

  // What the splices have counted.
  struct TAccount {
    size_t WorkingLength = 0;  // of the whole working text
    int Splices = 0;
    size_t SplicedLength = 0;
  };

  // Takes back the splices counted since before, for a typed group that is gathered instead.
  TTyped Undo(TTyped outcome, const TAccount& before) {
    if (outcome == TTyped::kNotHere) account_ = before;
    return outcome;
  }

  TCharacter& character_;
  const TConditionProgram& program_;
  const TDateTime now_;
  std::vector<TProgramScratch::TLevel>& levels_;
  TAccount account_;
  std::optional<TDateTimeParts> nowParts_;
  std::u16string memoText_;  // the memo a typed comparison reads
  char16_t digits_[kDigitsRoom] = {};
};

}  // namespace

void EvaluateProgram(TCharacter& character, const TConditionProgram& program, TDateTime now,
                     TProgramScratch& scratch) {
  TProgramWalk walk(character, program, now, scratch);
  if (walk.Run()) {
    scratch.Result.swap(scratch.Levels.front().Raw);
  } else {
    scratch.Result.clear();
  }
}

}  // namespace kelmo
