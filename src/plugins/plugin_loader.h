// The loading walk over "Plugins.txt": which of the listed plug-ins join a list.
//
// Each line of the file is a ProgID, used exactly as written. A throw-away object of it is asked
// for its kind letters (GetPluginInfo(1)); when the normalised letters hold the letter of the walk
// ("E" for the main window's extended plug-ins, "S" for a character's basic plug-ins), the list
// adds a new object of the same ProgID. A ProgID whose letters hold both therefore ends up in both
// lists as two separate objects. Lines that fail at any point are skipped without a word.
#pragma once

#include <string_view>

#include "plugins/plugin_list.h"

namespace kelmo {

// The list of plug-ins in the program folder.
inline constexpr std::string_view kPluginListFileName = "Plugins.txt";

// Walks "Plugins.txt" in the list's program folder in file order and adds every plug-in whose kind
// letters hold kindLetter (compared after NormalizeText, so any letter case or width matches).
// Reads nothing when pluginsEnabled is false or the file is missing or unreadable.
void LoadPlugins(TPluginList& list, char16_t kindLetter, bool pluginsEnabled);

}  // namespace kelmo
