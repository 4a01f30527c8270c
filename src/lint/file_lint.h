// The linter's ear on a loader: a load listener that turns what it hears about the lines of data
// files into findings.
//
// TFileLint knows which file the lines belong to and reports what every kind of data file shares
// (characters a UTF-8 file could not keep, lines after an end marker, a missing file); the
// listeners of the dictionaries, the petting files and the definition file build on it. A listener
// collects its findings itself, since the dictionaries load on two threads, and hands them over
// once the load is done.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "charfile/load_listener.h"
#include "lint/lint_report.h"
#include "lint/macro_text_check.h"

namespace kelmo {

// Distinct macro texts a listener keeps the check of.
inline constexpr size_t kMacroTextCacheEntries = 4096;

// The check of a macro text that holds what only the loaded character can judge (nameless groups,
// named files), with the line it stands on. Lines that hold the same text share the check.
struct TPlacedCheck {
  int File = -1;  // an index of Files(), or -1 for the file the listener began with
  int Line = 0;
  std::shared_ptr<const TMacroTextCheck> Check;
};

// A line of the definition file that findings about a whole file list or file name point at.
struct TDefinitionPlace {
  std::string Path;  // the definition file (UTF-8 file-system path)
  int Line = 0;      // the value line of the key, 0 when the key is absent
  std::string Key;   // the key as the program knows it ("data01", "DefaultBitmap")
};

class TFileLint : public TLoadListener {
 public:
  // Lines heard before any FileStarted belong to path (the definition file, read without one).
  // Missing files are reported at the definition's place, naming them as "what" (a dictionary
  // file, a petting file) relative to folder (the character folder, a data path).
  TFileLint(std::string path, TDefinitionPlace place, std::string what, std::string folder);

  void FileStarted(const std::string& path) override;
  void FileMissing(const std::string& dataPath) override;
  void ReadingEnded(int markerLine, int firstLineWithText, int linesWithText) override;
  void CharactersReplaced(int lineNumber, const std::string& characters) override;

  // The files read, in order, the findings so far, and what the character must judge.
  const std::vector<std::string>& Files() const { return files_; }
  const std::vector<TLintFinding>& Findings() const { return findings_; }
  const std::vector<TPlacedCheck>& PlacedChecks() const { return placed_; }

  // The path of a placed check's file.
  const std::string& PathOf(int file) const { return file < 0 ? firstPath_ : files_[file]; }

  // Checks the macro text on line of the file being read (CheckMacroText): its problems become
  // findings, its nameless groups and named files are kept for the character to judge.
  void AddMacroText(int line, std::string_view text, TMacroTextPlace place);

 protected:
  // A finding on line of the file being read.
  void Add(int line, TLintSeverity severity, const char* check, std::string message);

  // The file being read (UTF-8 file-system path).
  const std::string& Path() const { return path_; }

 private:
  // Adds what the check of a macro text on line found.
  void Take(int line, const std::shared_ptr<const TMacroTextCheck>& check);

  std::string firstPath_;
  std::string path_;
  TDefinitionPlace place_;
  std::string what_;
  std::string folder_;
  std::vector<std::string> files_;
  std::vector<std::string> missing_;  // data paths reported missing: a list may name one twice
  std::vector<TLintFinding> findings_;
  std::vector<TPlacedCheck> placed_;
  // The checks of macro texts seen before, by place and text: large dictionaries repeat their
  // replies. Bounded by kMacroTextCacheEntries; texts beyond it are checked each time.
  std::unordered_map<std::string, std::shared_ptr<const TMacroTextCheck>> checked_;
};

// The listener of the petting menu's files: a line of one field is no action.
class TPettingLint : public TFileLint {
 public:
  using TFileLint::TFileLint;

  void LineIgnored(int lineNumber, TIgnoredLine reason,
                   const std::vector<std::string>& fields) override;
};

}  // namespace kelmo
