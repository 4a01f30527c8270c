// Ordering and writing findings.
#include "lint/lint_report.h"

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

namespace kelmo {
namespace {

const char* SeverityWord(TLintSeverity severity) {
  return severity == TLintSeverity::Error ? "error" : "warning";
}

// ShownPath of each path once: a large character has many findings in few files.
class TShownPaths {
 public:
  explicit TShownPaths(const std::string& programFolder) : programFolder_(programFolder) {}

  const std::string& Of(const std::string& path) {
    auto [known, added] = shown_.try_emplace(path);
    if (added) known->second = ShownPath(path, programFolder_);
    return known->second;
  }

 private:
  const std::string& programFolder_;
  std::map<std::string, std::string> shown_;
};

std::string SummaryText(const TLintReport& report, const std::string& subject) {
  if (report.Errors() == 0 && report.Warnings() == 0) {
    return subject + ": 問題は見つかりませんでした";
  }
  return subject + ": エラー " + std::to_string(report.Errors()) + " 件、警告 " +
         std::to_string(report.Warnings()) + " 件";
}

}  // namespace

void TLintReport::NoteFile(const std::string& path) {
  fileOrder_.try_emplace(path, static_cast<int>(fileOrder_.size()));
}

void TLintReport::NoteUsedFile(const std::string& path) {
  if (std::find(usedFiles_.begin(), usedFiles_.end(), path) == usedFiles_.end()) {
    usedFiles_.push_back(path);
  }
}

void TLintReport::Add(TLintFinding finding) {
  NoteFile(finding.Path);
  ranks_.push_back(fileOrder_.at(finding.Path));
  sorted_ = false;
  ++(finding.Severity == TLintSeverity::Error ? errors_ : warnings_);
  findings_.push_back(std::move(finding));
}

const std::vector<TLintFinding>& TLintReport::Findings() const {
  if (sorted_) return findings_;
  // Sorted through their numbers: a large character has many findings, each of three texts.
  std::vector<size_t> order(findings_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return std::make_pair(ranks_[a], findings_[a].Line) <
           std::make_pair(ranks_[b], findings_[b].Line);
  });
  std::vector<TLintFinding> sorted;
  std::vector<int> ranks;
  sorted.reserve(order.size());
  ranks.reserve(order.size());
  for (const size_t index : order) {
    sorted.push_back(std::move(findings_[index]));
    ranks.push_back(ranks_[index]);
  }
  findings_ = std::move(sorted);
  ranks_ = std::move(ranks);
  sorted_ = true;
  return findings_;
}

int TLintReport::ExitStatus() const {
  if (errors_ > 0) return 2;
  return warnings_ > 0 ? 1 : 0;
}

std::string ShownPath(const std::string& path, const std::string& programFolder) {
  const std::filesystem::path relative =
      std::filesystem::path(path).lexically_normal().lexically_relative(
          std::filesystem::path(programFolder).lexically_normal());
  if (relative.empty() || *relative.begin() == "..") return path;
  return relative.string();
}

void WriteLintText(const TLintReport& report, const std::string& programFolder,
                   const std::string& subject, std::ostream& out) {
  TShownPaths shown(programFolder);
  for (const TLintFinding& finding : report.Findings()) {
    out << shown.Of(finding.Path) << ':' << finding.Line << ": " << SeverityWord(finding.Severity)
        << ": " << finding.Message << '\n';
  }
  out << SummaryText(report, ShownPath(subject, programFolder)) << '\n';
}

void WriteLintJson(const TLintReport& report, const std::string& programFolder,
                   const std::string& subject, std::ostream& out) {
  using nlohmann::json;
  TShownPaths shown(programFolder);
  for (const TLintFinding& finding : report.Findings()) {
    const json record = {{"file", shown.Of(finding.Path)},
                         {"line", finding.Line},
                         {"severity", SeverityWord(finding.Severity)},
                         {"check", finding.Check},
                         {"message", finding.Message}};
    out << record.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
  }
  const json summary = {{"summary",
                         {{"file", ShownPath(subject, programFolder)},
                          {"errors", report.Errors()},
                          {"warnings", report.Warnings()}}}};
  out << summary.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
}

}  // namespace kelmo
