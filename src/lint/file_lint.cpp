// What every data file's listener reports.
#include "lint/file_lint.h"

#include <algorithm>

#include "charfile/code_page.h"

namespace kelmo {

TFileLint::TFileLint(std::string path, TDefinitionPlace place, std::string what, std::string folder)
    : firstPath_(path),
      path_(std::move(path)),
      place_(std::move(place)),
      what_(std::move(what)),
      folder_(std::move(folder)) {}

void TFileLint::FileStarted(const std::string& path) {
  path_ = path;
  files_.push_back(path);
}

void TFileLint::FileMissing(const std::string& dataPath) {
  if (std::find(missing_.begin(), missing_.end(), dataPath) != missing_.end()) return;
  missing_.push_back(dataPath);
  const std::string name =
      dataPath.starts_with(folder_) ? dataPath.substr(folder_.size()) : dataPath;
  findings_.push_back(
      {place_.Path, place_.Line, TLintSeverity::Error, "missing-file",
       what_ + "「" + ShiftJisToUtf8(name) + "」がありません (" + place_.Key + ")"});
}

void TFileLint::ReadingEnded(int markerLine, int firstLineWithText, int linesWithText) {
  if (linesWithText == 0) return;
  Add(firstLineWithText, TLintSeverity::Warning, "after-end-marker",
      std::to_string(markerLine) + " 行目の {ENDOFDATA} で読むのをやめるので、ここから後ろの " +
          std::to_string(linesWithText) + " 行は読まれません");
}

void TFileLint::CharactersReplaced(int lineNumber, const std::string& characters) {
  Add(lineNumber, TLintSeverity::Warning, "replaced-characters",
      "Shift-JIS にない文字「" + characters + "」は「〓」として読まれます");
}

void TFileLint::AddMacroText(int line, std::string_view text, TMacroTextPlace place) {
  std::string key(1, static_cast<char>(place));
  key += text;
  auto cached = checked_.find(key);
  if (cached == checked_.end()) {
    auto check = std::make_shared<const TMacroTextCheck>(CheckMacroText(text, place));
    if (checked_.size() >= kMacroTextCacheEntries) {
      Take(line, check);
      return;
    }
    cached = checked_.emplace(std::move(key), std::move(check)).first;
  }
  Take(line, cached->second);
}

void TFileLint::Take(int line, const std::shared_ptr<const TMacroTextCheck>& check) {
  for (const TMacroTextProblem& problem : check->Problems) {
    Add(line, problem.Severity, problem.Check.c_str(), problem.Message);
  }
  if (!check->NamelessGroups.empty() || !check->Files.empty()) {
    placed_.push_back({static_cast<int>(files_.size()) - 1, line, check});
  }
}

void TFileLint::Add(int line, TLintSeverity severity, const char* check, std::string message) {
  findings_.push_back({path_, line, severity, check, std::move(message)});
}

void TPettingLint::LineIgnored(int lineNumber, TIgnoredLine,
                               const std::vector<std::string>& fields) {
  if (fields.size() != 1) return;  // a blank line
  Add(lineNumber, TLintSeverity::Warning, "petting-line",
      "欄がひとつしかないので、なでなでメニューに入りません: 見出しと送る言葉を「,」で区切ります");
}

}  // namespace kelmo
