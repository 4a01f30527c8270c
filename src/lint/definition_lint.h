// The linter's listener on the definition file, and the checks of its keys.
//
// The program reads only the keys it knows and takes the first pair of each; any other key is
// read by nobody. So a key the program does not know is most likely a typo of one it does, and the
// report names the known key closest to it (by edit distance, ignoring letter case as the program
// does); a key that appears twice has its later pairs unread; a last line without its value line
// is a key alone.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "lint/file_lint.h"

namespace kelmo {

class TCharacterFile;

// The known key closest to key (edit distance after lower-casing ASCII letters); the first of
// equally close keys.
std::string_view ClosestKnownKey(std::string_view key);

// Where key's value stands in the definition file at path: the value line of its first pair, 0
// when the key is absent.
TDefinitionPlace PlaceOf(const TCharacterFile& file, const std::string& path, std::string_view key);

class TDefinitionLint : public TFileLint {
 public:
  // The listener of the definition file at path (UTF-8 file-system path).
  explicit TDefinitionLint(const std::string& path);

  void LineIgnored(int lineNumber, TIgnoredLine reason,
                   const std::vector<std::string>& fields) override;

  // Reports the keys of file (read with this listener) that the program does not read.
  void CheckKeys(const TCharacterFile& file);
};

}  // namespace kelmo
