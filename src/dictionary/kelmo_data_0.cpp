// Dictionary kind 0: loading condition lines and testing them through the evaluator.
#include "dictionary/kelmo_data_0.h"

#include "charfile/code_page.h"
#include "charfile/text_utils.h"

namespace kelmo {

namespace {
// Fields a kind 0 line needs: condition, reply.
constexpr size_t kMinimumFields0 = 2;

// What a passing condition evaluates to, after normalisation.
constexpr std::u16string_view kConditionTrue = u"TRUE";
}  // namespace

bool TKelmoData0::AddLine(const std::string& line) {
  std::vector<std::string> fields = SplitEntryLine(line, kMinimumFields0);
  if (fields.empty()) return true;
  const std::string key = NormalizeKey(fields[0]);
  if (key == kEndOfDataMarker) return false;
  TEntry0 entry;
  entry.Reply = std::move(fields[1]);
  entry.Separator = key == kPriorMarker;
  entry.Condition = ShiftJisToUtf16(key);
  AppendEntry(std::move(entry));
  return true;
}

void TKelmoData0::ScanCandidates(const std::string&, TAnswerList& candidates) {
  ScanGroups(candidates, [this](const TEntry0& entry) { return ConditionHolds(entry.Condition); });
}

bool TKelmoData0::ConditionHolds(const std::u16string& condition) const {
  const std::u16string result = Evaluator(condition);
  // Normalisation keeps the length, so only a result of four characters can pass; checking that
  // first spares normalising long results.
  return result.size() == kConditionTrue.size() && NormalizeText(result) == kConditionTrue;
}

}  // namespace kelmo
