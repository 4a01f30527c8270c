// Indexing analysed patterns, marking the patterns a text may match and deciding them.
#include "dictionary/pattern_prefilter.h"

#include <algorithm>

namespace kelmo {

TPatternVerdict TPatternPrefilter::Add(int pattern, const std::string& text, uint8_t charCode) {
  using TKind = TPatternRequirement::TKind;
  TPatternRequirement requirement = AnalysePattern(text, charCode);
  const TPatternVerdict verdict = requirement.Kind == TKind::Broken ? TPatternVerdict::Broken
                                  : requirement.SureToCompile      ? TPatternVerdict::Compiles
                                                                   : TPatternVerdict::Unproven;
  if (pattern >= static_cast<int>(patternStamps_.size())) patternStamps_.resize(pattern + 1, 0);
  if (verdict == TPatternVerdict::Broken) return verdict;
  if (!hasCharCode_) {
    hasCharCode_ = true;
    charCode_ = charCode;
  }
  // Literals and bytes only compare with texts decoded in the first pattern's code.
  if (charCode != charCode_) requirement = TPatternRequirement();

  TPosting posting;
  posting.Pattern = pattern;
  // Where the pattern is listed: for every text, under its literals, or under its byte set. A
  // pattern listed nowhere is never found.
  bool everyText = false;
  std::vector<int32_t> literalIds;
  int byteSet = -1;
  if (requirement.Kind == TKind::Exact) {
    posting.Decision = TDecision::Found;
    everyText = std::find(requirement.Strings.begin(), requirement.Strings.end(), std::string()) !=
                requirement.Strings.end();
    if (!everyText) {
      for (const std::string& literal : requirement.Strings)
        literalIds.push_back(LiteralId(literal));
    }
  } else if (requirement.Kind == TKind::Anchored) {
    posting.Decision = !requirement.AtLineTail   ? TDecision::AtLineHead
                       : !requirement.AtLineHead ? TDecision::AtLineTail
                                                 : TDecision::WholeLine;
    posting.FirstCheck = static_cast<int32_t>(anchoredTexts_.size());
    anchoredTexts_.push_back(requirement.Strings.front());
    literalIds.push_back(LiteralId(requirement.Strings.front()));
  } else {
    everyText = requirement.Clauses.empty();
    posting.FirstCheck = static_cast<int32_t>(checks_.size());
    for (size_t number = 0; number < requirement.Clauses.size(); ++number) {
      const TRequirementClause& clause = requirement.Clauses[number];
      const bool literals = clause.Kind == TRequirementClause::TKind::Literals;
      if (number == 0) {
        // The strongest clause lists the pattern; a clause without literals never holds.
        if (!literals) {
          byteSet = ByteSetId(clause.Bytes);
          continue;
        }
        for (const std::string& literal : clause.Strings) literalIds.push_back(LiteralId(literal));
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
    if (requirement.HasLineHeadBytes) {
      TCheck check;
      check.AtLineHead = true;
      check.ByteSet = static_cast<int32_t>(lineHeadSets_.size());
      lineHeadSets_.push_back(requirement.LineHeadBytes);
      check.FirstLiteral = check.EndLiteral = static_cast<int32_t>(checkLiterals_.size());
      checks_.push_back(check);
    }
    posting.EndCheck = static_cast<int32_t>(checks_.size());
    posting.Decision = posting.EndCheck > posting.FirstCheck ? TDecision::Check : TDecision::Search;
    if (posting.Decision == TDecision::Check) {
      const TCheck& first = checks_[posting.FirstCheck];
      if (first.EndLiteral - first.FirstLiteral == 1) {
        posting.FirstCheckLiteral = checkLiterals_[first.FirstLiteral];
      }
    }
  }

  std::sort(literalIds.begin(), literalIds.end());
  literalIds.erase(std::unique(literalIds.begin(), literalIds.end()), literalIds.end());
  posting.Repeated = literalIds.size() > 1 && posting.Decision != TDecision::Found;
  if (everyText) unconditional_.push_back(posting);
  if (byteSet >= 0) byteSetPostings_[byteSet].push_back(posting);
  for (const int32_t id : literalIds) literalPostings_[id].push_back(posting);
  return verdict;
}

int TPatternPrefilter::LiteralId(const std::string& literal) {
  const int id = literals_.Add(literal);
  if (id == static_cast<int>(literalPostings_.size())) {
    literalPostings_.emplace_back();
    literalStamps_.push_back(0);
  }
  return id;
}

int TPatternPrefilter::ByteSetId(const TByteSet& bytes) {
  const auto [found, inserted] = byteSetIds_.try_emplace(bytes, static_cast<int>(byteSets_.size()));
  if (inserted) {
    byteSets_.push_back(bytes);
    byteSetPostings_.emplace_back();
    byteSetStamps_.push_back(0);
  }
  return found->second;
}

void TPatternPrefilter::AttachEntries(const std::vector<TPatternEntries>& entries,
                                      const std::vector<int32_t>& firstEntries) {
  const auto attach = [&](std::vector<TPosting>& postings) {
    for (TPosting& posting : postings) {
      posting.Entries = entries[posting.Pattern];
      posting.FirstEntry = firstEntries[posting.Pattern];
    }
    std::stable_sort(postings.begin(), postings.end(), [](const TPosting& a, const TPosting& b) {
      return a.FirstEntry < b.FirstEntry;
    });
  };
  attach(unconditional_);
  for (std::vector<TPosting>& postings : literalPostings_) attach(postings);
  for (std::vector<TPosting>& postings : byteSetPostings_) attach(postings);
}

void TPatternPrefilter::Begin(std::string_view text) {
  text_ = text;
  charStarts_.clear();
  linesFound_ = false;
  cursors_.clear();
  Follow(unconditional_);
  Survey(text);
}

void TPatternPrefilter::Follow(const std::vector<TPosting>& postings) {
  if (!postings.empty()) cursors_.push_back({postings.data(), postings.data() + postings.size()});
}

void TPatternPrefilter::Survey(std::string_view text) {
  if (++stamp_ == 0) {  // the stamps wrapped around: forget them all
    for (auto* stamps : {&literalStamps_, &byteSetStamps_, &patternStamps_}) {
      std::fill(stamps->begin(), stamps->end(), 0);
    }
    stamp_ = 1;
  }
  if (!hasCharCode_) return;
  const TbmLeadByteTable& leadBytes = LeadByteTable(charCode_);

  TByteSet firstBytes{};
  literals_.FindAll(
      text, leadBytes,
      [&](int id) {
        if (literalStamps_[id] == stamp_) return;
        literalStamps_[id] = stamp_;
        Follow(literalPostings_[id]);
      },
      [&](int start) { AddByte(firstBytes, static_cast<uint8_t>(text[start])); });

  lineHeadBytes_ = {};
  if (!lineHeadSets_.empty()) {
    FindLines();
    for (const size_t at : lineHeads_) AddByte(lineHeadBytes_, static_cast<uint8_t>(text[at]));
  }

  for (size_t id = 0; id < byteSets_.size(); ++id) {
    if (!Shares(byteSets_[id], firstBytes)) continue;
    byteSetStamps_[id] = stamp_;
    Follow(byteSetPostings_[id]);
  }
}

bool TPatternPrefilter::ChecksHold(const TPosting& posting) const {
  if (posting.FirstCheckLiteral >= 0 && literalStamps_[posting.FirstCheckLiteral] != stamp_) {
    return false;
  }
  for (int32_t number = posting.FirstCheck; number < posting.EndCheck; ++number) {
    const TCheck& check = checks_[number];
    const bool holds =
        check.AtLineHead ? Shares(lineHeadSets_[check.ByteSet], lineHeadBytes_)
        : check.ByteSet >= 0
            ? byteSetStamps_[check.ByteSet] == stamp_
            : std::any_of(checkLiterals_.begin() + check.FirstLiteral,
                          checkLiterals_.begin() + check.EndLiteral,
                          [this](int32_t literal) { return literalStamps_[literal] == stamp_; });
    if (!holds) return false;
  }
  return true;
}

bool TPatternPrefilter::AnchoredHolds(const TPosting& posting) {
  const std::string& literal = anchoredTexts_[posting.FirstCheck];
  const size_t size = literal.size();
  FindLines();
  if (posting.Decision == TDecision::AtLineTail) {
    // The literal ends at the end of the text or before a line break, from a character start.
    for (const size_t end : lineTails_) {
      if (end >= size && text_.compare(end - size, size, literal) == 0 &&
          IsCharStart(end - size)) {
        return true;
      }
    }
    return false;
  }
  // The literal begins at a line head, which is a character start; a whole line ends it at a
  // line tail, where its whole characters end.
  for (const size_t at : lineHeads_) {
    if (text_.compare(at, size, literal) != 0) continue;
    const size_t end = at + size;
    if (posting.Decision == TDecision::AtLineHead || end == text_.size() ||
        text_[end] == kLineFeed || text_[end] == kCarriageReturn) {
      return true;
    }
  }
  return false;
}

void TPatternPrefilter::FindLines() {
  if (linesFound_) return;
  linesFound_ = true;
  lineHeads_.clear();
  lineTails_.clear();
  if (!text_.empty()) lineHeads_.push_back(0);
  // The two break bytes are found apart (most texts have neither) and taken in order.
  size_t lineFeed = text_.find(kLineFeed);
  size_t carriageReturn = text_.find(kCarriageReturn);
  while (lineFeed != std::string_view::npos || carriageReturn != std::string_view::npos) {
    const size_t at = std::min(lineFeed, carriageReturn);
    lineTails_.push_back(at);
    // A break byte read as the trail of a lead byte is no character of its own.
    const bool beginsLine = at + 1 < text_.size() && IsCharStart(at) &&
                            !(text_[at] == kCarriageReturn && text_[at + 1] == kLineFeed);
    if (beginsLine) lineHeads_.push_back(at + 1);
    if (at == lineFeed) {
      lineFeed = text_.find(kLineFeed, at + 1);
    } else {
      carriageReturn = text_.find(kCarriageReturn, at + 1);
    }
  }
  lineTails_.push_back(text_.size());
}

bool TPatternPrefilter::IsCharStart(size_t at) {
  if (charStarts_.empty()) {
    charStarts_.assign(text_.size() + 1, 0);
    const auto* bytes = reinterpret_cast<const uint8_t*>(text_.data());
    const int length = static_cast<int>(text_.size());
    const TbmLeadByteTable& leadBytes = LeadByteTable(charCode_);
    for (int start = 0; start < length;
         start = DecodeMultiByteChar(bytes, length, start, leadBytes).next) {
      charStarts_[start] = 1;
    }
    charStarts_[text_.size()] = 1;
  }
  return charStarts_[at] != 0;
}

}  // namespace kelmo
