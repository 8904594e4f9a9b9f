#include "ui/form.h"

#include <algorithm>
#include <stdexcept>

#include "ui/application.h"
#include "ui/controls.h"

namespace ui {

Form::Form(Application& app, std::string name) : Widget(nullptr, std::move(name)), app_(app) {
  setBounds(0, 0, 400, 300);
}

Form::~Form() {
  timers_.clear();
  if (shown_) app_.renderer().hideForm(*this);
  app_.formDestroyed(*this);
}

void Form::setClientSize(int width, int height) { setBounds(left(), top(), width, height); }

void Form::showForm() {
  if (shown_) return;
  shown_ = true;
  // Main form before onShow: forms that its onShow shows (the background
  // window) are not the main form.
  if (app_.mainForm() == nullptr) app_.setMainForm(this);
  if (!everShown_) {
    everShown_ = true;
    if (onShow) onShow();
  }
  app_.renderer().showForm(*this);
}

void Form::hideForm() {
  if (!shown_) return;
  shown_ = false;
  app_.renderer().hideForm(*this);
}

ModalResult Form::showModal() {
  modalResult_ = ModalResult::None;
  modal_ = true;
  shown_ = true;
  if (!everShown_) {
    everShown_ = true;
    if (onShow) onShow();
  }
  const ModalResult result = app_.renderer().runModal(*this);
  modal_ = false;
  shown_ = false;
  app_.renderer().hideForm(*this);
  modalResult_ = result;
  return result;
}

void Form::setModalResult(ModalResult r) { modalResult_ = r; }

bool Form::modalEnded() {
  if (modalResult_ == ModalResult::None) return false;
  if (onCloseQuery && !onCloseQuery()) {
    modalResult_ = ModalResult::None;
    return false;
  }
  return true;
}

void Form::close() {
  if (modal_) {
    setModalResult(ModalResult::Cancel);
    return;
  }
  if (onCloseQuery && !onCloseQuery()) return;
  if (onClose) onClose();
  hideForm();
  if (app_.mainForm() == this) app_.terminate();
}

namespace {
template <class Pred>
Button* findButton(Widget& root, Pred pred) {
  for (auto& c : root.children()) {
    if (auto* b = dynamic_cast<Button*>(c.get()); b != nullptr && pred(*b) && b->isUsable()) return b;
    if (Button* b = findButton(*c, pred)) return b;
  }
  return nullptr;
}
}  // namespace

Button* Form::defaultButton() {
  return findButton(*this, [](const Button& b) { return b.isDefault(); });
}

Button* Form::cancelButton() {
  return findButton(*this, [](const Button& b) { return b.isCancel(); });
}

void Form::setActiveControl(Widget* w) {
  if (w == activeControl_) return;
  activeControl_ = w;
  // A control that takes the focus inside a scroll box is scrolled into
  // view, whether it was tabbed to or focused by the program.
  if (w != nullptr) {
    for (Widget* p = w->parent(); p != nullptr; p = p->parent()) {
      if (auto* box = dynamic_cast<ScrollBox*>(p)) box->scrollInView(*w);
    }
  }
  changed(Property::Focus);
}

bool Form::keyDown(int key) {
  Widget::keyDown(key);
  if (key == keys::enter) {
    auto* focused = dynamic_cast<Button*>(activeControl_);
    Button* b = focused != nullptr && focused->isUsable() ? focused : defaultButton();
    if (b != nullptr) {
      b->click();
      return true;
    }
  } else if (key == keys::escape) {
    if (Button* b = cancelButton()) {
      b->click();
      return true;
    }
  }
  return false;
}

Timer& Form::addTimer(std::string name, int intervalMs) {
  timers_.push_back(std::make_unique<Timer>(app_, std::move(name), intervalMs));
  return *timers_.back();
}

Timer* Form::findTimer(std::string_view name) {
  for (auto& t : timers_) {
    if (t->name() == name) return t.get();
  }
  return nullptr;
}

Timer& Form::timer(std::string_view name) {
  Timer* t = findTimer(name);
  if (t == nullptr) throw std::logic_error("form " + this->name() + ": no timer " + std::string(name));
  return *t;
}

void Form::clientResized(int width, int height) {
  if (width == this->width() && height == this->height()) return;
  setBounds(left(), top(), width, height);
  if (onResize) onResize();
}

}  // namespace ui
