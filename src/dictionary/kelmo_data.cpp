// The file rules and the lookup scheme every dictionary kind shares.
#include "dictionary/kelmo_data.h"

#include "charfile/crypt.h"
#include "charfile/data_path.h"
#include "charfile/text_file.h"
#include "charfile/text_utils.h"

namespace kelmo {

void TKelmoData::LoadFile(const std::string& path) {
  if (!DataFileExists(path)) return;
  try {
    std::vector<std::string> lines = LoadLines(path);
    UnscrambleIfNeeded(lines);
    for (const std::string& line : lines) {
      if (!AddLine(line)) break;
    }
  } catch (...) {
    // What was stored before the error must be usable like a complete load.
    Prepare();
    throw;
  }
  Prepare();
}

std::string TKelmoData::Lookup(const std::string& input) {
  const int count = EntryCount();
  if (count == 0) return {};
  TAnswerList candidates(count);
  CollectCandidates(input, candidates);
  if (candidates.Count() == 0) return {};
  TDictionaryEntry& chosen = EntryAt(candidates.PickRandom());
  if (OnceOnly) {
    chosen.Used = true;
    --AvailableCount;
  }
  return chosen.Reply;
}

std::vector<std::string> SplitEntryLine(std::string_view line, size_t minimumFields) {
  std::vector<std::string> fields = SplitCommaText(line);
  if (fields.size() < minimumFields) fields.clear();
  return fields;
}

std::string NormalizeKey(std::string_view field) {
  std::string key = NormalizeShiftJis(field);
  // Without a "#" and a "\[0-9]" the expansion changes nothing; most keys have neither.
  if (key.find('#') == std::string::npos && key.find("\\[0-9]") == std::string::npos) return key;
  return ExpandDigitShorthand(key);
}

}  // namespace kelmo
