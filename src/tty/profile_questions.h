// The settings dialog ("設定") on a terminal, over the toolkit-free model TConfigDialogData.
//
// With an incomplete profile (the first run) the user is asked for it one question at a time, as
// the dialog would open on its "ユーザー" page: the four names, sex and birthday. Otherwise a
// numbered list of the values is shown; a number edits or toggles that value, "ok" confirms and
// an empty line cancels. Leaving either way runs the dialog's validation ("空欄があります",
// "不正な日付です") and stays while it fails; only the end of input leaves regardless. The font
// cannot be chosen on a terminal and is kept.
#pragma once

#include <ostream>

namespace kelmo {

class TLineInput;
struct TConfigDialogData;

// Runs the dialog over data: true when confirmed (data then holds valid new values), false when
// cancelled or the input ended (data is then not to be applied).
bool RunSettingsDialog(TConfigDialogData& data, TLineInput& input, std::ostream& out);

// The first run's questions: asks for every profile field, then again for the ones the
// validation refuses, until it passes (true) or the input ends (false).
bool AskProfile(TConfigDialogData& data, TLineInput& input, std::ostream& out);

}  // namespace kelmo
