// The linter's findings and how they are written.
//
// A finding names a file and a line, says how bad it is (an error: the character does not do what
// its author wrote; a warning: it probably does not) and what is wrong, in Japanese, like the rest
// of the program's messages. The report keeps the files in the order the character names them
// (the definition file first, then the dictionaries key by key, then the petting files) and the
// findings of a file by line, and writes them one per line in the compiler format that editors
// jump from, or as JSON Lines for tools, each followed by a summary.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace kelmo {

enum class TLintSeverity : uint8_t { Warning, Error };

struct TLintFinding {
  std::string Path;  // the file: a UTF-8 file-system path
  int Line = 0;      // from 1; 0 for the file as a whole
  TLintSeverity Severity = TLintSeverity::Warning;
  std::string Check;    // which check found it: a fixed word for tools ("pattern", "braces", ...)
  std::string Message;  // UTF-8
};

class TLintReport {
 public:
  // Gives the file its place in the order, after the files noted or reported before it; a file
  // seen before keeps its place.
  void NoteFile(const std::string& path);

  // Adds a finding.
  void Add(TLintFinding finding);

  // Notes a file the character uses (one a loader read, a picture or sound it names that exists);
  // a file noted before is not repeated.
  void NoteUsedFile(const std::string& path);

  // The files the character uses, in the order noted, the definition file first when it exists.
  const std::vector<std::string>& UsedFiles() const { return usedFiles_; }

  // The findings in file order, then by line, each file's findings of one line in the order added.
  const std::vector<TLintFinding>& Findings() const;

  int Errors() const { return errors_; }
  int Warnings() const { return warnings_; }

  // The exit status of a lint run: 0 without findings, 1 with warnings only, 2 with an error.
  int ExitStatus() const;

 private:
  std::map<std::string, int> fileOrder_;
  std::vector<std::string> usedFiles_;
  // The findings, put in order when they are first asked for, and the place of each one's file.
  mutable std::vector<TLintFinding> findings_;
  mutable std::vector<int> ranks_;
  mutable bool sorted_ = true;
  int errors_ = 0;
  int warnings_ = 0;
};

// Writes each finding as "file:line: error: message" (or "warning"), the file relative to
// programFolder when it lies inside it, then a summary line about subject (the definition file).
void WriteLintText(const TLintReport& report, const std::string& programFolder,
                   const std::string& subject, std::ostream& out);

// Writes each finding as one JSON object, then the summary:
//   {"file":"characters/akari/kotoba1.txt","line":3,"severity":"warning","check":"ignored-line",
//    "message":"..."}
//   {"summary":{"file":"akari.klc","errors":0,"warnings":1}}
void WriteLintJson(const TLintReport& report, const std::string& programFolder,
                   const std::string& subject, std::ostream& out);

// The path as the report shows it: relative to programFolder when it lies inside it, else as it is.
std::string ShownPath(const std::string& path, const std::string& programFolder);

}  // namespace kelmo
