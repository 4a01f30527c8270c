// The first start's copy of the bundled characters.
#include "instance/first_start.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>
#include <system_error>

#include "charfile/atomic_file.h"
#include "charfile/character_file.h"
#include "charfile/character_list.h"
#include "charfile/data_path.h"
#include "charfile/kelmo_error.h"
#include "charfile/text_file.h"
#include "shell/file_error_text.h"
#include "shell/settings.h"

namespace kelmo {
namespace {

namespace fs = std::filesystem;

// The extension of the definition files listed after the copy.
constexpr std::string_view kDefinitionExtension = ".klc";

std::string CopyProblem(const fs::path& path, const std::error_code& error) {
  return "コピーできません: " + path.string() + " (" + SystemErrorReason(error.value()) + ")";
}

std::string LinkProblem(const fs::path& link) {
  return "コピーしません: " + link.string() +
         " (シンボリックリンクです。リンクの先には書き込みません)";
}

// The first path from programFolder down to target (relative below it) that is a symbolic link,
// or nothing. Each folder on the way is checked, so nothing is written through a link planted
// anywhere below the program folder.
std::optional<fs::path> LinkOnTheWay(const fs::path& programFolder, const fs::path& relative) {
  fs::path path = programFolder;
  for (const fs::path& component : relative) {
    path /= component;
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(path, error))) return path;
  }
  return std::nullopt;
}

// Copies one regular file unless its target exists; counts it when written.
void CopyNewFile(const fs::path& from, const fs::path& to, TSeedReport& report) {
  try {
    if (WriteNewFileAtomically(to.string(), ReadFileSystemBytes(from.string()))) {
      ++report.CopiedFiles;
    }
  } catch (const EFileError& error) {
    report.Problems.push_back(SaveFailureMessage(error));
  }
}

void CopyTree(const fs::path& shareFolder, const fs::path& programFolder, TSeedReport& report) {
  std::error_code error;
  fs::recursive_directory_iterator entry(shareFolder, error);
  if (error) {
    report.Problems.push_back(CopyProblem(shareFolder, error));
    return;
  }
  for (const fs::recursive_directory_iterator end; entry != end; entry.increment(error)) {
    if (error) {
      report.Problems.push_back(CopyProblem(shareFolder, error));
      return;
    }
    const fs::path relative = fs::relative(entry->path(), shareFolder);
    const fs::path target = programFolder / relative;
    std::error_code kind;
    if (entry->is_symlink(kind)) {
      if (entry->is_directory(kind)) entry.disable_recursion_pending();
      continue;
    }
    if (const std::optional<fs::path> link = LinkOnTheWay(programFolder, relative)) {
      // Reported once, at the link itself; what lies below it is skipped.
      if (*link == target) report.Problems.push_back(LinkProblem(*link));
      if (entry->is_directory(kind)) entry.disable_recursion_pending();
      continue;
    }
    if (entry->is_directory(kind)) {
      fs::create_directory(target, error);
      if (error) {
        report.Problems.push_back(CopyProblem(target, error));
        entry.disable_recursion_pending();
        error.clear();
      }
    } else if (entry->is_regular_file(kind)) {
      CopyNewFile(entry->path(), target, report);
    }
  }
}

// The definition files at the top of the share folder, in name order.
std::vector<std::string> BundledDefinitionFiles(const fs::path& shareFolder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(shareFolder, error)) {
    std::error_code kind;
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file(kind) && !entry.is_symlink(kind) &&
        fs::path(name).extension() == kDefinitionExtension) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Lists the copied definition files when the settings file lists no character yet.
void ListBundledCharacters(const fs::path& shareFolder, const fs::path& programFolder,
                           TSeedReport& report) {
  const std::string folder = IncludeTrailingDelimiter(FromFileSystemPath(programFolder.string()));
  TCharacterList list(folder + std::string(kSettingsFileName));
  if (!list.Items.empty()) return;
  for (const std::string& name : BundledDefinitionFiles(shareFolder)) {
    // AddCharacter keeps what the list loader would keep: valid definition files.
    const std::string path = folder + FromFileSystemPath(name);
    if (IsValidCharacterFile(path)) list.AddCharacter(path);
  }
  try {
    list.Save();
  } catch (const EFileError& error) {
    report.Problems.push_back(SaveFailureMessage(error));
  }
}

}  // namespace

bool IsFirstStart(const std::string& programFolder) {
  std::error_code error;
  return !fs::exists(fs::symlink_status(fs::path(programFolder) / kSettingsFileName, error));
}

TSeedReport SeedProgramFolder(const std::string& programFolder, const std::string& shareFolder) {
  TSeedReport report;
  std::error_code error;
  fs::create_directories(programFolder, error);
  if (error) {
    report.Problems.push_back(CopyProblem(programFolder, error));
    return report;
  }
  CopyTree(shareFolder, programFolder, report);
  ListBundledCharacters(shareFolder, programFolder, report);
  return report;
}

}  // namespace kelmo
