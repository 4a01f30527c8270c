// The common base of the four dictionary kinds.
//
// A dictionary is an ordered list of entries loaded from one or more files. Entries whose first
// field is "{PRIOR}" are separators that cut the list into priority groups, across file
// boundaries. A lookup scans the groups in order and collects the entries of the first group that
// holds any entry passing the kind's test, then picks one of them at random. In a OnceOnly
// dictionary a picked entry is used up for the rest of the dictionary's life.
//
// The base owns the file rules (missing files, scrambled files, "{ENDOFDATA}", Prepare after
// every load) and the lookup scheme; each kind parses its lines and tests its entries. Entries
// live in one flat vector per dictionary (TKelmoDataOf), and the plain scan is a template over the
// kind's test, so a lookup costs no allocation per entry. The pattern kinds (A and B) find their
// candidates through a prefilter instead (pattern_prefilter.h); the plain scan stays public as
// ScanCandidates, the reference the prefilter is checked and measured against.
//
// A file named more than once is read once: its entries are stored once and listed again at each
// further naming (entry_runs.h), each listing with its own place in the groups and its own used
// marks. Entry numbers outside the dictionary (candidates, EntryCount) count listed entries, so
// every answer is the one a dictionary holding a copy per naming would give.
//
// An author's tool may listen to the loads (charfile/load_listener.h): it then hears of every line
// read, entry or passed over, of the end marker and of characters a UTF-8 file could not keep.
// Without a listener a dictionary still knows where each stored entry was written (SourceOf), at
// little cost: a file per stretch of stored entries, and a line number only where the entries
// stop standing on consecutive lines (a heading or a blank line between them).
#pragma once

#include <algorithm>
#include <compare>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "charfile/answer_list.h"
#include "charfile/load_listener.h"
#include "dictionary/entry_runs.h"
#include "dictionary/entry_set.h"
#include "dictionary/entry_source.h"

namespace kelmo {

// The markers recognised in an entry's first field after normalisation.
inline constexpr std::string_view kPriorMarker = "{PRIOR}";
inline constexpr std::string_view kEndOfDataMarker = "{ENDOFDATA}";

// What every entry holds besides the kind's own data. Whether a listed entry has been used is
// kept with its listing (TEntryRun), since one stored entry may be listed several times.
struct TDictionaryEntry {
  std::string Reply;       // exactly as written in the file
  bool Separator = false;  // a "{PRIOR}" line
};

class TKelmoData {
 public:
  // Evaluates macro text for kind 0 conditions: the owning character's Evaluate.
  using TEvaluator = std::function<std::u16string(std::u16string_view)>;

  // An empty dictionary. Kind 0 needs an evaluator; the other kinds never call it.
  TKelmoData(bool onceOnly, TEvaluator evaluator)
      : OnceOnly(onceOnly), Evaluator(std::move(evaluator)) {}
  virtual ~TKelmoData() = default;
  TKelmoData(const TKelmoData&) = delete;
  TKelmoData& operator=(const TKelmoData&) = delete;

  // After-load preparation: kinds A and B compile the patterns not compiled yet; kinds 0 and C
  // do nothing. A pattern with a syntax error is marked so that it never matches.
  virtual void Prepare() = 0;

  // Appends the entries of the dictionary file at the data path; a missing file adds nothing.
  // A scrambled file is unscrambled first; "{ENDOFDATA}" ends this file only. Prepare runs
  // afterwards, also when a read error (EFileError) ends the load; entries stored before the
  // error stay. A file this dictionary has read completely before (the same file, unchanged, by
  // whatever path) is not read again: its stored entries are listed once more.
  void LoadFile(const std::string& path);

  // LoadFile for a path already resolved: a UTF-8 file-system path, taken as it is.
  void LoadResolvedFile(const std::string& fileSystemPath);

  // The listener (not owned; nullptr for none) that hears of the lines of every file loaded from
  // now on. A file this dictionary has read before is not read again, so it is not heard again.
  void SetListener(TLoadListener* listener) { listener_ = listener; }

  // Discards every entry; AvailableCount becomes 0.
  virtual void Clear();

