#pragma once
// A top-level window of the model: a dialog or the wizard's main window.
// Its bounds are the position on the screen and the client area's size.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/timer.h"
#include "ui/widget.h"

namespace ui {

class Application;
class Button;

class Form : public Widget {
 public:
  Form(Application& app, std::string name);
  ~Form() override;

  Application& application() const { return app_; }

  BorderStyle borderStyle() const { return borderStyle_; }
  void setBorderStyle(BorderStyle s) { borderStyle_ = s; }
  FormPosition position() const { return position_; }
  void setPosition(FormPosition p) { position_ = p; }
  void setClientSize(int width, int height);
  bool maximized() const { return maximized_; }
  void setMaximized(bool m) { maximized_ = m; }

  // Shows the form modelessly; the first such form is the main form.
  void showForm();
  void hideForm();
  bool shown() const { return shown_; }
  // Shows the form modally and returns how it was closed.
  ModalResult showModal();
  bool isModal() const { return modal_; }
  ModalResult modalResult() const { return modalResult_; }
  // Asks the modal loop to end with this result; the loop then runs
  // onCloseQuery, which may refuse (the result goes back to None).
  void setModalResult(ModalResult r);
  // Called by the modal loops after each message: true when the modal
  // result is set and onCloseQuery lets the form close.
  bool modalEnded();
  // The close box, or a program's Close: a modal form ends with Cancel.
  void close();

  // Returns false to keep the form open; modalResult() tells how it is
  // being closed.
  std::function<bool()> onCloseQuery;
  std::function<void()> onClose;
  std::function<void()> onShow;
  std::function<void()> onResize;

  // The buttons that Enter and Esc press: the first usable one marked so.
  Button* defaultButton();
  Button* cancelButton();
  Widget* activeControl() const { return activeControl_; }
  void setActiveControl(Widget* w);
  bool keyDown(int key) override;

  Timer& addTimer(std::string name, int intervalMs);
  Timer* findTimer(std::string_view name);
  Timer& timer(std::string_view name);

  // The renderer reports a new client size (a resizable window).
  void clientResized(int width, int height);

  const char* typeName() const override { return "Form"; }

 private:
  Application& app_;
  BorderStyle borderStyle_ = BorderStyle::Dialog;
  FormPosition position_ = FormPosition::ScreenCenter;
  bool maximized_ = false;
  bool shown_ = false;
  bool everShown_ = false;
  bool modal_ = false;
  ModalResult modalResult_ = ModalResult::None;
  Widget* activeControl_ = nullptr;
  std::vector<std::unique_ptr<Timer>> timers_;
};

}  // namespace ui
