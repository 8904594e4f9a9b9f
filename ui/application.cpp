#include "ui/application.h"

#include "ui/form.h"

namespace ui {

Application::Application(std::unique_ptr<Renderer> renderer) : renderer_(std::move(renderer)) {}

Application::~Application() = default;

void Application::formDestroyed(const Form& form) {
  if (mainForm_ == &form) mainForm_ = nullptr;
}

ModalResult Application::messageBox(const MessageBoxRequest& request) {
  // A message box always shows the arrow, whatever the screen cursor is.
  CursorScope arrow(*this, Cursor::Default);
  return renderer_->messageBox(request);
}

ModalResult Application::messageBox(std::string text, std::string caption, MessageButtons buttons,
                                    MessageIcon icon, int defaultButton) {
  MessageBoxRequest r;
  r.text = std::move(text);
  r.caption = std::move(caption);
  r.buttons = buttons;
  r.icon = icon;
  r.defaultButton = defaultButton;
  r.owner = mainForm_;
  return messageBox(r);
}

void Application::setTitle(std::string title) {
  title_ = std::move(title);
  renderer_->setApplicationTitle(title_);
}

void Application::processMessages() { renderer_->processMessages(); }

void Application::run() {
  if (!terminated_) renderer_->run();
}

void Application::terminate() {
  if (terminated_) return;
  terminated_ = true;
  renderer_->quit();
}

void Application::setCursor(Cursor c) {
  cursor_ = c;
  renderer_->setCursor(c);
}

}  // namespace ui