  // The reply of one chosen entry exactly as written in its file, or the empty text. input is the
  // normalised line (Shift-JIS); kinds 0 and C do not consult it. In a OnceOnly dictionary the
  // chosen entry becomes used. With chosen, *chosen is set to the listed entry chosen, -1 when
  // none was. Errors of the evaluator go on to the caller.
  std::string Lookup(const std::string& input, int* chosen = nullptr);

  // Where a listed entry (0 <= listed < EntryCount()) was written. Entries of a file listed
  // twice have the one source of the file.
  TEntrySource SourceOf(int listed) const;

  // Appends to the empty list candidates the indices of the unused entries of the first group
  // that holds any entry passing the kind's test, in file order: the entries Lookup chooses
  // from. Kind 0 evaluates the condition of every unused entry of the groups it scans, once
  // each, in file order. Kinds A and B search their prefilter instead of testing every entry;
  // the list is always the one ScanCandidates gives.
  virtual void CollectCandidates(const std::string& input, TAnswerList& candidates) {
    ScanCandidates(input, candidates);
  }

  // The same list found by the plain scan: every unused entry of the scanned groups tested in
  // file order. The reference that a faster CollectCandidates is checked and measured against.
  virtual void ScanCandidates(const std::string& input, TAnswerList& candidates) = 0;

  // Number of listed entries, separators included: entries of a file named twice count twice.
  int EntryCount() const { return Runs.Count(); }

  // Entries that can still be chosen: neither separators nor used.
  int AvailableCount = 0;
  const bool OnceOnly;

 protected:
  // Stores the entry one line of a file holds, if any. Returns false when the line is the
  // "{ENDOFDATA}" marker, which ends the file.
  virtual bool AddLine(const std::string& line) = 0;

  // Number of stored entries: those of each distinct file once.
  virtual int StoredCount() const = 0;

  // The stored entry at a valid index.
  virtual const TDictionaryEntry& StoredEntry(int index) const = 0;

  // For AddLine: the fields of a dictionary line by the comma-text rule, or an empty list when the
  // line has fewer than minimumFields fields (the listener hears why it is passed over).
  std::vector<std::string> SplitEntryLine(std::string_view line, size_t minimumFields);

  // For Prepare of the pattern kinds: tells the listener, if any, about the pattern of field
  // `field` of the stored entry at index.
  void TellPattern(int index, int field, const std::string& pattern, TPatternVerdict verdict) {
    if (listener_ != nullptr) listener_->PatternRead(LineOf(index), field, pattern, verdict);
  }

  const TEvaluator Evaluator;
  TEntryRuns Runs;  // the listed entries

 private:
  // What tells one file from another: the same file has not changed while it keeps these.
  struct TFileIdentity {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    int64_t Size = 0;
    int64_t ModifiedNanoseconds = 0;
    auto operator<=>(const TFileIdentity&) const = default;
  };
  // Where a file read completely lies among the stored entries.
  struct TStoredFile {
    int32_t Start = 0;
    int32_t Count = 0;
    int32_t Available = 0;  // of its entries, those that are no separators
  };
  std::map<TFileIdentity, TStoredFile> storedFiles_;

  // Reads the lines of one file into entries, noting the line of each and telling the listener.
  void AddLines(const std::vector<std::string>& lines, int firstLineNumber);

  // Notes that the stored entry index, the latest, stands on line of the file being read.
  void NoteLine(int32_t index, int32_t line);

  // The line of the file that the stored entry at a valid index stands on.
  int LineOf(int32_t index) const;

  TLoadListener* listener_ = nullptr;
  // While a line is added with a listener: its number, its fields as the listener hears them
  // (SplitEntryLine fills them; a kind that does not split leaves the whole line), and whether it
  // was passed over.
  int lineNumber_ = 0;
  std::vector<std::string> lineFields_;
  bool lineIgnored_ = false;

