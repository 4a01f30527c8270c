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
  if (listener_ == nullptr) {
    for (const std::string& line : lines) {
      if (!AddLine(line)) return;
    }
    return;
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    lineNumber_ = firstLineNumber + static_cast<int>(i);
    lineFields_.assign(1, lines[i]);
    lineIgnored_ = false;
    if (!AddLine(lines[i])) {
      TellReadingEnded(*listener_, lines, i, firstLineNumber);
      return;
    }
    if (lineIgnored_) continue;
    listener_->EntryRead(lineNumber_, lineFields_);
    storedLines_.resize(StoredCount(), lineNumber_);
  }
}

void TKelmoData::Clear() {
  AvailableCount = 0;
  Runs.Clear();
  storedFiles_.clear();
  storedLines_.clear();
}

std::string TKelmoData::Lookup(const std::string& input) {
  const int count = EntryCount();
  if (count == 0) return {};
  TAnswerList candidates(count);
  CollectCandidates(input, candidates);
  if (candidates.Count() == 0) return {};
  const int chosen = candidates.PickRandom();
  if (OnceOnly) {
    Runs.MarkUsed(chosen);
    --AvailableCount;
  }
  return StoredEntry(Runs.StoredIndex(chosen)).Reply;
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
