// The walk over a program's groups. A group is gathered piece by piece into the level of its
// depth; an inner group is gathered into the next level, runs its command, and leaves its result
// (or, kept, its own text in braces) in the level of the group around it. A group's extent in the
// working text, which a splice replaces, is counted apart from its gathered text, since the text
// passes through the code page and the working text does not.
#include "engine/program_evaluator.h"

#include "charfile/text_utils.h"
#include "engine/character.h"
#include "engine/evaluator.h"
#include "engine/macro_commands.h"
#include "plugins/plugin_list.h"

namespace kelmo {
namespace {

// Levels the walk may need: the top level and one per depth.
constexpr size_t kLevels = kMaxProgramDepth + 2;

class TProgramWalk {
 public:
  TProgramWalk(TCharacter& character, const TConditionProgram& program, TDateTime now,
               TProgramScratch& scratch)
      : character_(character), program_(program), now_(now), levels_(scratch.Levels) {
    if (levels_.size() < kLevels) levels_.resize(kLevels);
  }

  // Gathers the top level into levels_[0]. False when a limit ends the evaluation.
  bool Run() {
    workingLength_ = program_.Text().size();
    size_t content = 0;
    return Gather(program_.Groups().front(), content);
  }

 private:
  // Gathers the pieces of group into its level, running its inner groups as they close, and adds
  // their length in the working text to contentLength.
  bool Gather(const TProgramGroup& group, size_t& contentLength) {
    TProgramScratch::TLevel& level = levels_[group.Depth];
    level.Raw.clear();
    level.Command.clear();
    size_t passed = 0;  // leading characters of the raw text through the code page already
    const std::vector<TProgramPiece>& pieces = program_.Pieces();
    for (int32_t at = group.FirstPiece; at < group.FirstPiece + group.PieceCount; ++at) {
      const TProgramPiece& piece = pieces[at];
      if (piece.Group < 0) {
        level.Raw.append(program_.Text(), piece.Start, piece.Length);
        level.Command.append(program_.NormalizedText(), piece.Start, piece.Length);
        contentLength += piece.Length;
        continue;
      }
      // The text before an inner group goes through the code page when the group opens.
      if (PassThroughCodePage(level.Raw, passed)) {
        level.Command.resize(passed);
        AppendNormalized(level.Command, std::u16string_view(level.Raw).substr(passed));
      }
      passed = level.Raw.size();
      const TProgramGroup& inner = program_.Groups()[piece.Group];
      std::u16string ownResult;
      std::u16string_view result;
      size_t extent = 0;
      if (!Close(inner, ownResult, result, extent)) return false;
      if (!result.empty() || inner.Depth >= 3) {
        if (!Splice(extent, result.size())) return false;
        level.Raw.append(result);
        AppendNormalized(level.Command, result);
        contentLength += result.size();
      } else {
        // Kept as it stands, with its inner groups already replaced.
        const TProgramScratch::TLevel& kept = levels_[inner.Depth];
        level.Raw.append(1, u'{').append(kept.Raw).append(1, u'}');
        level.Command.append(1, u'{').append(kept.Command).append(1, u'}');
        contentLength += extent;
      }
    }
    return true;
  }

  // Gathers and runs a group: its result in result (which may view ownResult), and its extent in
  // the working text, braces included.
  bool Close(const TProgramGroup& group, std::u16string& ownResult, std::u16string_view& result,
             size_t& extent) {
    if (group.LookupText) {
      // What the command gives, read where the character keeps it; an empty text leaves the
      // group to be gathered, for it may stay in the text.
      const std::u16string& text = LookupText(*group.LookupText);
      if (!text.empty()) {
        extent = group.Length;
        result = text;
        return true;
      }
    }
    size_t content = 0;
    if (!Gather(group, content)) return false;
    extent = content + 2;
    ownResult = RunGroup(group, levels_[group.Depth]);
    result = ownResult;
    return true;
  }

  // The result of a gathered group, as the evaluator's RunCommand gives it.
  std::u16string RunGroup(const TProgramGroup& group, const TProgramScratch::TLevel& level) {
    const std::u16string& raw = level.Raw;
    const std::u16string& command = level.Command;
    if (raw.empty()) return {};
    int bar = group.Bar;
    TCommandId id = group.Command;
    if (!group.Constant) {
      const size_t found = command.find(u'|');
      bar = found == std::u16string::npos ? 0 : static_cast<int>(found) + 1;
      id = RecogniseCommand(command, bar);
    }
    std::u16string result;
    try {
      result = RunCommand(id, character_, raw, command, bar, now_);
    } catch (...) {
      result.clear();  // effects made before the failure stay
    }
    if (result.empty() && character_.PluginsEnabled && command.find(u'.') != std::u16string::npos) {
      result = character_.Plugins->ExpandTag(raw);
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

  // Counts a splice of a group of extent by a result of resultLength as the scan does; false at a
  // limit.
  bool Splice(size_t extent, size_t resultLength) {
    if (++splices_ > kMaxSplices) return false;
    splicedLength_ += resultLength;
    if (splicedLength_ > kMaxSplicedLength) return false;
    workingLength_ = workingLength_ - extent + resultLength;
    return workingLength_ <= kMaxWorkingTextLength;
  }

  TCharacter& character_;
  const TConditionProgram& program_;
  const TDateTime now_;
  std::vector<TProgramScratch::TLevel>& levels_;
  size_t workingLength_ = 0;
  int splices_ = 0;
  size_t splicedLength_ = 0;
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
