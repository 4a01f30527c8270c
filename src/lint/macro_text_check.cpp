// Pairing the braces of a macro text and asking each group what it names.
#include "lint/macro_text_check.h"

#include <algorithm>

#include "charfile/code_page.h"
#include "charfile/text_utils.h"
#include "lint/group_meaning.h"
#include "shell/display_commands.h"

namespace kelmo {
namespace {

// The reply that stays quiet on purpose: its lone "}" empties the evaluation.
constexpr std::u16string_view kSilentReply = u"}";
// The condition that always holds, after normalisation.
constexpr std::u16string_view kAlwaysTrue = u"TRUE";
// Longest group quoted whole in a message; a longer one is cut and marked.
constexpr size_t kMaxQuotedCharacters = 40;
// Longest group holding inner groups that is still asked whether it is a mark. A mark is a short
// word that follow-ups look for; asking the character about every level of a deep nest would cost
// the square of its depth in time and memory. Groups without inner groups never overlap, so any
// length of theirs is asked.
constexpr size_t kLongestNestedMark = 256;
// Display commands that name a picture, and the one that names a sound with its kind letter.
constexpr std::u16string_view kPictureWords[] = {u"PIC:", u"SETDEFBITMAP:"};
constexpr std::u16string_view kSoundWord = u"SOUND";
// The sound kind letters that play: without waiting, and waiting for the end.
constexpr char16_t kSoundAsync = u'A';
constexpr char16_t kSoundWait = u'S';

std::string Quoted(std::u16string_view group) {
  if (group.size() <= kMaxQuotedCharacters) return "「" + Utf16ToUtf8(group) + "」";
  return "「" + Utf16ToUtf8(group.substr(0, kMaxQuotedCharacters)) + "…」";
}

std::string At(size_t index) {
  return std::to_string(index + 1) + " 文字目";
}

// Whether the text is one brace group: its first "{" closes at its last character.
bool IsOneGroup(std::u16string_view text) {
  if (!text.starts_with(u'{')) return false;
  int depth = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'{') ++depth;
    if (text[i] == u'}' && --depth == 0) return i + 1 == text.size();
  }
  return false;
}

// A group whose "}" has not come yet, and its own text so far: the characters it holds directly,
// without its inner groups (Plain) and with kInnerGroupResult in place of each (WithInnerResults).
struct TOpenGroup {
  size_t Start = 0;  // where its "{" stands
  std::u16string Plain;
  std::u16string WithInnerResults;
  bool HasInnerGroups = false;

  void Add(char16_t c) {
    Plain += c;
    WithInnerResults += c;
  }
  void AddInnerGroup() {
    WithInnerResults += kInnerGroupResult;
    HasInnerGroups = true;
  }
};

class TChecker {
 public:
  TChecker(std::u16string text, TMacroTextPlace place) : text_(std::move(text)), place_(place) {}

  TMacroTextCheck Run() {
    if (place_ == TMacroTextPlace::Condition) CheckConditionShape();
    // One level per open group, holding the group's own text: each character is copied into
    // the one group that directly holds it, so the cost stays linear however deep the nesting.
    std::vector<TOpenGroup> open;
    for (size_t i = 0; i < text_.size(); ++i) {
      const char16_t c = text_[i];
      if (c == u'{') {
        if (!open.empty()) open.back().AddInnerGroup();
        open.emplace_back().Start = i;
      } else if (c == u'}') {
        if (open.empty()) {
          StrayClose(i);
          continue;
        }
        Group(open.back(), i);
        open.pop_back();
      } else if (!open.empty()) {
        open.back().Add(c);
      }
    }
    if (!open.empty()) {
      Problem(TLintSeverity::Error, "braces",
              At(open.front().Start) + "の「{」が閉じていません: そこから後ろは評価で捨てられます");
    }
    return std::move(result_);
  }

 private:
  void Problem(TLintSeverity severity, const char* check, std::string message) {
    result_.Problems.push_back({severity, check, std::move(message)});
  }

