// Dictionary kind A: answers that depend on what the character said last.
//
// Each entry holds a pattern searched in the previous reply (Context), a pattern searched in the
// input, and a reply; it passes when both are found. Context is the normalised raw text of the
// reply chosen at the previous selection, set by reply selection after every selection. Patterns
// are normalised at load like the input and Context, so letter case and width never matter. A
// lookup asks two prefilters, one over the previous-reply patterns with Context and one over the
// input patterns with the input, and searches only the entries both let through.
#pragma once

#include <string>
#include <string_view>

#include "dictionary/kelmo_data.h"
#include "dictionary/pattern_table.h"

namespace kelmo {

struct TEntryA : TDictionaryEntry {
  int32_t PreviousReply = -1;  // searched in Context, in previousPatterns_; -1 for a separator
  int32_t Input = -1;          // searched in the input, in inputPatterns_
};

class TKelmoDataA : public TKelmoDataOf<TEntryA> {
 public:
  using TKelmoDataOf::TKelmoDataOf;

  // Indexes the entries stored since the last Prepare for both prefilters, analysing the
  // patterns not seen before; a pattern with a syntax error is marked so that it never matches.
  void Prepare() override;

  void Clear() override;

  // Errors of the pattern engine other than syntax errors go on to the caller.
  void CollectCandidates(const std::string& input, TAnswerList& candidates) override;
  void ScanCandidates(const std::string& input, TAnswerList& candidates) override;

  // The normalised previous reply; empty until the first SetContext.
  const std::string& Context() const { return context_; }

  // Stores, encoded, NormalizeText of the raw (unevaluated) reply chosen at this selection, or of
  // the empty text when there was none. The reply comes decoded: the caller decodes it anyway.
  void SetContext(std::u16string_view rawReply);

  // Takes the context of other, as SetContext of the same reply would set it.
  void CopyContext(const TKelmoDataA& other) { context_ = other.context_; }

  // Whether some entry looks for text (normalised, Shift-JIS) in the previous reply: its
  // previous-reply pattern is found in text and is not one found in every text (found in the
  // empty text). An author's tool takes a reply's brace group that names no command for such a
  // mark, left in the reply for the follow-ups to find.
  bool LooksFor(const std::string& text);

 protected:
  // Lines of at least three fields: previous-reply pattern, input pattern, reply.
  bool AddLine(const std::string& line) override;

 private:
  std::string context_;
  int preparedCount_ = 0;  // entries before this index are indexed
  TPatternTable previousPatterns_;
  TPatternTable inputPatterns_;
  TEntrySet previousMarked_;  // scratch of CollectCandidates
  TEntrySet inputMarked_;
};

}  // namespace kelmo
