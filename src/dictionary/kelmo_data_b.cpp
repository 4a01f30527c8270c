// Dictionary kind B: loading keyword patterns and finding the entries whose pattern is found.
#include "dictionary/kelmo_data_b.h"

namespace kelmo {

namespace {
// Fields a kind B line needs: input pattern, reply.
constexpr size_t kMinimumFieldsB = 2;
}  // namespace

bool TKelmoDataB::AddLine(const std::string& line) {
  std::vector<std::string> fields = SplitEntryLine(line, kMinimumFieldsB);
  if (fields.empty()) return true;
  std::string pattern = NormalizeKey(fields[0]);
  if (pattern == kEndOfDataMarker) return false;
  TEntryB entry;
  entry.Reply = std::move(fields[1]);
  entry.Separator = pattern == kPriorMarker;
  if (!entry.Separator) entry.Input = inputPatterns_.Intern(std::move(pattern));
  AppendEntry(std::move(entry));
  return true;
}

void TKelmoDataB::Prepare() {
  for (; preparedCount_ < StoredCount(); ++preparedCount_) {
    const TEntryB& entry = Entries[preparedCount_];
    if (entry.Separator) continue;
    inputPatterns_.Index(preparedCount_, entry.Input);
    TellPattern(preparedCount_, 0, inputPatterns_.Text(entry.Input),
                inputPatterns_.Verdict(entry.Input));
  }
}

void TKelmoDataB::Clear() {
  TKelmoDataOf::Clear();
  preparedCount_ = 0;
  inputPatterns_.Clear();
}

void TKelmoDataB::CollectCandidates(const std::string& input, TAnswerList& candidates) {
  inputPatterns_.Begin(input, marked_);
  CollectByGroup(
      marked_, candidates, [this](int limit) { return inputPatterns_.MarkUpTo(limit); },
      [](int) { return true; });
}

void TKelmoDataB::ScanCandidates(const std::string& input, TAnswerList& candidates) {
  ScanGroups(candidates,
             [&](const TEntryB& entry) { return inputPatterns_.FoundIn(entry.Input, input); });
}

}  // namespace kelmo
