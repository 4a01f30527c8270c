// Dictionary kind A: loading pattern pairs, compiling them ahead and testing them.
#include "dictionary/kelmo_data_a.h"

#include "charfile/text_utils.h"

namespace kelmo {

namespace {
// Fields a kind A line needs: previous-reply pattern, input pattern, reply.
constexpr size_t kMinimumFieldsA = 3;
}  // namespace

bool TKelmoDataA::AddLine(const std::string& line) {
  std::vector<std::string> fields = SplitEntryLine(line, kMinimumFieldsA);
  if (fields.empty()) return true;
  const std::string previousPattern = NormalizeKey(fields[0]);
  if (previousPattern == kEndOfDataMarker) return false;
  TEntryA entry(previousPattern, NormalizeKey(fields[1]));
  entry.Reply = std::move(fields[2]);
  entry.Separator = previousPattern == kPriorMarker;
  AppendEntry(std::move(entry));
  return true;
}

void TKelmoDataA::Prepare() {
  for (; preparedCount_ < EntryCount(); ++preparedCount_) {
    TEntryA& entry = Entries[preparedCount_];
    if (entry.Separator) continue;
    for (auto [prefilter, pattern] : {std::pair{&previousPrefilter_, &entry.PreviousReply},
                                      std::pair{&inputPrefilter_, &entry.Input}}) {
      if (!prefilter->Add(preparedCount_, pattern->Text(), pattern->CharCode()))
        pattern->MarkBroken();
    }
  }
}

void TKelmoDataA::Clear() {
  TKelmoDataOf::Clear();
  preparedCount_ = 0;
  previousPrefilter_.Clear();
  inputPrefilter_.Clear();
}

void TKelmoDataA::CollectCandidates(const std::string& input, TAnswerList& candidates) {
  previousPrefilter_.Mark(context_, previousMarked_);
  inputPrefilter_.Mark(input, inputMarked_);
  inputMarked_.KeepCommon(previousMarked_);
  ScanMarked(inputMarked_, candidates, [&](int index, TEntryA& entry) {
    return (previousPrefilter_.Known(index) || entry.PreviousReply.FoundIn(context_)) &&
           (inputPrefilter_.Known(index) || entry.Input.FoundIn(input));
  });
}

void TKelmoDataA::ScanCandidates(const std::string& input, TAnswerList& candidates) {
  ScanGroups(candidates, [&](TEntryA& entry) {
    return entry.PreviousReply.FoundIn(context_) && entry.Input.FoundIn(input);
  });
}

void TKelmoDataA::SetContext(std::string_view rawReply) {
  context_ = NormalizeShiftJis(rawReply);
}

}  // namespace kelmo