  // A condition passes only when it evaluates to exactly "TRUE", which one brace group can give.
  void CheckConditionShape() {
    if (NormalizeText(text_) == kAlwaysTrue) return;
    if (text_.find(u'{') == std::u16string::npos) {
      Problem(TLintSeverity::Warning, "condition",
              "条件" + Quoted(text_) +
                  "は波かっこのまとまりではないので、この行は選ばれません (いつも選ぶなら True)");
      return;
    }
    if (!IsOneGroup(text_)) {
      Problem(TLintSeverity::Warning, "condition",
              "条件がひとつの波かっこのまとまりではありません: 評価した結果がちょうど True "
              "にならない限り、この行は選ばれません");
    }
  }

  void StrayClose(size_t at) {
    if (place_ == TMacroTextPlace::Reply && text_ == kSilentReply) return;
    Problem(TLintSeverity::Error, "braces",
            At(at) + "の「}」は開いていない波かっこを閉じています: 評価すると全体が空になります");
  }

  void Group(const TOpenGroup& open, size_t end) {
    const size_t start = open.Start;
    const std::u16string_view group = std::u16string_view(text_).substr(start, end - start + 1);
    if (group.size() > 2 && group[1] == u'{') return;  // its name is an inner group's result
    if (NamesMacroCommand(open.Plain) || NamesMacroCommand(open.WithInnerResults)) return;
    if (place_ != TMacroTextPlace::Condition) {
      // The typewriter reads a group without its inner groups, which is the plain text.
      const TDisplayCommandUse display = RecogniseDisplayCommand(open.Plain);
      if (!display.Word.empty()) {
        DisplayCommand(start, group, display, !open.HasInnerGroups);
        return;
      }
    }
    if (IsPluginTag(NormalizeText(open.Plain))) return;
    const std::string what =
        place_ == TMacroTextPlace::Condition
            ? "マクロコマンドでもプラグインタグでもありません: 何もしません"
            : "マクロコマンドでも表示コマンドでもプラグインタグでもありません: "
              "何もせず、表示されずに消えます";
    const bool mayBeMark = place_ == TMacroTextPlace::Reply &&
                           (!open.HasInnerGroups || group.size() <= kLongestNestedMark);
    result_.NamelessGroups.push_back(
        {At(start) + "の" + Quoted(group) + "は" + what,
         mayBeMark ? Utf16ToShiftJis(NormalizeText(group)) : std::string(), mayBeMark});
  }

  // Notes the file a display command names; literal: the group has no inner group.
  void DisplayCommand(size_t start, std::u16string_view group, const TDisplayCommandUse& display,
                      bool literal) {
    if (display.Word == kSoundWord) {
      const char16_t kind = NormalizeCharacter(display.Argument[0]);
      if (kind != kSoundAsync && kind != kSoundWait) {
        Problem(TLintSeverity::Warning, "sound-command",
                At(start) + "の" + Quoted(group) +
                    "は音を鳴らしません: SOUND の次は A (待たずに鳴らす) か S "
                    "(鳴り終わるまで待つ) です");
        return;
      }
      if (literal) AddFile(TNamedFile::TKind::Sound, display.Argument.substr(2), group);
      return;
    }
    const bool picture = std::find(std::begin(kPictureWords), std::end(kPictureWords),
                                   display.Word) != std::end(kPictureWords);
    if (picture && literal) AddFile(TNamedFile::TKind::Picture, display.Argument, group);
  }

  void AddFile(TNamedFile::TKind kind, std::u16string_view name, std::u16string_view group) {
    result_.Files.push_back({kind, Utf16ToShiftJis(name), Utf16ToUtf8(group)});
  }

  const std::u16string text_;
  const TMacroTextPlace place_;
  TMacroTextCheck result_;
};

}  // namespace

TMacroTextCheck CheckMacroText(std::string_view text, TMacroTextPlace place) {
  // Decoded first: a trail byte of a double-byte character may be 0x7B or 0x7D.
  return TChecker(ShiftJisToUtf16(text), place).Run();
}

}  // namespace kelmo
