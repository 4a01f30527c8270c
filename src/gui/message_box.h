// The plain message boxes of the window front end: a text with an OK button, or a question with
// Yes and No, under the application's title, as the system's messages ("人格を選択してください",
// "空欄があります", ...) and questions are shown.
#pragma once

#include <string_view>

class QWidget;

namespace kelmo {

// Shows text (UTF-8) in a modal message box over parent and returns when the user has closed it.
void ShowMessageBox(QWidget* parent, std::string_view text);

// Asks question (UTF-8) in a modal message box with Yes and No over parent; true for Yes. Escape
// and closing the box answer No.
bool AskYesNoBox(QWidget* parent, std::string_view question);

}  // namespace kelmo
