#pragma once
// The application object: owns the renderer chosen at start-up (Win32 in
// setup.exe, headless in tests) and offers the application-wide services
// the engine uses: message boxes, processing pending messages, the cursor,
// termination.

#include <memory>
#include <string>
#include <string_view>

#include "ui/message_box.h"
#include "ui/renderer.h"
#include "ui/types.h"

namespace ui {

class Form;

class Application {
 public:
  explicit Application(std::unique_ptr<Renderer> renderer);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  Renderer& renderer() { return *renderer_; }

  // The program's name in the taskbar and the task switcher (1251).
  const std::string& title() const { return title_; }
  void setTitle(std::string title);

  // The first form shown modelessly becomes the main form; closing it
  // terminates the application.
  Form* mainForm() const { return mainForm_; }
  void setMainForm(Form* form) { mainForm_ = form; }
  void formDestroyed(const Form& form);

  ModalResult messageBox(const MessageBoxRequest& request);
  ModalResult messageBox(std::string text, std::string caption, MessageButtons buttons,
                         MessageIcon icon, int defaultButton = 0);

  void processMessages();
  // Runs the main loop until terminate() is called.
  void run();
  // Asks the main loop to end; the close steps of forms do not run.
  void terminate();
  bool terminated() const { return terminated_; }

  Cursor cursor() const { return cursor_; }
  void setCursor(Cursor c);
  // Brings the main form to the front and gives it the input focus.
  void bringToFront() { renderer_->bringToFront(mainForm_); }
  void beep(MessageIcon kind) { renderer_->beep(kind); }

  int textWidth(const Font& font, std::string_view text) { return renderer_->textWidth(font, text); }

 private:
  std::unique_ptr<Renderer> renderer_;
  Form* mainForm_ = nullptr;
  std::string title_;
  bool terminated_ = false;
  Cursor cursor_ = Cursor::Default;
};

// Sets a cursor for a scope and restores the previous one afterwards.
class CursorScope {
 public:
  CursorScope(Application& app, Cursor c) : app_(app), previous_(app.cursor()) { app.setCursor(c); }
  ~CursorScope() { app_.setCursor(previous_); }
  CursorScope(const CursorScope&) = delete;
  CursorScope& operator=(const CursorScope&) = delete;

 private:
  Application& app_;
  Cursor previous_;
};

}  // namespace ui
