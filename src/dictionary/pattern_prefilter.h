// The prefilter over the distinct patterns of a dictionary field: from a text, the few patterns
// that may be found in it, and for most of those whether they are.
//
// Every pattern is analysed once (pattern_requirement.h) and indexed by its strongest clause: its
// literals go into one trie shared by the field, each literal listing the patterns whose clause
// holds it; each distinct set of first bytes lists its patterns; patterns without clauses are
// listed for every text. Marking a text walks the trie once over the text and tests each set of
// first bytes against the bytes that begin the text's characters; the patterns listed under what
// the text holds are marked. A marked pattern then meets its strongest clause, and its others are
// checked against what the text was found to hold, as is, for a pattern whose matches all begin
// at a line head, the byte that begins one of the text's lines. A pattern that is just a few
// literal strings (or matches every text), or a keyword anchored to line heads or tails, is
// decided without any search.
//
// Each list is sorted by the first entry of its patterns, so that a lookup can take the patterns
// of the early entries first and stop once an early group of entries has an answer: a text that
// a first group answers then costs the patterns of that group, not of the whole dictionary.
//
// The prefilter never leaves out a pattern that is found in the text.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "charfile/load_listener.h"
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

// An entry number above every entry: no entry at all.
inline constexpr int32_t kNoEntry = std::numeric_limits<int32_t>::max();

class TPatternPrefilter {
 public:
  // What the prefilter knows of a pattern that VisitUpTo gives.
  enum class TVerdict : uint8_t { Found, Search };

  // Analyses the pattern numbered `pattern` (small numbers from 0 up, each given once) and
  // indexes it. Returns what the analysis says of compiling it: Broken for a syntax error (it is
  // never found, and VisitUpTo never gives it). Errors other than syntax errors go on to the
  // caller, the pattern left unnumbered.
  TPatternVerdict Add(int pattern, const std::string& text, uint8_t charCode);

  // Sets the entries given back with each pattern, entries[pattern], and the first (lowest) of
  // them, firstEntries[pattern] (kNoEntry for a pattern without entries), one per pattern added.
  void AttachEntries(const std::vector<TPatternEntries>& entries,
                     const std::vector<int32_t>& firstEntries);

  // Starts marking text: finds the literals and first bytes it holds. The patterns that may be
  // found in it are then given by VisitUpTo, in increasing order of their first entries.
  void Begin(std::string_view text);

  // Calls visit(pattern, verdict, entries) for every pattern that may be found in the text of
  // the last Begin, whose first entry is below entryLimit, and that no call since that Begin
  // gave. verdict is Found when its clauses decide that it is, Search when only a search of the
  // text can tell. A pattern with verdict Search is given once; one with verdict Found may be
  // given again for each of its literals the text holds (telling them apart would cost a read per
  // pattern). A pattern never given is not found in the text. Returns the first entry of the
  // next pattern that may be found, kNoEntry when none is left.
  template <class TVisit>
  int32_t VisitUpTo(int32_t entryLimit, TVisit&& visit);

 private:
  // How an indexed pattern is decided once marked.
  enum class TDecision : uint8_t {
    Found,   // exact literals (marked only where one occurs), or found in every text
    Search,  // no clause to check, or all checked
    Check,   // its further clauses must hold, then a search
    // Anchored plain text, anchoredTexts_[FirstCheck], checked at the text's line heads or
    // tails: found or not without a search.
    AtLineHead,
    AtLineTail,
    WholeLine,
  };

  // A pattern as listed under a literal, a byte set or every text, with what deciding it needs
  // and its entries: marking reads a literal's list in one run instead of visiting arrays per
  // pattern, each a cache miss in a large dictionary.
  struct TPosting {
    int32_t Pattern = 0;
    TDecision Decision = TDecision::Search;
    bool Repeated = false;   // to search, and listed more than once: to be given once only
    int32_t FirstCheck = 0;  // its further clauses, checks_[FirstCheck, EndCheck)
    int32_t EndCheck = 0;
    // The literal of its first further clause when that is one literal, else -1: most texts
    // fail that clause, and reading it here spares reading the checks.
    int32_t FirstCheckLiteral = -1;
    TPatternEntries Entries;
    int32_t FirstEntry = kNoEntry;  // the lists are sorted by it
  };

  // Where VisitUpTo goes on in one list of postings.
  struct TCursor {
    const TPosting* Next = nullptr;
    const TPosting* End = nullptr;
  };

