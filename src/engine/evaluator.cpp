// The scan of one evaluation. Positions follow the working text as a whole (1-based), although
// only its unscanned rest is stored: the open positions say where each group's "{" stood, which
// is where the scan resumes after a splice, and position - 1 is the length of the scanned part,
// which with the rest gives the working text's length for the limit.
#include "engine/evaluator.h"

#include <algorithm>
#include <cstdint>

#include "charfile/code_page.h"
#include "charfile/text_utils.h"
#include "engine/character.h"
#include "engine/macro_commands.h"
#include "engine/stacks.h"
#include "plugins/plugin_list.h"

namespace kelmo {
namespace {

bool IsBrace(char16_t c) {
  return c == u'{' || c == u'}';
}

class MacroScan {
 public:
  MacroScan(TCharacter& character, TDateTime now) : character_(character), now_(now) {}

  // The evaluation of text; empty when a limit is reached.
  std::u16string Run(std::u16string_view text) {
    if (text.size() > kMaxWorkingTextLength) return {};
    rest_.assign(text.rbegin(), text.rend());
    while (!rest_.empty()) {
      const char16_t c = rest_.back();
      if (c == u'{') {
        rest_.pop_back();
        OpenGroup();
      } else if (c == u'}') {
        rest_.pop_back();
        if (!CloseGroup()) return {};
      } else {
        GatherPlainText();
      }
    }
    // Unclosed groups: the text from the outermost of them on is dropped.
    if (savedTexts_.Count() == 0) return std::move(accumulator_);
    while (savedTexts_.Count() > 1) savedTexts_.Pop();
    return ShiftJisToUtf16(savedTexts_.Pop());
  }

 private:
  void OpenGroup() {
    openPositions_.Push(position_);
    savedTexts_.Push(Utf16ToShiftJis(accumulator_));
    accumulator_.clear();
    ++position_;
  }

  // Moves the characters up to the next brace into the accumulator in one step.
  void GatherPlainText() {
    const auto next = std::find_if(rest_.rbegin(), rest_.rend(), IsBrace);
    const auto runLength = next - rest_.rbegin();
    accumulator_.append(rest_.rbegin(), next);
    rest_.resize(rest_.size() - static_cast<size_t>(runLength));
    position_ += static_cast<int32_t>(runLength);
  }

  // Handles the "}" just taken from the rest. Returns false when the evaluation ends with the
  // empty text: a "}" without an open group, or a limit reached.
  bool CloseGroup() {
    const std::u16string raw = std::move(accumulator_);
    accumulator_.clear();
    const std::u16string result = RunCommand(raw);
    const int depth = openPositions_.Count();
    if (depth == 0) return false;  // the command ran for its side effects only

    const int32_t open = openPositions_.Pop();
    accumulator_ = ShiftJisToUtf16(savedTexts_.Pop());
    if (depth <= 2 && result.empty()) {
      // The group stays as it is; the scan goes on after its "}".
      accumulator_ += u'{';
      accumulator_ += raw;
      accumulator_ += u'}';
      position_ = open + static_cast<int32_t>(raw.size()) + 2;
      return true;
    }
    return Splice(open, result);
  }

  // Replaces the group that began at open by result (nothing for a deep group without one) and
  // resumes the scan at the first character of result. Returns false at a limit: the splice
  // count, the spliced length or the working text's length.
  bool Splice(int32_t open, std::u16string_view result) {
    if (++splices_ > kMaxSplices) return false;
    splicedLength_ += result.size();
    if (splicedLength_ > kMaxSplicedLength) return false;
    const size_t scannedLength = static_cast<size_t>(open) - 1;
    if (scannedLength + rest_.size() + result.size() > kMaxWorkingTextLength) return false;
    rest_.append(result.rbegin(), result.rend());
    position_ = open;
    return true;
  }

  // What the group with the raw text yields: its command's result, or for a word with a "." and
  // no result the plug-ins' expansion of the tag. Errors inside the command give the empty text.
  std::u16string RunCommand(const std::u16string& raw) {
    if (raw.empty()) return {};
    const std::u16string command = NormalizeText(raw);
    const size_t bar = command.find(u'|');
    std::u16string result;
    try {
      result = ExecuteCommand(character_, raw, command,
                              bar == std::u16string::npos ? 0 : static_cast<int>(bar) + 1, now_);
    } catch (...) {
      result.clear();  // effects made before the failure stay
    }
    if (result.empty() && character_.PluginsEnabled && command.find(u'.') != std::u16string::npos) {
      result = character_.Plugins->ExpandTag(raw);
    }
    return result;
  }

  TCharacter& character_;
  const TDateTime now_;
  // The unscanned rest of the working text, reversed: back() is the character at position_.
  std::u16string rest_;
  int32_t position_ = 1;
  std::u16string accumulator_;
  TIntStack openPositions_;
  TStrStack savedTexts_;
  int splices_ = 0;
  size_t splicedLength_ = 0;
};

}  // namespace

std::u16string EvaluateMacroText(TCharacter& character, std::u16string_view text, TDateTime now) {
  return MacroScan(character, now).Run(text);
}

std::u16string TCharacter::Evaluate(std::u16string_view text) {
  return EvaluateMacroText(*this, text, NowLocal());
}

}  // namespace kelmo
