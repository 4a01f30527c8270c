// The plain message box of the window front end: a text, an OK button and the application's
// title, as the system's messages ("人格を選択してください", "空欄があります", ...) are shown.
#pragma once

#include <string_view>

class QWidget;

namespace kelmo {

// Shows text (UTF-8) in a modal message box over parent and returns when the user has closed it.
void ShowMessageBox(QWidget* parent, std::string_view text);

}  // namespace kelmo
