// Token names, the syntax-error exception, tokenizing and standardization of negated classes.
#include "regex/tokens.h"

#include <algorithm>
#include <array>

#include "regex/partition.h"
#include "regex/scanner.h"

namespace kelmo {

namespace {

constexpr int kLineFeed = '\n';        // LF, never matched by a negated class
constexpr int kCarriageReturn = '\r';  // CR, likewise

constexpr std::array<const char*, 27> kTokenKindNames = {
    "character",
    "character class",
    "union",
    "left parenthesis",
    "right parenthesis",
    "asterisk",
    "plus",
    "question mark",
    "left bracket",
    "negate left bracket",
    "right bracket",
    "dot",
    "line head",
    "line tail",
    "end",
    "logical or",
    "logical and",
    "logical not",
    "logical left parenthis",
    "logical right parenthis",
    "need right bracket \"]\" ",
    "invalid character class",
    "invalid escape sequence",
    "invalid character",
    "need right parenthesis",
    "need normal char or left parenthesis",
    "pattern too complex",
};

TbmRETokenRec WithKind(TbmRETokenRec record, TbmRETokenKind kind) {
  record.Kind = kind;
  return record;
}

}  // namespace

const char* TokenKindName(TbmRETokenKind kind) {
  const auto index = static_cast<size_t>(kind);
  return index < kTokenKindNames.size() ? kTokenKindNames[index] : "";
}

EbmREToken::EbmREToken(TbmRETokenKind error, const TbmRETokenRec& token)
    : std::runtime_error(TokenKindName(error)), token_(WithKind(token, error)) {}

void TbmRETokens::Tokenize(TbmREScanner& scanner) {
  records_.clear();
  TbmRETokenRec record;
  do {
    scanner.NextToken(record);
    records_.push_back(record);
  } while (record.Kind != TbmRETokenKind::End);
}

void TbmRETokens::Standardize() {
  if (records_.empty()) throw std::runtime_error("TbmRETokens.Standardize Internal Error(1)");
  const auto isNegated = [](const TbmRETokenRec& token) {
    return token.Kind == TbmRETokenKind::NegateLeftBracket;
  };
  if (std::none_of(records_.begin(), records_.end(), isNegated)) return;
  std::vector<TbmRETokenRec> result;
  result.reserve(records_.size());
  TbmREWchRanges excluded;
  for (size_t index = 0; index < records_.size(); ++index) {
    const TbmRETokenRec& token = records_[index];
    if (token.Kind != TbmRETokenKind::NegateLeftBracket) {
      result.push_back(token);
      continue;
    }
    if (index + 1 == records_.size()) {
      throw std::runtime_error("TbmRETokens.Standardize Internal Error(2)");
    }
    excluded.Clear();
    excluded.AddRange(kLineFeed, kLineFeed);
    excluded.AddRange(kCarriageReturn, kCarriageReturn);
    size_t close = index + 1;
    for (; close < records_.size() && records_[close].Kind != TbmRETokenKind::RightBracket;
         ++close) {
      excluded.AddRange(records_[close].Lo, records_[close].Hi);
    }
    if (close == records_.size()) {
      throw std::runtime_error("TbmRETokens.Standardize Internal Error(3)");
    }
    excluded.Complement(0, kMaxCharCode);
    result.push_back(WithKind(token, TbmRETokenKind::LeftBracket));
    for (const TbmRERange& range : excluded) {
      const TbmRETokenKind kind =
          range.Lo == range.Hi ? TbmRETokenKind::Char : TbmRETokenKind::CharClass;
      result.push_back({kind, range.Lo, range.Hi, token.Start, records_[close].Start});
    }
    result.push_back(records_[close]);
    index = close;
  }
  records_.swap(result);
}

}  // namespace kelmo
