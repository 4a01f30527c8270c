// The file rules and the lookup scheme every dictionary kind shares.
#include "dictionary/kelmo_data.h"

#include <sys/stat.h>

#include "charfile/crypt.h"
#include "charfile/data_path.h"
#include "charfile/text_file.h"
#include "charfile/text_utils.h"

namespace kelmo {

void TKelmoData::LoadFile(const std::string& path) {
  LoadResolvedFile(ResolveDataPath(path));
}

void TKelmoData::LoadResolvedFile(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  const TFileIdentity identity{static_cast<uint64_t>(info.st_dev),
                               static_cast<uint64_t>(info.st_ino), info.st_size,
                               info.st_mtim.tv_sec * 1'000'000'000LL + info.st_mtim.tv_nsec};
  if (const auto known = storedFiles_.find(identity); known != storedFiles_.end()) {
    Runs.Append(known->second.Start, known->second.Count);
    AvailableCount += known->second.Available;
    return;
  }
  const int start = StoredCount();
  const int availableBefore = AvailableCount;
  fileStretches_.push_back(TFileStretch{start, path});
  try {
    if (listener_ != nullptr) listener_->FileStarted(path);
    std::vector<std::string> lines = SplitDataLines(ReadFileSystemBytes(path), listener_);
    // Unscrambling drops the header, the file's first line.
    const int firstLineNumber = IsScrambled(lines) ? 2 : 1;
    UnscrambleIfNeeded(lines);
    AddLines(lines, firstLineNumber);
  } catch (...) {
    // What was stored before the error must be usable like a complete load.
    Prepare();
    Runs.Append(start, StoredCount() - start);
    throw;
  }
  Prepare();
  const int count = StoredCount() - start;
  Runs.Append(start, count);
  storedFiles_[identity] = TStoredFile{start, count, AvailableCount - availableBefore};
}

void TKelmoData::AddLines(const std::vector<std::string>& lines, int firstLineNumber) {
  for (size_t i = 0; i < lines.size(); ++i) {
    lineNumber_ = firstLineNumber + static_cast<int>(i);
    const int stored = StoredCount();
    if (listener_ != nullptr) {
      lineFields_.assign(1, lines[i]);
      lineIgnored_ = false;
    }
    if (!AddLine(lines[i])) {
      if (listener_ != nullptr) TellReadingEnded(*listener_, lines, i, firstLineNumber);
      return;
    }
    if (StoredCount() > stored) NoteLine(stored, lineNumber_);
    if (listener_ != nullptr && !lineIgnored_) listener_->EntryRead(lineNumber_, lineFields_);
  }
}

void TKelmoData::NoteLine(int32_t index, int32_t line) {
  // An entry on the line after its predecessor's carries on the stretch; most entries do.
  if (!lineStretches_.empty()) {
    const TLineStretch& last = lineStretches_.back();
    if (last.Line + (index - last.Start) == line) return;
  }
  lineStretches_.push_back(TLineStretch{index, line});
}

int TKelmoData::LineOf(int32_t index) const {
  const auto after =
      std::upper_bound(lineStretches_.begin(), lineStretches_.end(), index,
                       [](int32_t wanted, const TLineStretch& stretch) { return wanted < stretch.Start; });
  if (after == lineStretches_.begin()) return 0;
  const TLineStretch& stretch = *(after - 1);
  return stretch.Line + (index - stretch.Start);
}

TEntrySource TKelmoData::SourceOf(int listed) const {
  const int32_t index = Runs.StoredIndex(listed);
  // A file that stored nothing shares its start with the next one; the last of them holds index.
  const auto after =
      std::upper_bound(fileStretches_.begin(), fileStretches_.end(), index,
                       [](int32_t wanted, const TFileStretch& stretch) { return wanted < stretch.Start; });
  if (after == fileStretches_.begin()) return {};
  return TEntrySource{(after - 1)->Path, LineOf(index)};
}

void TKelmoData::Clear() {
  AvailableCount = 0;
  Runs.Clear();
  storedFiles_.clear();
  fileStretches_.clear();
  lineStretches_.clear();
}

std::string TKelmoData::Lookup(const std::string& input, int* chosen) {
  if (chosen != nullptr) *chosen = -1;
  const int count = EntryCount();
  if (count == 0) return {};
  TAnswerList candidates(count);
  CollectCandidates(input, candidates);
  if (candidates.Count() == 0) return {};
  const int picked = candidates.PickRandom();
  if (OnceOnly) {
    Runs.MarkUsed(picked);
    --AvailableCount;
  }
  if (chosen != nullptr) *chosen = picked;
  return StoredEntry(Runs.StoredIndex(picked)).Reply;
}

std::vector<std::string> TKelmoData::SplitEntryLine(std::string_view line, size_t minimumFields) {
  std::vector<std::string> fields = SplitCommaText(line);
  if (listener_ != nullptr) {
    lineIgnored_ = fields.size() < minimumFields;
    if (lineIgnored_) listener_->LineIgnored(lineNumber_, TIgnoredLine::TooFewFields, fields);
    lineFields_ = fields;
  }
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
