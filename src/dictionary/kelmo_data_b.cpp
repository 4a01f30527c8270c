// Dictionary kind B: loading keyword patterns, compiling them ahead and testing them.
#include "dictionary/kelmo_data_b.h"

namespace kelmo {

namespace {
// Fields a kind B line needs: input pattern, reply.
constexpr size_t kMinimumFieldsB = 2;
}  // namespace

bool TKelmoDataB::AddLine(const std::string& line) {
  std::vector<std::string> fields = SplitEntryLine(line, kMinimumFieldsB);
  if (fields.empty()) return true;
  const std::string pattern = NormalizeKey(fields[0]);
  if (pattern == kEndOfDataMarker) return false;
  TEntryB entry(pattern);
  entry.Reply = std::move(fields[1]);
  entry.Separator = pattern == kPriorMarker;
  AppendEntry(std::move(entry));
  return true;
}

void TKelmoDataB::Prepare() {
  for (; preparedCount_ < EntryCount(); ++preparedCount_) {
    TEntryPattern& pattern = Entries[preparedCount_].Input;
    if (Entries[preparedCount_].Separator) continue;
    if (!prefilter_.Add(preparedCount_, pattern.Text(), pattern.CharCode())) pattern.MarkBroken();
  }
}

void TKelmoDataB::Clear() {
  TKelmoDataOf::Clear();
  preparedCount_ = 0;
  prefilter_.Clear();
}

void TKelmoDataB::CollectCandidates(const std::string& input, TAnswerList& candidates) {
  prefilter_.Mark(input, marked_);
  ScanMarked(marked_, candidates, [&](int index, TEntryB& entry) {
    return prefilter_.Known(index) || entry.Input.FoundIn(input);
  });
}

void TKelmoDataB::ScanCandidates(const std::string& input, TAnswerList& candidates) {
  ScanGroups(candidates, [&](TEntryB& entry) { return entry.Input.FoundIn(input); });
}

}  // namespace kelmo
