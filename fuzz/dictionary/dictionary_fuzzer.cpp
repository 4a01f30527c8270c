// Arbitrary bytes as a dictionary file of every kind, then lookups of arbitrary lines: no crash,
// no hang, and the bookkeeping stays consistent (AvailableCount never exceeds the entries, a
// OnceOnly lookup that answers lowers it by one).
//
// Input layout: the file's bytes, then optionally "\xFF\xFF" followed by lookup lines separated by
// LF (the first one also serves as kind A's previous reply). Without the separator the file's
// own lines are looked up.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "charfile/code_page.h"
#include "charfile/random_source.h"
#include "charfile/text_file.h"
#include "charfile/text_utils.h"
#include "dictionary/kelmo_data_0.h"
#include "dictionary/kelmo_data_a.h"
#include "dictionary/kelmo_data_b.h"
#include "dictionary/kelmo_data_c.h"

namespace {

// Lookups per kind, so that a large input cannot make one run slow.
constexpr size_t kMaxLookups = 8;

// The dictionary file lives in memory, so that runs leave nothing behind; its path is the
// descriptor's entry in /proc.
class MemoryFile {
 public:
  MemoryFile() : descriptor_(::memfd_create("dictionary", 0)) {}
  std::string Path() const { return "/proc/self/fd/" + std::to_string(descriptor_); }
  void Replace(std::string_view bytes) const {
    if (::ftruncate(descriptor_, 0) != 0) __builtin_trap();
    for (size_t done = 0; done < bytes.size();) {
      const ssize_t count =
          ::pwrite(descriptor_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
      if (count <= 0) __builtin_trap();
      done += static_cast<size_t>(count);
    }
  }

 private:
  int descriptor_;
};

void Check(kelmo::TKelmoData& dictionary, const std::vector<std::string>& queries) {
  if (dictionary.AvailableCount < 0 || dictionary.AvailableCount > dictionary.EntryCount()) {
    __builtin_trap();
  }
  for (const std::string& query : queries) {
    const int before = dictionary.AvailableCount;
    // An empty reply may come from an entry as well, so only a non-empty one proves a choice.
    if (!dictionary.Lookup(query).empty() && dictionary.AvailableCount != before - 1) {
      __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kelmo::UseFixedRandomSeed(1);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const size_t split = bytes.find("\xFF\xFF");
  const std::string_view file = bytes.substr(0, split);
  std::vector<std::string> queries =
      kelmo::SplitLines(split == std::string_view::npos ? file : bytes.substr(split + 2));
  if (queries.size() > kMaxLookups) queries.resize(kMaxLookups);
  for (std::string& query : queries) query = kelmo::NormalizeShiftJis(query);
  queries.emplace_back();

  static const MemoryFile memoryFile;
  memoryFile.Replace(file);
  // Conditions pass when they name "TRUE" somewhere, so that some do and some do not.
  auto evaluator = [](std::u16string_view condition) {
    return std::u16string(condition.find(u"TRUE") != std::u16string_view::npos ? u"true" : u"no");
  };
  kelmo::TKelmoData0 kind0(true, evaluator);
  kelmo::TKelmoDataA kindA(true, nullptr);
  kelmo::TKelmoDataB kindB(true, nullptr);
  kelmo::TKelmoDataC kindC(true, nullptr);
  kindA.SetContext(kelmo::ShiftJisToUtf16(queries.front()));
  for (kelmo::TKelmoData* dictionary :
       std::initializer_list<kelmo::TKelmoData*>{&kind0, &kindA, &kindB, &kindC}) {
    dictionary->LoadFile(memoryFile.Path());
    Check(*dictionary, queries);
  }
  return 0;
}
