// The prefilter against the plain scan: on thousands of random kind A and kind B dictionaries and
// random lines, CollectCandidates must give exactly the list ScanCandidates gives.
//
// Patterns and lines are drawn from a small alphabet so that they collide often: single- and
// double-byte characters, digits, every operator of the pattern language, anchors anywhere,
// classes small and large, escapes, lone lead bytes and pieces that break the syntax. Lines add
// line breaks, NUL bytes and odd trail bytes. Dictionaries have several groups, and lookups in
// OnceOnly dictionaries use entries up between comparisons; some name a file twice. The seed is
// fixed.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "dictionary/kelmo_data_a.h"
#include "dictionary/kelmo_data_b.h"
#include "dictionary_test_support.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

using testing::Candidates;
using testing::Sjis;

// Dictionaries of each kind, and lines compared per dictionary.
constexpr int kDictionaries = 1500;
constexpr int kLinesPerDictionary = 12;

// Pattern pieces, Shift-JIS. The loader normalises them (lower case, full width) and expands "#".
const std::vector<std::string>& PatternPieces() {
  static const std::vector<std::string> pieces = {
      "A",
      "B",
      "AB",
      "a",
      "0",
      "7",
      "#",
      "\\#",
      Sjis(u"あ"),
      Sjis(u"い"),
      Sjis(u"あい"),
      Sjis(u"ア"),
      Sjis(u"亜"),
      Sjis(u"Ａ"),
      "\x82",
      "\x82\x41",
      "*",
      "+",
      "?",
      "|",
      "(",
      ")",
      "(A|B)",
      Sjis(u"(あ|い)"),
      "(A|)",
      "[AB]",
      Sjis(u"[あい]"),
      "[^A]",
      Sjis(u"[あ-う]"),
      "[0-9]",
      "[A-Z]",
      "[^\\x00-\\xffff]",
      ".",
      ".*",
      "^",
      "$",
      "\\x41",
      "\\n",
      "\\",
      "[A-",
      "[]",
      "[]A]",
      "A+",
      "B*",
      "(AB)+",
      Sjis(u"あ?"),
      "$A",
      "A^",
      "^$",
      " ",
      "\"",
  };
  return pieces;
}

// Line pieces: the same characters plus line breaks, NUL, a lead byte with an odd trail.
const std::vector<std::string>& LinePieces() {
  static const std::vector<std::string> pieces = {
      "A",
      "B",
      "AB",
      "0",
      "7",
      "#",
      "^",
      "$",
      "|",
      Sjis(u"あ"),
      Sjis(u"い"),
      Sjis(u"ア"),
      Sjis(u"亜"),
      "\x82",
      "\x82\x41",
      "\r",
      "\n",
      "\r\n",
      std::string(1, '\0'),
      "Z",
      "[",
      "(",
  };
  return pieces;
}

class Generator {
 public:
  explicit Generator(uint32_t seed) : random_(seed) {}

  int Below(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }

  std::string Draw(const std::vector<std::string>& pieces, int most) {
    std::string text;
    for (int count = Below(most + 1); count > 0; --count) text += pieces[Below(pieces.size())];
    return text;
  }

  // A field in double quotes, so that blanks, commas and quotes stay in it.
  static std::string Quoted(const std::string& field) {
    std::string quoted = "\"";
    for (const char c : field) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
  }

  // A dictionary file of `fields` fields per line: patterns, one reply per entry, separators.
  std::string File(int fields) {
    std::vector<std::string> lines;
    for (int entry = Below(24); entry >= 0; --entry) {
      if (Below(8) == 0) {
        lines.push_back(fields == 2 ? "{PRIOR},x" : "{PRIOR},x,x");
        continue;
      }
      std::string line = Quoted(Draw(PatternPieces(), 5));
      if (fields == 3) line += "," + Quoted(Draw(PatternPieces(), 3));
      line += ",r" + std::to_string(entry);
      lines.push_back(line);
    }
    return testing::CrLf(lines);
  }

  std::string Line() { return Draw(LinePieces(), 10); }

 private:
  std::mt19937 random_;
};

TEST(PrefilterProperty, KindBCandidatesEqualThePlainScan) {
  testing::TempFolder folder;
  Generator generator(20261208);
  for (int round = 0; round < kDictionaries; ++round) {
    TKelmoDataB dictionary(round % 2 == 0, nullptr);
    const std::string first = folder.Write("b1.txt", generator.File(2));
    dictionary.LoadFile(first);
    // A second file continues the groups and the prefilter.
    if (round % 3 == 0) dictionary.LoadFile(folder.Write("b2.txt", generator.File(2)));
    // A file named again is listed again, its first naming marked before it.
    if (round % 3 == 2) {
      dictionary.LoadFile(folder.Write("b2.txt", generator.File(2)));
      dictionary.LoadFile(first);
    }
    for (int line = 0; line < kLinesPerDictionary; ++line) {
      // A file loaded after lookups joins what earlier lookups prepared.
      if (round % 3 == 1 && line == kLinesPerDictionary / 2) {
        dictionary.LoadFile(folder.Write("b3.txt", generator.File(2)));
      }
      const std::string input = generator.Line();
      TAnswerList plain(dictionary.EntryCount());
      dictionary.ScanCandidates(input, plain);
      ASSERT_EQ(Candidates(dictionary, input), plain.Items())
          << "round " << round << ", input " << ::testing::PrintToString(input);
      dictionary.Lookup(input);  // uses an entry up in a OnceOnly dictionary
    }
  }
}

TEST(PrefilterProperty, KindACandidatesEqualThePlainScan) {
  testing::TempFolder folder;
  Generator generator(8121202);
  for (int round = 0; round < kDictionaries; ++round) {
    TKelmoDataA dictionary(round % 2 == 0, nullptr);
    const std::string file = folder.Write("a.txt", generator.File(3));
    dictionary.LoadFile(file);
    if (round % 2 == 1) dictionary.LoadFile(file);
    for (int line = 0; line < kLinesPerDictionary; ++line) {
      dictionary.SetContext(ShiftJisToUtf16(generator.Line()));
      const std::string input = generator.Line();
      TAnswerList plain(dictionary.EntryCount());
      dictionary.ScanCandidates(input, plain);
      ASSERT_EQ(Candidates(dictionary, input), plain.Items())
          << "round " << round << ", context " << ::testing::PrintToString(dictionary.Context())
          << ", input " << ::testing::PrintToString(input);
      dictionary.Lookup(input);
    }
  }
}

}  // namespace
}  // namespace kelmo