  // A further clause: one of the literals checkLiterals_[FirstLiteral, EndLiteral) (ids in the
  // trie), the byte set ByteSet somewhere, or, AtLineHead, lineHeadSets_[ByteSet] at a line head.
  struct TCheck {
    int32_t ByteSet = -1;  // -1 for a clause of literals
    bool AtLineHead = false;
    int32_t FirstLiteral = 0;
    int32_t EndLiteral = 0;
  };

  int LiteralId(const std::string& literal);
  int ByteSetId(const TByteSet& bytes);

  // Stamps what text holds: its literals and the byte sets that one of its characters begins
  // with, following the list of each.
  void Survey(std::string_view text);

  // Adds a cursor at the start of postings, unless it is empty.
  void Follow(const std::vector<TPosting>& postings);

  // Whether the further clauses of posting hold for the surveyed text.
  bool ChecksHold(const TPosting& posting) const;

  // Whether the anchored text of posting is found in the text of the last Begin.
  bool AnchoredHolds(const TPosting& posting);

  // Whether a character of the text of the last Begin starts at the byte offset at (the end
  // included), as the pattern engine decodes it; worked out at the first question of a lookup.
  bool IsCharStart(size_t at);

  // Fills lineHeads_ and lineTails_ for the text of the last Begin, once, as the pattern engine
  // sees lines: they begin at the start, after a line feed, or after a carriage return not
  // followed by a line feed, either being a character of its own.
  void FindLines();

  static constexpr char kLineFeed = '\n';
  static constexpr char kCarriageReturn = '\r';

  template <class TVisit>
  void Visit(const TPosting& posting, TVisit& visit);

  // The character code of the first pattern; literals and first bytes are indexed only for
  // patterns in this code, the others are marked for every text.
  bool hasCharCode_ = false;
  uint8_t charCode_ = 0;

  std::vector<TCheck> checks_;
  std::vector<int32_t> checkLiterals_;
  std::vector<TPosting> unconditional_;  // patterns marked for every text
  std::vector<std::string> anchoredTexts_;

  TLiteralTrie literals_;
  std::vector<std::vector<TPosting>> literalPostings_;  // per literal id
  std::map<TByteSet, int> byteSetIds_;
  std::vector<TByteSet> byteSets_;
  std::vector<std::vector<TPosting>> byteSetPostings_;  // per byte set id
  std::vector<TByteSet> lineHeadSets_;                  // of the checks at line heads

  // What the last Begin saw: a literal, a byte set or a pattern belongs to it when its stamp
  // equals stamp_.
  uint32_t stamp_ = 0;
  std::vector<uint32_t> literalStamps_;
  std::vector<uint32_t> byteSetStamps_;
  std::vector<uint32_t> patternStamps_;
  // The lists of what the text holds: every text, its literals, its byte sets.
  std::vector<TCursor> cursors_;
  std::string_view text_;            // of the last Begin
  TByteSet lineHeadBytes_{};         // its bytes at line heads, when lineHeadSets_ has any
  // Its line heads below the end and its line tails (breaks, then the end), once asked.
  bool linesFound_ = false;
  std::vector<size_t> lineHeads_;
  std::vector<size_t> lineTails_;
  std::vector<uint8_t> charStarts_;  // per byte offset of text_, once asked; empty before
};

template <class TVisit>
int32_t TPatternPrefilter::VisitUpTo(int32_t entryLimit, TVisit&& visit) {
  int32_t next = kNoEntry;
  for (TCursor& cursor : cursors_) {
    for (; cursor.Next != cursor.End && cursor.Next->FirstEntry < entryLimit; ++cursor.Next) {
      Visit(*cursor.Next, visit);
    }
    if (cursor.Next != cursor.End) next = std::min(next, cursor.Next->FirstEntry);
  }
  return next;
}

template <class TVisit>
void TPatternPrefilter::Visit(const TPosting& posting, TVisit& visit) {
  if (posting.Repeated) {
    if (patternStamps_[posting.Pattern] == stamp_) return;
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
    case TDecision::AtLineHead:
    case TDecision::AtLineTail:
    case TDecision::WholeLine:
      if (AnchoredHolds(posting)) visit(posting.Pattern, TVerdict::Found, posting.Entries);
      break;
  }
}

}  // namespace kelmo
