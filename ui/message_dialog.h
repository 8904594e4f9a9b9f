#pragma once
// A message box of the program's own, built from the model like any other
// form. Its buttons carry the program's captions ("&Да", "&Нет") whatever
// the language of Windows, Esc presses its cancel button (No where there is
// no Cancel), and its close box ends it with the result Cancel.

#include "ui/application.h"
#include "ui/message_box.h"

namespace ui {

// The form's name, and the names of its parts: the icon "Image", the text
// "Message", and one button per result named after it ("Yes", "No", "OK").
inline constexpr const char kMessageDialogName[] = "MessageDialog";

ModalResult ShowMessageDialog(Application& app, const MessageBoxRequest& request);

}  // namespace ui
