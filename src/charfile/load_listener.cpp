// The part of a load's report that loaders share.
#include "charfile/load_listener.h"

#include <algorithm>
#include <string_view>

namespace kelmo {
namespace {

// Whether a line holds more than blanks (bytes 1 to 32, the comma-text separators).
bool HoldsText(std::string_view line) {
  return std::any_of(line.begin(), line.end(),
                     [](char byte) { return static_cast<unsigned char>(byte) > ' '; });
}

}  // namespace

void TellReadingEnded(TLoadListener& listener, const std::vector<std::string>& lines,
                      size_t markerIndex, int firstLineNumber) {
  int firstWithText = 0;
  int withText = 0;
  for (size_t after = markerIndex + 1; after < lines.size(); ++after) {
    if (!HoldsText(lines[after])) continue;
    if (withText++ == 0) firstWithText = firstLineNumber + static_cast<int>(after);
  }
  listener.ReadingEnded(firstLineNumber + static_cast<int>(markerIndex), firstWithText, withText);
}

}  // namespace kelmo
