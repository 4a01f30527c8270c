// Arbitrary bytes through the package reader: whatever the bytes, reading ends (a package or an
// EPackageError, nothing else), every entry handed on has a clean relative name never seen before
// in any letter case, and the data handed on stays within the bounds.
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "package/package_error.h"
#include "package/package_reader.h"

namespace {

// Smaller than the program's bound, so that one input costs little time.
constexpr int64_t kFuzzUnpackedBytes = int64_t{32} << 20;

class TCheckingSink : public kelmo::TEntrySink {
 public:
  void Folder(const kelmo::TPackageEntry& entry) override { Check(entry); }
  void BeginFile(const kelmo::TPackageEntry& entry) override {
    Check(entry);
    if (!files_.insert(kelmo::EntryNameKey(entry.Name)).second) __builtin_trap();
  }
  void Write(std::string_view data) override {
    bytes_ += static_cast<int64_t>(data.size());
    if (bytes_ > kFuzzUnpackedBytes) __builtin_trap();
  }
  void EndFile() override {}

 private:
  static void Check(const kelmo::TPackageEntry& entry) {
    if (kelmo::CleanEntryName(entry.Name) != entry.Name) __builtin_trap();
  }

  std::set<std::u16string> files_;
  int64_t bytes_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  kelmo::TPackageLimits limits;
  limits.MaxUnpackedBytes = kFuzzUnpackedBytes;
  TCheckingSink sink;
  try {
    kelmo::ReadPackage({"", bytes}, limits, sink);
  } catch (const kelmo::EPackageError&) {
    // A refusal is a fine end.
  }
  return 0;
}
