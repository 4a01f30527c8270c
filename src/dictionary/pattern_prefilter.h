// The prefilter over the distinct patterns of a dictionary field: from a text, the few patterns
// that may be found in it, and for most of those whether they are.
//
// Every pattern is analysed once (pattern_requirement.h) and indexed by its strongest clause: its
// literals go into one trie shared by the field, each literal listing the patterns whose clause
// holds it; each distinct set of first bytes lists its patterns; patterns without clauses are
// listed for every text. Marking a text walks the trie once over the text and tests each set of
// first bytes against the bytes that begin the text's characters; the patterns listed under what
// the text holds are marked. A marked pattern then meets its strongest clause, and Decide checks
// the others against what the text was found to hold. A pattern that is just a few literal
// strings (or matches every text) is decided without any search.
//
// The prefilter never leaves out a pattern that is found in the text.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "dictionary/literal_trie.h"
#include "dictionary/pattern_requirement.h"

namespace kelmo {

class TPatternPrefilter {
 public:
  // What the prefilter knows of a pattern that Mark gave.
  enum class TVerdict : uint8_t { NotFound, Found, Search };

  // Analyses the pattern numbered `pattern` (small numbers from 0 up, each given once) and
  // indexes it. Returns false when it has a syntax error: it is never found, and Mark never gives
  // it. Errors other than syntax errors go on to the caller, the pattern left unnumbered.
  bool Add(int pattern, const std::string& text, uint8_t charCode);

  // Empties patterns and appends every pattern that may be found in text, once each. A pattern
  // left out is not found in text. What text holds is kept for Decide.
  void Mark(std::string_view text, std::vector<int32_t>& patterns);

  // For a pattern that the last Mark gave: found or not found when its clauses decide, Search
  // when only a search of the text can tell.
  TVerdict Decide(int pattern) const;

 private:
  // How an indexed pattern is decided once marked.
  enum class TDecision : uint8_t {
    Found,   // exact literals (marked only where one occurs), or found in every text
    Search,  // no clause to check, or all checked
    Check,   // its further clauses must hold, then a search
  };

  // A further clause: one of the literals checkLiterals_[FirstLiteral, EndLiteral) (ids in the
  // trie), or the byte set ByteSet.
  struct TCheck {
    int32_t ByteSet = -1;  // -1 for a clause of literals
    int32_t FirstLiteral = 0;
    int32_t EndLiteral = 0;
  };

  // The checks of a pattern are checks_[FirstCheck, EndCheck). Kept in flat arrays: Decide runs
  // for every marked pattern, and a pointer to follow per pattern and per check would cost a
  // cache miss each.
  struct TPatternIndex {
    TDecision Decision = TDecision::Search;
    int32_t FirstCheck = 0;
    int32_t EndCheck = 0;
  };

  int LiteralId(const std::string& literal);
  int ByteSetId(const TByteSet& bytes);
  void MarkPattern(int32_t pattern, std::vector<int32_t>& patterns);

  // The character code of the first pattern; literals and first bytes are indexed only for
  // patterns in this code, the others are marked for every text.
  bool hasCharCode_ = false;
  uint8_t charCode_ = 0;

  std::vector<TPatternIndex> patterns_;  // per pattern
  std::vector<TCheck> checks_;
  std::vector<int32_t> checkLiterals_;
  std::vector<int32_t> unconditional_;   // patterns marked for every text

  TLiteralTrie literals_;
  std::vector<std::vector<int32_t>> literalPatterns_;  // per literal id: patterns indexed there
  std::map<TByteSet, int> byteSetIds_;
  std::vector<TByteSet> byteSets_;
  std::vector<std::vector<int32_t>> byteSetPatterns_;  // per byte set id

  // What the last Mark saw: a literal, a byte set or a pattern belongs to it when its stamp
  // equals stamp_.
  uint32_t stamp_ = 0;
  std::vector<uint32_t> literalStamps_;
  std::vector<uint32_t> byteSetStamps_;
  std::vector<uint32_t> patternStamps_;
};

}  // namespace kelmo
