// Findings about the lines, entries and patterns of one dictionary.
#include "lint/dictionary_lint.h"

#include "charfile/code_page.h"
#include "charfile/text_utils.h"
#include "dictionary/kelmo_data.h"
#include "lint/catch_all_pattern.h"

namespace kelmo {
namespace {

// What each kind's lines hold.
struct TKindShape {
  size_t Fields;       // fields an entry uses (kind C: the whole line, 0)
  const char* Name;    // as authors call the kind
  const char* Needed;  // what an entry needs, for messages
};

TKindShape ShapeOf(TDictionaryKind kind) {
  switch (kind) {
    case TDictionaryKind::Conditions:
      return {2, "種類 0", "条件と返答の 2 つ"};
    case TDictionaryKind::PatternPairs:
      return {3, "種類 A", "前の返答のパターン、入力のパターン、返答の 3 つ"};
    case TDictionaryKind::Keywords:
      return {2, "種類 B", "入力のパターンと返答の 2 つ"};
    case TDictionaryKind::Lines:
      break;
  }
  return {0, "種類 C", ""};
}

// The name of a pattern field, for messages.
const char* PatternName(TDictionaryKind kind, int field) {
  return kind == TDictionaryKind::PatternPairs && field == 0 ? "前の返答のパターン"
                                                             : "入力のパターン";
}

// A marker's characters are ASCII, written half-width (one byte) or full-width (two bytes), so a
// longer field is never the separator and need not be normalised.
constexpr size_t kLongestMarkerField = 2 * kPriorMarker.size();

bool IsSeparator(const std::string& field) {
  return field.size() <= kLongestMarkerField && NormalizeKey(field) == kPriorMarker;
}

}  // namespace

TDictionaryLint::TDictionaryLint(TDictionaryKind kind, TDefinitionPlace place, std::string folder)
    : TFileLint(place.Path, place, "辞書ファイル", std::move(folder)), kind_(kind) {}

void TDictionaryLint::FileStarted(const std::string& path) {
  TFileLint::FileStarted(path);
  patternFields_.clear();
}

void TDictionaryLint::LineIgnored(int lineNumber, TIgnoredLine,
                                  const std::vector<std::string>& fields) {
  if (fields.empty()) return;  // a blank line
  const TKindShape shape = ShapeOf(kind_);
  if (fields.size() >= 2) {
    Add(lineNumber, TLintSeverity::Warning, "ignored-line",
        "欄が " + std::to_string(fields.size()) + " つしかないので読まれません: " + shape.Name +
            " の行には" + shape.Needed + "が要ります");
    return;
  }
  const std::string key = NormalizeKey(fields[0]);
  if (key == kPriorMarker || key == kEndOfDataMarker) {
    Add(lineNumber, TLintSeverity::Warning, "ignored-line",
        "「" + std::string(key) + "」だけの行は読まれません: 目印として働くのは後ろに欄が続くとき" +
            "です (例: " + std::string(key) + ",-" +
            (kind_ == TDictionaryKind::PatternPairs ? ",-" : "") + ")");
    return;
  }
  // One field that does not begin with a brace is a heading.
  if (!key.starts_with('{')) return;
  Add(lineNumber, TLintSeverity::Warning, "ignored-line",
      std::string("欄がひとつしかないので読まれません: ") + shape.Name + " の行には" + shape.Needed +
          "が要ります (欄は「,」か空白で区切り、空白を含む欄は「\"」で囲みます)");
}

void TDictionaryLint::EntryRead(int lineNumber, const std::vector<std::string>& fields) {
  if (kind_ == TDictionaryKind::Lines) {
    const std::string& line = fields.front();
    if (line.empty()) {
      Add(lineNumber, TLintSeverity::Warning, "empty-reply", "空の行は何も言わない返答になります");
      return;
    }
    if (IsSeparator(line)) return;
    AddMacroText(lineNumber, line, TMacroTextPlace::Reply);
    return;
  }
  const TKindShape shape = ShapeOf(kind_);
  if (IsSeparator(fields[0])) return;
  if (fields.size() > shape.Fields) {
    Add(lineNumber, TLintSeverity::Warning, "extra-fields",
        "返答の後ろの " + std::to_string(fields.size() - shape.Fields) +
            " つの欄は使われません: 空白や「,」を含む返答は「\"」で囲みます");
  }
  if (kind_ == TDictionaryKind::Conditions) {
    AddMacroText(lineNumber, fields[0], TMacroTextPlace::Condition);
  } else {
    if (patternFields_.size() <= static_cast<size_t>(lineNumber)) {
      patternFields_.resize(static_cast<size_t>(lineNumber) + 1);
    }
    const size_t patterns = shape.Fields - 1;
    for (size_t field = 0; field < patterns; ++field) {
      patternFields_[static_cast<size_t>(lineNumber)][field] = fields[field];
    }
  }
  AddMacroText(lineNumber, fields[shape.Fields - 1], TMacroTextPlace::Reply);
}

void TDictionaryLint::PatternRead(int lineNumber, int field, const std::string& pattern,
                                  TPatternVerdict verdict) {
  const bool compiles =
      verdict == TPatternVerdict::Compiles || CompilesOrReport(lineNumber, field, pattern);
  if (kind_ != TDictionaryKind::PatternPairs) return;
  // The two patterns of an entry come one after the other. A follow-up whose previous-reply
  // pattern is never found answers nothing, so it hides nothing either.
  if (field == 0) {
    previousCompiles_ = compiles;
  } else if (compiles && previousCompiles_) {
    CheckCatchAll(lineNumber, pattern);
  }
}

bool TDictionaryLint::CompilesOrReport(int lineNumber, int field, const std::string& pattern) {
  auto [known, added] = compiled_.try_emplace(pattern);
  if (added) known->second = CompilePattern(pattern);
  if (!known->second) return true;
  const size_t line = static_cast<size_t>(lineNumber);
  const std::string written =
      line < patternFields_.size() ? patternFields_[line][static_cast<size_t>(field)] : "";
  Add(lineNumber, TLintSeverity::Error, "pattern",
      std::string(PatternName(kind_, field)) + "「" + ShiftJisToUtf8(written) + "」の " +
          std::to_string(FieldCharacterOf(written, known->second->Offset) + 1) +
          " 文字目でコンパイルできません (この行は選ばれません): " + known->second->Message);
  return false;
}

void TDictionaryLint::CheckCatchAll(int lineNumber, const std::string& pattern) {
  auto [known, added] = foundEverywhere_.try_emplace(pattern);
  if (added) known->second = FoundInEveryLine(pattern);
  if (!known->second) return;
  const size_t line = static_cast<size_t>(lineNumber);
  const std::array<std::string, 2> written =
      line < patternFields_.size() ? patternFields_[line] : std::array<std::string, 2>{};
  catchAlls_.push_back({Path(), lineNumber, written[0], written[1]});
}

}  // namespace kelmo
