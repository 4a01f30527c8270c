// Dictionary kind A: loading pattern pairs and finding the entries whose two patterns are found.
#include "dictionary/kelmo_data_a.h"

#include "charfile/code_page.h"
#include "charfile/text_utils.h"

namespace kelmo {

namespace {
// Fields a kind A line needs: previous-reply pattern, input pattern, reply.
constexpr size_t kMinimumFieldsA = 3;
}  // namespace

bool TKelmoDataA::AddLine(const std::string& line) {
  std::vector<std::string> fields = SplitEntryLine(line, kMinimumFieldsA);
  if (fields.empty()) return true;
  std::string previousPattern = NormalizeKey(fields[0]);
  if (previousPattern == kEndOfDataMarker) return false;
  TEntryA entry;
  entry.Reply = std::move(fields[2]);
  entry.Separator = previousPattern == kPriorMarker;
  if (!entry.Separator) {
    entry.PreviousReply = previousPatterns_.Intern(std::move(previousPattern));
    entry.Input = inputPatterns_.Intern(NormalizeKey(fields[1]));
  }
  AppendEntry(std::move(entry));
  return true;
}

void TKelmoDataA::Prepare() {
  for (; preparedCount_ < StoredCount(); ++preparedCount_) {
    const TEntryA& entry = Entries[preparedCount_];
    if (entry.Separator) continue;
    previousPatterns_.Index(preparedCount_, entry.PreviousReply);
    inputPatterns_.Index(preparedCount_, entry.Input);
    TellPattern(preparedCount_, 0, previousPatterns_.Text(entry.PreviousReply),
                previousPatterns_.Verdict(entry.PreviousReply));
    TellPattern(preparedCount_, 1, inputPatterns_.Text(entry.Input),
                inputPatterns_.Verdict(entry.Input));
  }
}

void TKelmoDataA::Clear() {
  TKelmoDataOf::Clear();
  preparedCount_ = 0;
  previousPatterns_.Clear();
  inputPatterns_.Clear();
}

void TKelmoDataA::CollectCandidates(const std::string& input, TAnswerList& candidates) {
  previousPatterns_.Begin(context_, previousMarked_);
  inputPatterns_.Begin(input, inputMarked_);
  CollectByGroup(
      inputMarked_, candidates,
      [this](int limit) {
        previousPatterns_.MarkUpTo(limit);
        return inputPatterns_.MarkUpTo(limit);
      },
      [this](int index) { return previousMarked_.Contains(index); });
}

void TKelmoDataA::ScanCandidates(const std::string& input, TAnswerList& candidates) {
  ScanGroups(candidates, [&](const TEntryA& entry) {
    return previousPatterns_.FoundIn(entry.PreviousReply, context_) &&
           inputPatterns_.FoundIn(entry.Input, input);
  });
}

bool TKelmoDataA::LooksFor(const std::string& text) {
  previousPatterns_.Begin(text, previousMarked_);
  previousPatterns_.MarkUpTo(kNoEntry);
  bool looks = false;
  previousMarked_.ForEach([&](int index) {
    looks = !previousPatterns_.FoundIn(Entries[index].PreviousReply, std::string());
    return !looks;
  });
  return looks;
}

void TKelmoDataA::SetContext(std::u16string_view rawReply) {
  context_ = Utf16ToShiftJis(NormalizeText(rawReply));
}

}  // namespace kelmo
