// Indexing analysed patterns, marking the patterns a text may match and deciding them.
#include "dictionary/pattern_prefilter.h"

#include <algorithm>

namespace kelmo {

bool TPatternPrefilter::Add(int pattern, const std::string& text, uint8_t charCode) {
  using TKind = TPatternRequirement::TKind;
  TPatternRequirement requirement = AnalysePattern(text, charCode);
  if (pattern >= static_cast<int>(patterns_.size())) {
    patterns_.resize(pattern + 1);
    patternStamps_.resize(pattern + 1, 0);
  }
  if (requirement.Kind == TKind::Broken) return false;
  if (!hasCharCode_) {
    hasCharCode_ = true;
    charCode_ = charCode;
  }
  // Literals and bytes only compare with texts decoded in the first pattern's code.
  if (charCode != charCode_) requirement = TPatternRequirement();

  TPatternIndex& index = patterns_[pattern];
  if (requirement.Kind == TKind::Exact) {
    index.Decision = TDecision::Found;
    const bool everywhere = std::find(requirement.Strings.begin(), requirement.Strings.end(),
                                      std::string()) != requirement.Strings.end();
    if (everywhere) {
      unconditional_.push_back(pattern);
      return true;
    }
    for (const std::string& literal : requirement.Strings) {
      const int id = LiteralId(literal);
      literalPatterns_[id].push_back(pattern);
    }
    return true;
  }
  if (requirement.Clauses.empty()) {
    unconditional_.push_back(pattern);
    return true;
  }
  index.FirstCheck = static_cast<int32_t>(checks_.size());
  for (size_t number = 0; number < requirement.Clauses.size(); ++number) {
    const TRequirementClause& clause = requirement.Clauses[number];
    const bool literals = clause.Kind == TRequirementClause::TKind::Literals;
    if (number == 0) {
      // The strongest clause indexes the pattern; a clause without literals never holds.
      if (!literals) {
        const int id = ByteSetId(clause.Bytes);
        byteSetPatterns_[id].push_back(pattern);
        continue;
      }
      for (const std::string& literal : clause.Strings) {
        const int id = LiteralId(literal);
        literalPatterns_[id].push_back(pattern);
      }
      continue;
    }
    TCheck check;
    check.FirstLiteral = static_cast<int32_t>(checkLiterals_.size());
    if (literals) {
      for (const std::string& literal : clause.Strings) {
        checkLiterals_.push_back(LiteralId(literal));
      }
    } else {
      check.ByteSet = ByteSetId(clause.Bytes);
    }
    check.EndLiteral = static_cast<int32_t>(checkLiterals_.size());
    checks_.push_back(check);
  }
  index.EndCheck = static_cast<int32_t>(checks_.size());
  index.Decision = index.EndCheck > index.FirstCheck ? TDecision::Check : TDecision::Search;
  return true;
}

int TPatternPrefilter::LiteralId(const std::string& literal) {
  const int id = literals_.Add(literal);
  if (id == static_cast<int>(literalPatterns_.size())) {
    literalPatterns_.emplace_back();
    literalStamps_.push_back(0);
  }
  return id;
}

int TPatternPrefilter::ByteSetId(const TByteSet& bytes) {
  const auto [found, inserted] = byteSetIds_.try_emplace(bytes, static_cast<int>(byteSets_.size()));
  if (inserted) {
    byteSets_.push_back(bytes);
    byteSetPatterns_.emplace_back();
    byteSetStamps_.push_back(0);
  }
  return found->second;
}

void TPatternPrefilter::MarkPattern(int32_t pattern, std::vector<int32_t>& patterns) {
  if (patternStamps_[pattern] == stamp_) return;
  patternStamps_[pattern] = stamp_;
  patterns.push_back(pattern);
}

void TPatternPrefilter::Mark(std::string_view text, std::vector<int32_t>& patterns) {
  patterns.clear();
  if (++stamp_ == 0) {  // the stamps wrapped around: forget them all
    for (auto* stamps : {&literalStamps_, &byteSetStamps_, &patternStamps_}) {
      std::fill(stamps->begin(), stamps->end(), 0);
    }
    stamp_ = 1;
  }
  for (const int32_t pattern : unconditional_) MarkPattern(pattern, patterns);
  if (!hasCharCode_) return;
  const TbmLeadByteTable& leadBytes = LeadByteTable(charCode_);

  literals_.FindAll(text, leadBytes, [&](int id) {
    if (literalStamps_[id] == stamp_) return;
    literalStamps_[id] = stamp_;
    for (const int32_t pattern : literalPatterns_[id]) MarkPattern(pattern, patterns);
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
    for (size_t word = 0; word < firstBytes.size(); ++word) {
      shared |= (byteSets_[id][word] & firstBytes[word]) != 0;
    }
    if (!shared) continue;
    byteSetStamps_[id] = stamp_;
    for (const int32_t pattern : byteSetPatterns_[id]) MarkPattern(pattern, patterns);
  }
}

TPatternPrefilter::TVerdict TPatternPrefilter::Decide(int pattern) const {
  const TPatternIndex& index = patterns_[pattern];
  if (index.Decision == TDecision::Found) return TVerdict::Found;
  for (int32_t number = index.FirstCheck; number < index.EndCheck; ++number) {
    const TCheck& check = checks_[number];
    const bool holds = check.ByteSet >= 0
                           ? byteSetStamps_[check.ByteSet] == stamp_
                           : std::any_of(checkLiterals_.begin() + check.FirstLiteral,
                                         checkLiterals_.begin() + check.EndLiteral,
                                         [this](int32_t literal) {
                                           return literalStamps_[literal] == stamp_;
                                         });
    if (!holds) return TVerdict::NotFound;
  }
  return TVerdict::Search;
}

}  // namespace kelmo
