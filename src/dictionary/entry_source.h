// Where a dictionary entry was written: the file it was read from and its line there. Reply
// selection keeps the source of the reply it chose, so that an author's tool can say which line of
// which file answered.
#pragma once

#include <string>

namespace kelmo {

struct TEntrySource {
  std::string File;  // the UTF-8 file-system path the dictionary read the file from
  int Line = 0;      // from 1, counted as load_listener.h counts (a scrambled file's header is 1)
  bool operator==(const TEntrySource&) const = default;
};

}  // namespace kelmo
