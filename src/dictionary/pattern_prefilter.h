// The prefilter over the distinct patterns of a dictionary field: from a text, the few patterns
// that may be found in it, and for most of those whether they are.
//
// Every pattern is analysed once (pattern_requirement.h) and indexed by its strongest clause: its
// literals go into one trie shared by the field, each literal listing the patterns whose clause
// holds it; each distinct set of first bytes lists its patterns; patterns without clauses are
// listed for every text. Marking a text walks the trie once over the text and tests each set of
// first bytes against the bytes that begin the text's characters; the patterns listed under what
// the text holds are marked. A marked pattern then meets its strongest clause, and its others are
// checked against what the text was found to hold. A pattern that is just a few literal strings
// (or matches every text) is decided without any search.
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

// Where the entries of a pattern are, as the pattern table keeps them: entries [First, First +
// Count) of its own list, or, when Count is 1, the entry First itself. The prefilter keeps a copy
// with every listing of the pattern and gives it back with the pattern.
struct TPatternEntries {
  int32_t First = 0;
  int32_t Count = 0;
};

class TPatternPrefilter {
 public:
  // What the prefilter knows of a pattern that Mark gives.
  enum class TVerdict : uint8_t { Found, Search };

  // Analyses the pattern numbered `pattern` (small numbers from 0 up, each given once) and
  // indexes it. Returns false when it has a syntax error: it is never found, and Mark never gives
  // it. Errors other than syntax errors go on to the caller, the pattern left unnumbered.
  bool Add(int pattern, const std::string& text, uint8_t charCode);

  // Sets the entries given back with each pattern, entries[pattern] (one per pattern added).
  void AttachEntries(const std::vector<TPatternEntries>& entries);

  // Calls visit(pattern, verdict, entries) once for every pattern that may be found in text,
  // verdict Found when its clauses decide that it is, Search when only a search of text can tell.
  // A pattern not visited is not found in text.
  template <class TVisit>
  void Mark(std::string_view text, TVisit&& visit);

 private:
  // How an indexed pattern is decided once marked.
  enum class TDecision : uint8_t {
    Found,   // exact literals (marked only where one occurs), or found in every text
    Search,  // no clause to check, or all checked
    Check,   // its further clauses must hold, then a search
  };

  // A pattern as listed under a literal, a byte set or every text, with what deciding it needs
  // and its entries: marking reads a literal's list in one run instead of visiting arrays per
  // pattern, each a cache miss in a large dictionary.
  struct TPosting {
    int32_t Pattern = 0;
    TDecision Decision = TDecision::Search;
    bool Repeated = false;  // listed more than once: marking must give it once only
    int32_t FirstCheck = 0;  // its further clauses, checks_[FirstCheck, EndCheck)
    int32_t EndCheck = 0;
    // The literal of its first further clause when that is one literal, else -1: most texts
    // fail that clause, and reading it here spares reading the checks.
    int32_t FirstCheckLiteral = -1;
    TPatternEntries Entries;
  };

  // A further clause: one of the literals checkLiterals_[FirstLiteral, EndLiteral) (ids in the
  // trie), or the byte set ByteSet.
  struct TCheck {
    int32_t ByteSet = -1;  // -1 for a clause of literals
    int32_t FirstLiteral = 0;
    int32_t EndLiteral = 0;
  };

  int LiteralId(const std::string& literal);
  int ByteSetId(const TByteSet& bytes);

  // Stamps what text holds: its literals (listed in foundLiterals_) and the byte sets that one
  // of its characters begins with (in foundByteSets_).
  void Survey(std::string_view text);

  // Whether the further clauses of posting hold for the surveyed text.
  bool ChecksHold(const TPosting& posting) const;

  template <class TVisit>
  void VisitPostings(const std::vector<TPosting>& postings, TVisit& visit);

  // The character code of the first pattern; literals and first bytes are indexed only for
  // patterns in this code, the others are marked for every text.
  bool hasCharCode_ = false;
  uint8_t charCode_ = 0;

  std::vector<TCheck> checks_;
  std::vector<int32_t> checkLiterals_;
  std::vector<TPosting> unconditional_;  // patterns marked for every text

  TLiteralTrie literals_;
  std::vector<std::vector<TPosting>> literalPostings_;  // per literal id
  std::map<TByteSet, int> byteSetIds_;
  std::vector<TByteSet> byteSets_;
  std::vector<std::vector<TPosting>> byteSetPostings_;  // per byte set id

  // What the last Mark saw: a literal, a byte set or a pattern belongs to it when its stamp
  // equals stamp_.
  uint32_t stamp_ = 0;
  std::vector<uint32_t> literalStamps_;
  std::vector<uint32_t> byteSetStamps_;
  std::vector<uint32_t> patternStamps_;
  std::vector<int32_t> foundLiterals_;
  std::vector<int32_t> foundByteSets_;
};

template <class TVisit>
void TPatternPrefilter::Mark(std::string_view text, TVisit&& visit) {
  Survey(text);
  VisitPostings(unconditional_, visit);
  for (const int32_t id : foundLiterals_) VisitPostings(literalPostings_[id], visit);
  for (const int32_t id : foundByteSets_) VisitPostings(byteSetPostings_[id], visit);
}

template <class TVisit>
void TPatternPrefilter::VisitPostings(const std::vector<TPosting>& postings, TVisit& visit) {
  for (const TPosting& posting : postings) {
    if (posting.Repeated) {
      if (patternStamps_[posting.Pattern] == stamp_) continue;
      patternStamps_[posting.Pattern] = stamp_;
    }
    switch (posting.Decision) {
      case TDecision::Found:
        visit(posting.Pattern, TVerdict::Found, posting.Entries);
        break;
      case TDecision::Search:
        visit(posting.Pattern, TVerdict::Search, posting.Entries);
        break;
      case TDecision::Check:
        if (ChecksHold(posting)) visit(posting.Pattern, TVerdict::Search, posting.Entries);
        break;
    }
  }
}

}  // namespace kelmo
