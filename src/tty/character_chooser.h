// The character selection ("人格の選択") on a terminal: a numbered list of the installed
// characters and one-line commands to choose, add, delete or cancel, over the toolkit-free model
// TCharacterSelection (which owns what each command does to the list of installed characters).
#pragma once

#include <ostream>

namespace kelmo {

class TCharacterSelection;
class TLineInput;

// Runs the chooser until a character is chosen (true; the model's SelectedPath holds it) or the
// user cancels with an empty line, "q" or the end of input (false; the model is cancelled).
// Added paths are made absolute against the working folder, "~/" against $HOME.
bool RunCharacterChooser(TCharacterSelection& selection, TLineInput& input, std::ostream& out);

}  // namespace kelmo
