// The spellings of the definition file's keys.
#include "charfile/definition_keys.h"

namespace kelmo {

const std::array<std::string_view, kDefinitionKeyCount>& DefinitionKeyNames() {
  static constexpr std::array<std::string_view, kDefinitionKeyCount> kNames = {
      "name",          "folder",          "version",     "data01",      "data02",
      "dataa1",        "dataa2",          "datab1",      "datab2",      "datac1",
      "datac2",        "DefaultBitmap",   "transparentbitmap", "originalballoon",
      "balloonchar",   "balloonuser",     "transparentballoon", "nadenade",
      "datanadenade",  "parents",         "url",         "comment",
  };
  return kNames;
}

std::string_view DefinitionKeyName(TDefinitionKey key) {
  return DefinitionKeyNames()[static_cast<size_t>(key)];
}

}  // namespace kelmo
