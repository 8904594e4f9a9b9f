#pragma once
// The base of every widget: a named node in a form's tree with plain
// properties. A renderer attaches a peer to a widget when it realises it;
// every property change is passed on to that peer, so application code only
// ever touches the model.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/types.h"

namespace ui {

class Application;
class Form;

enum class Property {
  Caption,
  Bounds,
  Font,
  Color,
  Visible,
  Enabled,
  Checked,
  Items,      // check list items, menu items
  ItemState,  // one check list item's checked or enabled state
  Value,      // progress position and range
  Text,       // edit text, rich text, memo lines
  ReadOnly,
  Page,       // notebook page index
  Default,    // default / cancel button flags
  Hint,
  Focus,      // the form's active control
};

// The renderer's side of a widget (a window, a control). Owned by the widget.
class WidgetPeer {
 public:
  virtual ~WidgetPeer() = default;
  virtual void update(Property changed) = 0;
};

class Widget {
 public:
  Widget(Widget* parent, std::string name);
  virtual ~Widget();
  Widget(const Widget&) = delete;
  Widget& operator=(const Widget&) = delete;

  const std::string& name() const { return name_; }
  Widget* parent() const { return parent_; }
  Form& form();
  const Form& form() const;
  Application& app() const;

  // Children, in creation order (which is also the tab and z order).
  template <class T, class... Args>
  T& add(std::string name, Args&&... args) {
    auto child = std::make_unique<T>(this, std::move(name), std::forward<Args>(args)...);
    T& ref = *child;
    adopt(std::move(child));
    return ref;
  }
  const std::vector<std::unique_ptr<Widget>>& children() const { return children_; }
  // Removes and destroys a child (and its subtree).
  void remove(Widget& child);

  // Searches this subtree for a widget by name; nullptr when none.
  Widget* findWidget(std::string_view name);
  template <class T>
  T* find(std::string_view name) {
    return dynamic_cast<T*>(findWidget(name));
  }
  // Like find, but a missing or mistyped name is a programming error.
  template <class T>
  T& get(std::string_view name) {
    return checked<T>(findWidget(name), name);
  }

  // Geometry, relative to the parent's client area.
  const Rect& bounds() const { return bounds_; }
  int left() const { return bounds_.left; }
  int top() const { return bounds_.top; }
  int width() const { return bounds_.width; }
  int height() const { return bounds_.height; }
  void setBounds(Rect r);
  void setBounds(int left, int top, int width, int height) { setBounds(Rect{left, top, width, height}); }
  void setLeft(int v);
  void setTop(int v);
  void setWidth(int v);
  void setHeight(int v);
  // Position relative to the form's client area.
  Rect boundsInForm() const;

  Align align() const { return align_; }
  void setAlign(Align a);
  // Lays out the children that have an alignment inside this client area.
  void realign();

  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption);

  // The font and colour follow the parent's until set.
  Font font() const;
  void setFont(Font f);
  bool hasOwnFont() const { return ownFont_.has_value(); }
  void setFontColor(Color c);
  Color color() const;
  void setColor(Color c);
  bool transparent() const { return transparent_; }
  void setTransparent(bool t) { transparent_ = t; }

  bool visible() const { return visible_; }
  void setVisible(bool v);
  void show() { setVisible(true); }
  void hide() { setVisible(false); }
  bool enabled() const { return enabled_; }
  void setEnabled(bool e);
  // Visible and enabled all the way up to the form: a user could reach it.
  bool isShowing() const;
  bool isUsable() const;

  int tag() const { return tag_; }
  void setTag(int t) { tag_ = t; }
  const std::string& hint() const { return hint_; }
  void setHint(std::string h);

  // Does the widget take the focus when tabbed to?
  virtual bool focusable() const { return false; }
  void setFocus();

  // Key pressed while the widget has the focus. Returns true when handled.
  std::function<void(int key)> onKeyDown;
  virtual bool keyDown(int key);

  // What a user's mouse click does; the model's reaction (button actions,
  // toggles) happens in click(). Programmatic calls run it unconditionally.
  virtual void click() {}

  WidgetPeer* peer() const { return peer_.get(); }
  void attachPeer(std::unique_ptr<WidgetPeer> peer);
  void detachPeers();
  // Tells the peer that a property changed.
  void changed(Property p);

  // A short description for failure messages: "Button NextBtn".
  virtual const char* typeName() const { return "Widget"; }

 protected:
  template <class T>
  static T& checked(Widget* w, std::string_view name);
  [[noreturn]] static void missing(std::string_view name, const char* why);
  friend void notifyInheritedFont(Widget& w);
  // The colour a widget has when neither it nor a parent sets one.
  virtual Color defaultColor() const { return colors::buttonFace; }
  // Hook for subclasses after a child was added (notebook pages).
  virtual void childAdded(Widget&) {}
  // Hook after the caption or the (effective) font changed.
  virtual void textChanged() {}

 private:
  void adopt(std::unique_ptr<Widget> child);

  Widget* parent_;
  std::string name_;
  std::vector<std::unique_ptr<Widget>> children_;
  Rect bounds_;
  Align align_ = Align::None;
  std::string caption_;
  std::optional<Font> ownFont_;
  std::optional<Color> ownColor_;
  bool transparent_ = false;
  bool visible_ = true;
  bool enabled_ = true;
  int tag_ = 0;
  std::string hint_;
  std::unique_ptr<WidgetPeer> peer_;
};

template <class T>
T& Widget::checked(Widget* w, std::string_view name) {
  if (w == nullptr) missing(name, "no widget of this name");
  T* t = dynamic_cast<T*>(w);
  if (t == nullptr) missing(name, "the widget has another type");
  return *t;
}

}  // namespace ui
