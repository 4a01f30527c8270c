// Arbitrary bytes as an install journal: reading ends, and every rename it gives is two whole
// fields of the bytes, as many as the complete records they hold.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "package/install_journal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto renames = kelmo::ParseInstallJournal(bytes);
  size_t fields = 0;
  for (const char c : bytes) fields += c == '\0' ? 1 : 0;
  if (renames.size() != fields / 2) __builtin_trap();
  for (const auto& [from, to] : renames) {
    if (from.native().find('\0') != std::string::npos ||
        to.native().find('\0') != std::string::npos) {
      __builtin_trap();
    }
  }
  return 0;
}