  // The stored entries from Start on, up to the next stretch, were read from Path.
  struct TFileStretch {
    int32_t Start = 0;
    std::string Path;  // UTF-8 file-system path
  };
  // The stored entries from Start on, up to the next stretch, stand on consecutive lines from Line.
  struct TLineStretch {
    int32_t Start = 0;
    int32_t Line = 0;
  };
  std::vector<TFileStretch> fileStretches_;  // ascending by Start
  std::vector<TLineStretch> lineStretches_;  // ascending by Start
};

// The storage and the scan shared by the kinds: a flat vector of TEntry (derived from
// TDictionaryEntry).
template <class TEntry>
class TKelmoDataOf : public TKelmoData {
 public:
  using TKelmoData::TKelmoData;

  void Clear() override {
    Entries.clear();
    separators_.clear();
    TKelmoData::Clear();
  }

 protected:
  int StoredCount() const override { return static_cast<int>(Entries.size()); }
  const TDictionaryEntry& StoredEntry(int index) const override { return Entries[index]; }

  // Stores an entry, noting where a separator stands, and keeps AvailableCount in step.
  void AppendEntry(TEntry&& entry) {
    if (entry.Separator) {
      separators_.push_back(StoredCount());
    } else {
      ++AvailableCount;
    }
    Entries.push_back(std::move(entry));
  }

  // The common scan: walks the groups of the listed entries in order and appends the unused
  // entries for which passes(entry) holds, stopping at the first separator after a group that
  // gave a candidate.
  template <class TTest>
  void ScanGroups(TAnswerList& candidates, TTest&& passes) {
    for (const TEntryRun& run : Runs.Runs()) {
      for (int offset = 0; offset < run.Count; ++offset) {
        const TEntry& entry = Entries[run.StoredStart + offset];
        if (entry.Separator) {
          if (candidates.Count() > 0) return;
          continue;
        }
        if (!run.IsUsed(offset) && passes(entry)) candidates.AddIndex(run.Start + offset);
      }
    }
  }

  // The candidates ScanGroups gives, from a set of stored entries filled group by group so that
  // the groups after the first with a candidate are never filled: markUpTo(limit) must set in set
  // every stored entry below limit that passes the kind's test, and may set others that
  // passes(index) rules out; it returns the lowest stored entry it may set later (at least the
  // stored count when none). Group ends come from the separators' positions, and only a OnceOnly
  // dictionary has used entries, so no entry is read: a large dictionary's entries do not fit the
  // cache. A run that lists a file again lists stored entries that its first listing, earlier in
  // the walk, had marked completely: markUpTo then sets nothing new.
  template <class TMarkUpTo, class TTest>
  void CollectByGroup(const TEntrySet& set, TAnswerList& candidates, TMarkUpTo&& markUpTo,
                      TTest&& passes) {
    for (const TEntryRun& run : Runs.Runs()) {
      const int runEnd = run.StoredStart + run.Count;
      for (int start = run.StoredStart; start < runEnd;) {
        const int end = std::min(GroupEnd(start), runEnd);
        const int laterMarked = markUpTo(end);
        set.ForEachFrom(start, [&](int index) {
          if (index >= end) return false;
          const int offset = index - run.StoredStart;
          if (!(OnceOnly && run.IsUsed(offset)) && passes(index)) {
            candidates.AddIndex(run.Start + offset);
          }
          return true;
        });
        // The group goes on in the next run.
        if (end == runEnd) break;
        if (candidates.Count() > 0) return;
        // Go on from the next entry that is set or may be: no entry before it can pass.
        const int laterSet = set.NextFrom(end);
        start = std::min(laterMarked, laterSet < 0 ? runEnd : laterSet);
      }
    }
  }

  // The stored index of the first separator from index on, or the stored count. A run may begin
  // with a separator, which ends a group that earlier runs began.
  int GroupEnd(int index) const {
    const auto next = std::lower_bound(separators_.begin(), separators_.end(), index);
    return next == separators_.end() ? StoredCount() : *next;
  }

  std::vector<TEntry> Entries;  // the stored entries

 private:
  std::vector<int32_t> separators_;  // the stored indices of the separators, ascending
};

// A key or pattern field as it is stored: normalised, then "#" expanded to a digit class.
std::string NormalizeKey(std::string_view field);

}  // namespace kelmo
