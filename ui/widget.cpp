#include "ui/widget.h"

#include <algorithm>
#include <stdexcept>

#include "ui/application.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace ui {

Widget::Widget(Widget* parent, std::string name) : parent_(parent), name_(std::move(name)) {}

Widget::~Widget() {
  // Children (and their windows) go before this widget's own window.
  children_.clear();
  peer_.reset();
}

Form& Widget::form() {
  Widget* w = this;
  while (w->parent_ != nullptr) w = w->parent_;
  auto* f = dynamic_cast<Form*>(w);
  if (f == nullptr) missing(name_, "the widget is not on a form");
  return *f;
}

const Form& Widget::form() const { return const_cast<Widget*>(this)->form(); }

Application& Widget::app() const { return form().application(); }

void Widget::adopt(std::unique_ptr<Widget> child) {
  Widget& ref = *child;
  children_.push_back(std::move(child));
  childAdded(ref);
  if (ref.align() != Align::None) realign();
  if (peer_ != nullptr) app().renderer().realize(ref);
}

void Widget::remove(Widget& child) {
  auto it = std::find_if(children_.begin(), children_.end(),
                         [&](const std::unique_ptr<Widget>& c) { return c.get() == &child; });
  if (it == children_.end()) return;
  Form& f = form();
  for (Widget* w = f.activeControl(); w != nullptr; w = w->parent()) {
    if (w == &child) {
      f.setActiveControl(nullptr);
      break;
    }
  }
  children_.erase(it);
}

Widget* Widget::findWidget(std::string_view name) {
  if (name_ == name) return this;
  for (auto& c : children_) {
    if (Widget* w = c->findWidget(name)) return w;
  }
  return nullptr;
}

void Widget::missing(std::string_view name, const char* why) {
  throw std::logic_error("widget " + std::string(name) + ": " + why);
}

void Widget::setBounds(Rect r) {
  if (r == bounds_) return;
  const bool resized = r.width != bounds_.width || r.height != bounds_.height;
  bounds_ = r;
  changed(Property::Bounds);
  if (resized) realign();
}

void Widget::setLeft(int v) { setBounds(Rect{v, bounds_.top, bounds_.width, bounds_.height}); }
void Widget::setTop(int v) { setBounds(Rect{bounds_.left, v, bounds_.width, bounds_.height}); }
void Widget::setWidth(int v) { setBounds(Rect{bounds_.left, bounds_.top, v, bounds_.height}); }
void Widget::setHeight(int v) { setBounds(Rect{bounds_.left, bounds_.top, bounds_.width, v}); }

Rect Widget::boundsInForm() const {
  Rect r = bounds_;
  for (const Widget* p = parent_; p != nullptr && p->parent_ != nullptr; p = p->parent_) {
    r.left += p->bounds_.left;
    r.top += p->bounds_.top;
    // What a scroll box holds moves up as it scrolls.
    if (const auto* box = dynamic_cast<const ScrollBox*>(p)) r.top -= box->scrollTop();
  }
  return r;
}

void Widget::setAlign(Align a) {
  if (a == align_) return;
  align_ = a;
  if (parent_ != nullptr) parent_->realign();
}

void Widget::realign() {
  // Top first, then bottom, left, right, and the client child takes the rest.
  int top = 0;
  int bottom = bounds_.height;
  int left = 0;
  int right = bounds_.width;
  auto place = [&](Align which) {
    for (auto& c : children_) {
      if (c->align_ != which) continue;
      Rect r = c->bounds_;
      switch (which) {
        case Align::Top:
          r = Rect{left, top, right - left, r.height};
          top += r.height;
          break;
        case Align::Bottom:
          bottom -= r.height;
          r = Rect{left, bottom, right - left, r.height};
          break;
        case Align::Left:
          r = Rect{left, top, r.width, bottom - top};
          left += r.width;
          break;
        case Align::Right:
          right -= r.width;
          r = Rect{right, top, r.width, bottom - top};
          break;
        case Align::Client:
          r = Rect{left, top, right - left, bottom - top};
          break;
        case Align::None:
          break;
      }
      c->setBounds(r);
    }
  };
  place(Align::Top);
  place(Align::Bottom);
  place(Align::Left);
  place(Align::Right);
  place(Align::Client);
}

void Widget::setCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  changed(Property::Caption);
  textChanged();
}

Font Widget::font() const {
  if (ownFont_) return *ownFont_;
  if (parent_ != nullptr) return parent_->font();
  return Font{};
}

void notifyInheritedFont(Widget& w) {
  w.changed(Property::Font);
  w.textChanged();
  for (auto& c : w.children()) {
    if (!c->hasOwnFont()) notifyInheritedFont(*c);
  }
}

void Widget::setFont(Font f) {
  if (ownFont_ && *ownFont_ == f) return;
  ownFont_ = std::move(f);
  notifyInheritedFont(*this);
}

void Widget::setFontColor(Color c) {
  Font f = font();
  f.color = c;
  setFont(std::move(f));
}

Color Widget::color() const { return ownColor_ ? *ownColor_ : defaultColor(); }

void Widget::setColor(Color c) {
  if (ownColor_ == c) return;
  ownColor_ = c;
  changed(Property::Color);
}

void Widget::setVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  changed(Property::Visible);
}

void Widget::setEnabled(bool e) {
  if (e == enabled_) return;
  enabled_ = e;
  changed(Property::Enabled);
}

bool Widget::isShowing() const {
  const Widget* w = this;
  for (; w->parent_ != nullptr; w = w->parent_) {
    if (!w->visible_) return false;
  }
  const auto* f = dynamic_cast<const Form*>(w);
  return f != nullptr && f->shown();
}

bool Widget::isUsable() const {
  if (!isShowing()) return false;
  for (const Widget* w = this; w != nullptr; w = w->parent_) {
    if (!w->enabled_) return false;
  }
  return true;
}

void Widget::setHint(std::string h) {
  if (h == hint_) return;
  hint_ = std::move(h);
  changed(Property::Hint);
}

void Widget::setFocus() { form().setActiveControl(this); }

bool Widget::keyDown(int key) {
  if (onKeyDown) onKeyDown(key);
  return false;
}

void Widget::attachPeer(std::unique_ptr<WidgetPeer> peer) { peer_ = std::move(peer); }

void Widget::detachPeers() {
  for (auto& c : children_) c->detachPeers();
  peer_.reset();
}

void Widget::changed(Property p) {
  if (peer_ != nullptr) peer_->update(p);
}

}  // namespace ui
