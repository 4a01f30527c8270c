// Indexing analysed patterns and marking the entries a text may match.
#include "dictionary/pattern_prefilter.h"

#include <algorithm>

namespace kelmo {

bool TPatternPrefilter::Add(int entry, const std::string& pattern, uint8_t charCode) {
  using TKind = TPatternRequirement::TKind;
  TPatternRequirement requirement = AnalysePattern(pattern, charCode);
  if (requirement.Kind == TKind::Broken) return false;
  if (!hasCharCode_) {
    hasCharCode_ = true;
    charCode_ = charCode;
  }
  // Literals and bytes are only comparable with texts decoded in the first pattern's code.
  if (charCode != charCode_) requirement = TPatternRequirement();

  entryCount_ = std::max(entryCount_, entry + 1);
  known_.resize(entryCount_, 0);
  unconditional_.Reserve(entryCount_);
  const bool exact = requirement.Kind == TKind::Exact;
  known_[entry] = exact;
  if (exact && std::find(requirement.Strings.begin(), requirement.Strings.end(), std::string()) !=
                   requirement.Strings.end()) {
    unconditional_.Add(entry);  // found in every text
    return true;
  }
  switch (requirement.Kind) {
    case TKind::Exact:
    case TKind::Literals:
      for (const std::string& literal : requirement.Strings) {
        const int id = literals_.Add(literal);
        if (id == static_cast<int>(literalEntries_.size())) {
          literalEntries_.emplace_back();
          literalStamps_.push_back(0);
        }
        literalEntries_[id].push_back(entry);  // the literals of one pattern are distinct
      }
      break;
    case TKind::FirstBytes: {
      const auto [found, inserted] =
          byteSetIds_.try_emplace(requirement.Bytes, static_cast<int>(byteSets_.size()));
      if (inserted) {
        byteSets_.push_back(requirement.Bytes);
        byteSetEntries_.emplace_back();
      }
      byteSetEntries_[found->second].push_back(entry);
      break;
    }
    default:
      unconditional_.Add(entry);
      break;
  }
  return true;
}

void TPatternPrefilter::Mark(std::string_view text, TEntrySet& candidates) {
  candidates.Reset(entryCount_);
  candidates.AddAll(unconditional_);
  if (!hasCharCode_ || entryCount_ == 0) return;
  const TbmLeadByteTable& leadBytes = LeadByteTable(charCode_);

  if (++stamp_ == 0) {  // the stamps wrapped around: forget every stamp
    std::fill(literalStamps_.begin(), literalStamps_.end(), 0);
    stamp_ = 1;
  }
  literals_.FindAll(text, leadBytes, [&](int id) {
    if (literalStamps_[id] == stamp_) return;
    literalStamps_[id] = stamp_;
    for (const int32_t entry : literalEntries_[id]) candidates.Add(entry);
  });

  if (byteSets_.empty()) return;
  TByteSet firstBytes{};
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const int length = static_cast<int>(text.size());
  for (int start = 0; start < length;
       start = DecodeMultiByteChar(bytes, length, start, leadBytes).next) {
    AddByte(firstBytes, bytes[start]);
  }
  for (size_t id = 0; id < byteSets_.size(); ++id) {
    bool shared = false;
    for (size_t word = 0; word < firstBytes.size(); ++word)
      shared |= (byteSets_[id][word] & firstBytes[word]) != 0;
    if (!shared) continue;
    for (const int32_t entry : byteSetEntries_[id]) candidates.Add(entry);
  }
}

}  // namespace kelmo
