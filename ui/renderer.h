#pragma once
// What a renderer does for the model: realise forms, run modal loops and
// system dialogs, drive timers and the cursor, measure text. The Win32
// renderer does it with real windows; the headless one answers from a
// script so tests run without a screen.

#include <optional>
#include <string>
#include <string_view>

#include "ui/message_box.h"
#include "ui/types.h"

namespace ui {

class Form;
class Timer;
class Widget;

class Renderer {
 public:
  virtual ~Renderer() = default;

  // Creates the peers of a widget and its subtree (the form must be shown
  // or the widget's parent realised already).
  virtual void realize(Widget& widget) = 0;
  // Shows a form modelessly / hides it.
  virtual void showForm(Form& form) = 0;
  virtual void hideForm(Form& form) = 0;
  // Runs the modal loop of a form until its modal result is set, the
  // application terminates, or nothing can answer it (headless).
  virtual ModalResult runModal(Form& form) = 0;

  virtual ModalResult messageBox(const MessageBoxRequest& request) = 0;
  virtual std::optional<std::string> browseForFolder(const FolderDialogRequest& request) = 0;
  virtual std::optional<std::string> openFileDialog(const FileDialogRequest& request) = 0;
  // Index of the chosen menu item, or nothing when the menu was dismissed.
  virtual std::optional<int> popupMenu(const PopupMenuRequest& request) = 0;

  // Runs what is pending: window messages, queued user actions.
  virtual void processMessages() = 0;
  // Runs the application's main loop until it terminates.
  virtual void run() = 0;
  virtual void quit() = 0;

  virtual void startTimer(Timer& timer) = 0;
  virtual void stopTimer(Timer& timer) = 0;

  // The application's title: what the taskbar and the task switcher show
  // for the program while its windows are up.
  virtual void setApplicationTitle(const std::string& title) = 0;

  virtual void setCursor(Cursor cursor) = 0;
  // Brings the form (the main form) to the front and gives it the focus.
  virtual void bringToFront(Form* form) = 0;
  virtual void beep(MessageIcon kind) = 0;

  // Width in pixels (at 96 DPI) of a single-line text in the font.
  virtual int textWidth(const Font& font, std::string_view text) = 0;
  // Height of one line of text in the font.
  virtual int lineHeight(const Font& font) = 0;
};

}  // namespace ui
