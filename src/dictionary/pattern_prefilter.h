// The prefilter of a pattern dictionary: from a text, the few entries whose pattern may be found
// in it, so that a lookup searches those instead of every entry.
//
// At load every pattern is analysed (pattern_requirement.h) and indexed by what it requires: its
// literals go into one trie shared by the dictionary, each literal listing the entries that
// require it; sets of first bytes list theirs; patterns that require nothing are always
// candidates. Marking a text walks the trie once over the text, tests each first-byte set against
// the bytes that begin the text's characters, and sets the listed entries in a bitmap over the
// entries, which the lookup then walks in file order. The prefilter never leaves out an entry
// whose pattern is found in the text; an entry it marks may still fail its search.
//
// A pattern that is just a few literal strings (or matches every text) needs no search at all:
// being marked means being found. Such entries are "known".
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "dictionary/entry_set.h"
#include "dictionary/literal_trie.h"
#include "dictionary/pattern_requirement.h"

namespace kelmo {

class TPatternPrefilter {
 public:
  // Analyses and indexes the pattern of entry (entries are added in increasing order; entries
  // never added, such as separators, are never marked). Returns false when the pattern has a
  // syntax error: it is never found, and no text marks it. Errors other than syntax errors go on
  // to the caller.
  bool Add(int entry, const std::string& pattern, uint8_t charCode);

  // Empties candidates and sets in it every entry whose pattern may be found in text. An entry
  // left out is not found in text.
  void Mark(std::string_view text, TEntrySet& candidates);

  // Whether the pattern of an entry that Mark set is found in that text without a search.
  bool Known(int entry) const { return known_[entry] != 0; }

  // Forgets every entry.
  void Clear() { *this = TPatternPrefilter(); }

 private:
  // The character code of the first pattern; literals and first bytes are indexed only for
  // patterns in this code, the others are always candidates.
  bool hasCharCode_ = false;
  uint8_t charCode_ = 0;
  int entryCount_ = 0;  // one more than the highest entry added

  TLiteralTrie literals_;
  std::vector<std::vector<int32_t>> literalEntries_;  // per literal id
  std::vector<uint32_t> literalStamps_;               // per literal id: the Mark that saw it last
  uint32_t stamp_ = 0;

  std::map<TByteSet, int> byteSetIds_;
  std::vector<TByteSet> byteSets_;
  std::vector<std::vector<int32_t>> byteSetEntries_;  // per byte set id

  TEntrySet unconditional_;     // entries marked for every text
  std::vector<uint8_t> known_;  // per entry: found whenever marked
};

}  // namespace kelmo
