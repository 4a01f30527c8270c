// The scan of one evaluation. Positions are 1-based positions in the working text as a whole,
// although only its unscanned rest is stored, after some free room into which results are spliced:
// the scanned part is as long as the working text less the rest. The open positions say where each
// group's "{" stood; with the position of its
// "}" they give the group's extent in the working text, which a splice replaces and after which a
// kept group resumes the scan. The extent is not taken from the accumulator's length: a character
// outside the Basic Multilingual Plane (two code units) that went through the code page before an
// inner group came back as one "?", so the raw text can be shorter than the group it came from.
#include "engine/evaluator.h"

#include <algorithm>
#include <cstdint>

#include "charfile/code_page.h"
#include "charfile/text_utils.h"
#include "engine/character.h"
#include "engine/macro_commands.h"
#include "plugins/plugin_list.h"

namespace kelmo {
namespace {

bool IsBrace(char16_t c) {
  return c == u'{' || c == u'}';
}

// Free room kept in front of the rest of the working text when an evaluation starts, for the
// results spliced in before the scan position.
constexpr size_t kInitialHeadroom = 256;

}  // namespace

bool PassThroughCodePage(std::u16string& text, size_t from) {
  const std::u16string_view part = std::u16string_view(text).substr(from);
  if (std::all_of(part.begin(), part.end(), [](char16_t c) { return c < 0x80; })) return false;
  std::u16string passed = ShiftJisToUtf16(Utf16ToShiftJis(part));
  if (passed == part) return false;
  text.replace(from, std::u16string::npos, passed);
  return true;
}

namespace {

class MacroScan {
 public:
  MacroScan(TCharacter& character, TDateTime now, TMacroScratch& scratch)
      : character_(character),
        now_(now),
        rest_(scratch.Rest),
        spare_(scratch.Spare),
        accumulator_(scratch.Accumulator),
        raw_(scratch.Raw),
        openPositions_(scratch.OpenPositions),
        savedTexts_(scratch.SavedTexts) {}

  // The evaluation of text; empty when a limit is reached.
  std::u16string Run(std::u16string_view text) {
    if (text.size() > kMaxWorkingTextLength) return {};
    workingLength_ = text.size();
    rest_.resize(kInitialHeadroom);  // the room's content does not matter: only cut, not filled
    rest_.append(text);
    next_ = kInitialHeadroom;
    accumulator_.clear();
    openPositions_.Clear();
    savedTexts_.Clear();
    while (next_ < rest_.size()) {
      const char16_t c = rest_[next_];
      if (c == u'{') {
        ++next_;
        OpenGroup();
      } else if (c == u'}') {
        ++next_;
        if (!CloseGroup()) return {};
      } else {
        GatherPlainText();
      }
    }
    // Unclosed groups: the text from the outermost of them on is dropped.
    if (savedTexts_.Count() == 0) return accumulator_;
    while (savedTexts_.Count() > 0) savedTexts_.Pop(accumulator_);
    return accumulator_;
  }

 private:
  // Position of the character taken last from the rest.
  int32_t ScannedPosition() const {
    return static_cast<int32_t>(workingLength_ - (rest_.size() - next_));
  }

  void OpenGroup() {
    openPositions_.Push(ScannedPosition());
    PassThroughCodePage(accumulator_, passedLength_);
    savedTexts_.Push(accumulator_);
    accumulator_.clear();
    passedLength_ = 0;
  }

  // Moves the characters up to the next brace into the accumulator in one step.
  void GatherPlainText() {
    const auto brace =
        std::find_if(rest_.begin() + static_cast<ptrdiff_t>(next_), rest_.end(), IsBrace);
    const size_t end = static_cast<size_t>(brace - rest_.begin());
    accumulator_.append(rest_, next_, end - next_);
    next_ = end;
  }

  // Handles the "}" just taken from the rest. Returns false when the evaluation ends with the
  // empty text: a "}" without an open group, or a limit reached.
  bool CloseGroup() {
    std::swap(raw_, accumulator_);
    accumulator_.clear();
    const std::u16string result = RunCommand(raw_);
    const int depth = openPositions_.Count();
    if (depth == 0) return false;  // the command ran for its side effects only

    int32_t open = 0;
    openPositions_.Pop(open);
    savedTexts_.Pop(accumulator_);
    passedLength_ = accumulator_.size();
    if (depth <= 2 && result.empty()) {
      // The group stays as it is; the scan goes on after its "}".
      accumulator_ += u'{';
      accumulator_ += raw_;
      accumulator_ += u'}';
      return true;
    }
    return Splice(open, result);
  }

  // Replaces the group from open to the "}" just scanned by result (nothing for a deep group
  // without one) and resumes the scan at the first character of result. Returns false at a
  // limit: the splice count, the spliced length or the working text's length.
  bool Splice(int32_t open, std::u16string_view result) {
    if (++splices_ > kMaxSplices) return false;
    splicedLength_ += result.size();
    if (splicedLength_ > kMaxSplicedLength) return false;
    const size_t groupLength = static_cast<size_t>(ScannedPosition() - open + 1);
    workingLength_ = workingLength_ - groupLength + result.size();
    if (workingLength_ > kMaxWorkingTextLength) return false;
    Prepend(result);
    return true;
  }

  // Puts text in front of the rest, making room when the free space before it is too short.
  void Prepend(std::u16string_view text) {
    if (text.size() > next_) {
      const size_t rest = rest_.size() - next_;
      const size_t headroom = text.size() + rest + kInitialHeadroom;
      spare_.resize(headroom + rest);
      std::copy(rest_.begin() + static_cast<ptrdiff_t>(next_), rest_.end(),
                spare_.begin() + static_cast<ptrdiff_t>(headroom));
      rest_.swap(spare_);
      next_ = headroom;
    }
    next_ -= text.size();
    std::copy(text.begin(), text.end(), rest_.begin() + static_cast<ptrdiff_t>(next_));
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
  // Length of the whole working text, scanned part and rest.
  size_t workingLength_ = 0;
  // The unscanned rest of the working text from next_ on, after free room.
  std::u16string& rest_;
  size_t next_ = 0;
  std::u16string& spare_;  // the buffer rest_ moves to when its free room runs out
  std::u16string& accumulator_;
  std::u16string& raw_;
  // Leading characters of the accumulator that have been through the code page already.
  size_t passedLength_ = 0;
  TIntStack& openPositions_;
  TStrStack& savedTexts_;
  int splices_ = 0;
  size_t splicedLength_ = 0;
};

}  // namespace

std::u16string EvaluateMacroText(TCharacter& character, std::u16string_view text, TDateTime now) {
  TMacroScratch& kept = *character.MacroScratch;
  if (kept.InUse) {  // an evaluation inside another one
    TMacroScratch own;
    return MacroScan(character, now, own).Run(text);
  }
  kept.InUse = true;
  struct Release {
    TMacroScratch& scratch;
    ~Release() { scratch.InUse = false; }
  } release{kept};
  return MacroScan(character, now, kept).Run(text);
}

std::u16string TCharacter::Evaluate(std::u16string_view text) {
  return EvaluateMacroText(*this, text, MacroScratch->Clock.Now());
}

}  // namespace kelmo
