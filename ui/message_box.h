#pragma once
// Requests that a renderer answers with a system dialog: message boxes,
// the browse-for-folder and file-open dialogs, pop-up menus.

#include <optional>
#include <string>
#include <vector>

#include "ui/types.h"

namespace ui {

class Form;

// Button sets and icons of a message box (MessageBox's MB_* values).
enum class MessageButtons : unsigned {
  Ok = 0,
  OkCancel = 1,
  AbortRetryIgnore = 2,
  YesNoCancel = 3,
  YesNo = 4,
  RetryCancel = 5,
};

enum class MessageIcon : unsigned {
  None = 0,
  Error = 0x10,     // the stop sign (MB_ICONHAND)
  Question = 0x20,
  Warning = 0x30,
  Information = 0x40,
};

struct MessageBoxRequest {
  std::string text;     // code page 1251
  std::string caption;  // code page 1251
  MessageButtons buttons = MessageButtons::Ok;
  MessageIcon icon = MessageIcon::None;
  int defaultButton = 0;  // 0 the first button, 1 the second, 2 the third
  const Form* owner = nullptr;
};

// The results a button set can give, in button order.
std::vector<ModalResult> resultsOf(MessageButtons buttons);
const char* nameOf(MessageButtons buttons);
const char* nameOf(MessageIcon icon);
const char* nameOf(ModalResult result);

struct FolderDialogRequest {
  std::string title;
  std::string initialDir;
  const Form* owner = nullptr;
};

struct FileDialogRequest {
  std::string filter;  // "Description|*.ext" pairs, separated by '|'
  std::string initialPath;
  const Form* owner = nullptr;
};

struct PopupMenuRequest {
  std::vector<std::string> items;
  std::vector<bool> enabled;
  Rect anchor;  // the widget the menu drops down from, in form coordinates
  const Form* owner = nullptr;
};

}  // namespace ui
