// Dictionary kind C: loading whole lines as replies.
#include "dictionary/kelmo_data_c.h"

#include "charfile/text_utils.h"

namespace kelmo {

namespace {
// A marker's characters are ASCII, written half-width (one byte) or full-width (two bytes), so a
// longer line is never a marker and need not be normalised.
constexpr size_t kLongestMarkerLine = 2 * kEndOfDataMarker.size();
}  // namespace

bool TKelmoDataC::AddLine(const std::string& line) {
  const std::string marker = line.size() <= kLongestMarkerLine ? NormalizeShiftJis(line) : "";
  if (marker == kEndOfDataMarker) return false;
  TEntryC entry;
  entry.Separator = marker == kPriorMarker;
  entry.Reply = entry.Separator ? std::string(kPriorMarker) : line;
  AppendEntry(std::move(entry));
  return true;
}

void TKelmoDataC::ScanCandidates(const std::string&, TAnswerList& candidates) {
  ScanGroups(candidates, [](const TEntryC&) { return true; });
}

}  // namespace kelmo
