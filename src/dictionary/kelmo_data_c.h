// Dictionary kind C: what the character says when nothing more specific applies.
//
// Every line of a file is one reply, taken whole (commas, blanks and quotes included; an empty
// line is an empty reply). A line is a marker only when its normalisation is exactly "{PRIOR}" or
// "{ENDOFDATA}". Every entry passes, so a lookup picks an unused entry of the first group that
// still has one. Reply selection weights the two kind C dictionaries by their AvailableCount.
#pragma once

#include <string>

#include "dictionary/kelmo_data.h"

namespace kelmo {

struct TEntryC : TDictionaryEntry {};

class TKelmoDataC : public TKelmoDataOf<TEntryC> {
 public:
  using TKelmoDataOf::TKelmoDataOf;

  // Nothing to prepare.
  void Prepare() override {}

  // Does not consult input.
  void ScanCandidates(const std::string& input, TAnswerList& candidates) override;

 protected:
  // Every line is an entry unless it is a marker.
  bool AddLine(const std::string& line) override;
};

}  // namespace kelmo
