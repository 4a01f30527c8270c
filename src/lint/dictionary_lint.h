// The linter's listener on one dictionary's load: every line the dictionary passes over, every
// entry it reads and every pattern it analyses becomes findings.
//
// Lines passed over: a dictionary has no comment syntax, and its authors write headings of one
// field (such as "■あいさつ"), which the loader passes over by design. So a line of too few fields
// is reported only when it cannot be a heading: a marker alone, a line of one field that begins
// with a brace (a condition or reply missing its partner), a kind A line of two fields. Entries:
// fields beyond those the kind uses (a reply cut at an unquoted blank), a kind 0 condition that is
// not one brace group, an empty kind C reply, and the macro texts of conditions and replies.
// Patterns: what the dictionary's analysis could not prove compilable is compiled here, each
// distinct pattern once, and an error is reported with the engine's message at the column of the
// field as written; the fields of the file being read are kept for that until its patterns come.
// A kind A entry whose input pattern is found in every line (catch_all_pattern.h) is kept for the
// character to judge: it answers before every keyword of kind B.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "charfile/definition_keys.h"
#include "lint/file_lint.h"
#include "lint/pattern_check.h"

namespace kelmo {

// A kind A entry whose input pattern is found in every line a user can say.
struct TCatchAllEntry {
  std::string Path;           // its file (UTF-8 file-system path)
  int Line = 0;
  std::string PreviousReply;  // its previous-reply pattern, as written (Shift-JIS)
  std::string Input;          // its input pattern, as written (Shift-JIS)
};

class TDictionaryLint : public TFileLint {
 public:
  // The listener of a dictionary of kind whose file list is the definition's key at place;
  // folder: the character folder (data path), which missing files are named relative to.
  TDictionaryLint(TDictionaryKind kind, TDefinitionPlace place, std::string folder);

  void FileStarted(const std::string& path) override;
  void LineIgnored(int lineNumber, TIgnoredLine reason,
                   const std::vector<std::string>& fields) override;
  void EntryRead(int lineNumber, const std::vector<std::string>& fields) override;
  void PatternRead(int lineNumber, int field, const std::string& pattern,
                   TPatternVerdict verdict) override;

  // The kind A entries read whose input pattern is found in every line, in the order read.
  const std::vector<TCatchAllEntry>& CatchAllEntries() const { return catchAlls_; }

 private:
  // Whether the pattern of field `field` on lineNumber compiles (each text compiled once); when it
  // does not, the error is reported at the field.
  bool CompilesOrReport(int lineNumber, int field, const std::string& pattern);

  // Whether the input pattern of the kind A entry on lineNumber is found in every line; when it
  // is, the entry is kept in catchAlls_.
  void CheckCatchAll(int lineNumber, const std::string& pattern);

  const TDictionaryKind kind_;
  // The pattern fields of the file being read, indexed by line, for the column of an error.
  std::vector<std::array<std::string, 2>> patternFields_;
  // What compiling each pattern text gave: nothing, or the engine's error.
  std::unordered_map<std::string, std::optional<TPatternError>> compiled_;
  // Whether each input pattern text of kind A is found in every line.
  std::unordered_map<std::string, bool> foundEverywhere_;
  std::vector<TCatchAllEntry> catchAlls_;
  bool previousCompiles_ = false;  // of the kind A entry whose patterns are being heard
};

}  // namespace kelmo
