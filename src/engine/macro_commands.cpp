#include "engine/macro_commands.h"

namespace kelmo {

// The command families are keyed on the first character of the normalised command; until the
// vocabulary is filled in, every word yields nothing.
std::u16string ExecuteCommand(TCharacter&, std::u16string_view, std::u16string_view, int,
                              TDateTime) {
  return {};
}

}  // namespace kelmo
