// A generator of large synthetic characters for the dictionary benchmarks.
//
// A generated character is a folder with a definition file and Shift-JIS dictionary files, cut
// into several priority groups, shaped like the dictionaries authors grow over years: keyword
// patterns of Japanese words (plain, alternations, "#" digits, classes, anchors, ".*" between
// words, optional parts, a share with no literal at all and a few with syntax errors), kind 0
// conditions using EQ, LIKE and comparisons, kind A pattern pairs and kind C small talk. A
// character of kind 0 alone has conditions in the forms and shares of the bundled characters'
// kind 0 dictionaries: tests of the query (EQ, LIKE), time-of-day, turn, counter and flag tests
// behind a test of the query, a date kept in a memo, and the switch words of READCHARACTER:.
//
// Beside the character the generator writes what the benchmark needs to judge it: every kind B
// pattern of "datab2" rewritten over bytes for RE2 and Hyperscan, and a pool of user lines meant
// to hit the first group, only the last group, or nothing. The words are drawn from separate
// vocabularies so that those intentions mostly hold; the benchmark still classifies every line by
// the plain scan before it measures anything.
//
// Everything is drawn from one seeded generator: the same options give the same files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kelmo::bench {

// Which dictionaries a generated character fills.
enum class TCharacterShape {
  KindBOnly,     // only "datab2", the reusable keyword dictionary
  AllKinds,      // all eight dictionaries
  KindZeroOnly,  // only "data02", the reusable condition dictionary
};

// The shape a command-line name gives: "b", "all" or "0"; false for any other name.
bool ShapeNamed(const std::string& name, TCharacterShape& shape);

struct TLargeCharacterOptions {
  int EntriesPerDictionary = 1000;  // entries of each filled dictionary, separators excluded
  TCharacterShape Shape = TCharacterShape::KindBOnly;
  int GroupCount = 5;  // priority groups of each pattern dictionary
  uint32_t Seed = 20261208;
};

// File names the generator writes into the folder.
inline constexpr const char* kDefinitionFileName = "large.klc";
// One line per "datab2" entry in file order: the pattern over bytes (ASCII, RE2 and Hyperscan
// syntax), "{PRIOR}" for a separator, "{BROKEN}" for a pattern with a syntax error.
inline constexpr const char* kBytePatternsFileName = "bench_patterns.txt";
// Candidate user lines, Shift-JIS, one per line, each prefixed by its intended category and a tab:
// "first", "late" or "nothing" (for the first group of "datab2", or of "data02" in a character of
// kind 0 alone).
inline constexpr const char* kLinesFileName = "bench_lines.txt";

// Writes the character described by options into folder (created if missing; existing files of
// the same names are replaced). Throws std::runtime_error when a file cannot be written.
void WriteLargeCharacter(const std::filesystem::path& folder,
                         const TLargeCharacterOptions& options);

}  // namespace kelmo::bench
