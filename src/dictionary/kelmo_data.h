// The common base of the four dictionary kinds.
//
// A dictionary is an ordered list of entries loaded from one or more files. Entries whose first
// field is "{PRIOR}" are separators that cut the list into priority groups, across file
// boundaries. A lookup scans the groups in order and collects the entries of the first group that
// holds any entry passing the kind's test, then picks one of them at random. In a OnceOnly
// dictionary a picked entry is used up for the rest of the dictionary's life.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kelmo {

// The markers recognised in an entry's first field after normalisation.
inline constexpr std::string_view kPriorMarker = "{PRIOR}";
inline constexpr std::string_view kEndOfDataMarker = "{ENDOFDATA}";

class TKelmoData {
 public:
  // Evaluates macro text for kind 0 conditions: the owning character's Evaluate.
  using TEvaluator = std::function<std::u16string(std::u16string_view)>;

  TKelmoData(bool onceOnly, TEvaluator evaluator)
      : OnceOnly(onceOnly), Evaluator(std::move(evaluator)) {}
  virtual ~TKelmoData() = default;
  TKelmoData(const TKelmoData&) = delete;
  TKelmoData& operator=(const TKelmoData&) = delete;

  // After-load preparation: kinds A and B compile their patterns; kinds 0 and C do nothing.
  virtual void Prepare() = 0;

  // Appends the entries of the dictionary file at the data path (nothing when it does not exist).
  // A read error raises EFileError; entries stored before it stay.
  virtual void LoadFile(const std::string& path) = 0;

  // Discards every entry.
  virtual void Clear() { AvailableCount = 0; }

  // The reply of one chosen entry exactly as written in its file, or the empty text. input is the
  // normalised line (Shift-JIS); kinds 0 and C do not consult it.
  virtual std::string Lookup(const std::string& input) = 0;

  // Entries that can still be chosen: neither separators nor used.
  int AvailableCount = 0;
  const bool OnceOnly;

 protected:
  const TEvaluator Evaluator;
};

}  // namespace kelmo
