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

 private:
  const TDictionaryKind kind_;
  // The pattern fields of the file being read, indexed by line, for the column of an error.
  std::vector<std::array<std::string, 2>> patternFields_;
  // What compiling each pattern text gave: nothing, or the engine's error.
  std::unordered_map<std::string, std::optional<TPatternError>> compiled_;
};

}  // namespace kelmo
