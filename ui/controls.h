#pragma once
// The widgets a form is built from. Each holds plain properties and events;
// what a user's action does to the model is in the member functions (click,
// toggle, keyDown), so the renderers and the tests go through the same path.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/message_box.h"
#include "ui/widget.h"

namespace ui {

class Label : public Widget {
 public:
  using Widget::Widget;
  TextAlign alignment() const { return alignment_; }
  void setAlignment(TextAlign a);
  bool verticalCenter() const { return verticalCenter_; }
  void setVerticalCenter(bool v);
  bool wordWrap() const { return wordWrap_; }
  void setWordWrap(bool w);
  // A label that sizes itself to its caption in its font (single-line
  // labels only): width the text's width, height one line. Off by default.
  bool autoSize() const { return autoSize_; }
  void setAutoSize(bool a);
  // Forces an immediate repaint (the renderer repaints on every change
  // anyway; kept so code that asks for it says so).
  void repaint() { changed(Property::Caption); }
  const char* typeName() const override { return "Label"; }
  std::function<void()> onClick;
  void click() override {
    if (onClick) onClick();
  }

 private:
  void textChanged() override;
  TextAlign alignment_ = TextAlign::Left;
  bool verticalCenter_ = false;
  bool wordWrap_ = false;
  bool autoSize_ = false;
};

// A container with an optional caption and bevels.
class Panel : public Widget {
 public:
  using Widget::Widget;
  Bevel bevelInner() const { return bevelInner_; }
  Bevel bevelOuter() const { return bevelOuter_; }
  void setBevels(Bevel inner, Bevel outer);
  TextAlign alignment() const { return alignment_; }
  void setAlignment(TextAlign a);
  void repaint() { changed(Property::Caption); }
  const char* typeName() const override { return "Panel"; }

 private:
  Bevel bevelInner_ = Bevel::None;
  Bevel bevelOuter_ = Bevel::Raised;
  TextAlign alignment_ = TextAlign::Center;
};

class GroupBox : public Widget {
 public:
  using Widget::Widget;
  const char* typeName() const override { return "GroupBox"; }
};

// A container whose content scrolls vertically. Children keep their
// positions in the content; the box shows the band of the content from
// scrollTop() down, as high as the box, and clips the rest. A scroll bar
// appears when the content is higher than the box.
class ScrollBox : public Widget {
 public:
  using Widget::Widget;
  // The lowest bottom edge of the visible children.
  int contentHeight() const;
  int scrollTop() const { return scrollTop_; }
  int maxScrollTop() const;
  // Clamped to 0..maxScrollTop().
  void setScrollTop(int top);
  // Scrolls as little as needed to show the whole of a widget inside the box.
  void scrollInView(const Widget& descendant);
  // The part of the content a user sees (content coordinates).
  Rect visibleArea() const { return Rect{0, scrollTop_, width(), height()}; }
  // Is the whole of a widget inside the box inside the visible band?
  bool inView(const Widget& descendant) const;
  // A descendant's bounds in content coordinates.
  Rect contentBounds(const Widget& descendant) const;
  // How far one step of the scroll bar's arrows moves.
  static constexpr int kLineStep = 8;
  const char* typeName() const override { return "ScrollBox"; }

 private:
  int scrollTop_ = 0;
};

class Button : public Widget {
 public:
  Button(Widget* parent, std::string name, ButtonKind kind = ButtonKind::Custom);
  ButtonKind kind() const { return kind_; }
  // Gives the button a stock kind: its caption, modal result and the
  // default/cancel flag that kind carries.
  void setKind(ButtonKind k);
  ModalResult modalResult() const { return modalResult_; }
  void setModalResult(ModalResult r) { modalResult_ = r; }
  bool isDefault() const { return default_; }
  void setDefault(bool d);
  bool isCancel() const { return cancel_; }
  void setCancel(bool c);
  // The small image beside the caption, and which side it sits on.
  Glyph glyph() const { return glyph_; }
  void setGlyph(Glyph g);
  bool glyphRight() const { return glyphRight_; }
  void setGlyphRight(bool r);

  std::function<void()> onClick;
  // A component that drives the button (the page manager) runs first.
  std::function<void()> onManagedClick;
  // Sets the form's modal result (if any), then runs the handlers; a Close
  // button closes its form.
  void click() override;
  bool focusable() const override { return true; }
  const char* typeName() const override { return "Button"; }

  static std::string stockCaption(ButtonKind k);
  static ModalResult stockResult(ButtonKind k);

 private:
  ButtonKind kind_;
  ModalResult modalResult_ = ModalResult::None;
  bool default_ = false;
  bool cancel_ = false;
  Glyph glyph_ = Glyph::None;
  bool glyphRight_ = false;
};

// One of the system's message icons (question, information ...), 32 x 32.
class IconImage : public Widget {
 public:
  using Widget::Widget;
  MessageIcon icon() const { return icon_; }
  void setIcon(MessageIcon i);
  const char* typeName() const override { return "IconImage"; }

 private:
  MessageIcon icon_ = MessageIcon::None;
};

// A menu that drops down from a speed button.
struct MenuItem {
  std::string caption;
  bool enabled = true;
  int tag = 0;
  std::function<void()> onClick;
};

// A flat button; with a drop-down menu its click opens the menu.
class SpeedButton : public Widget {
 public:
  using Widget::Widget;
  std::vector<MenuItem>& menu() { return menu_; }
  void addMenuItem(MenuItem item);
  void clearMenu();
  std::function<void()> onClick;
  // Runs onClick, then opens the menu (if any) and runs the chosen item.
  void click() override;
  // Runs a menu item as if chosen; false when out of range or disabled.
  bool chooseMenuItem(int index);
  const char* typeName() const override { return "SpeedButton"; }

 private:
  std::vector<MenuItem> menu_;
};

// A check box or a radio button.
class CheckBox : public Widget {
 public:
  using Widget::Widget;
  bool checked() const { return checked_; }
  virtual void setChecked(bool c);
  // A user's click: toggles the box, then runs onClick.
  void click() override;
  bool focusable() const override { return true; }
  std::function<void()> onClick;
  std::function<void()> onChange;
  const char* typeName() const override { return "CheckBox"; }

 protected:
  bool checked_ = false;
};

// Checking a radio button unchecks its siblings; as in the form library the
// engine was written for, checking it also runs onClick (program or user).
class RadioButton : public CheckBox {
 public:
  using CheckBox::CheckBox;
  void setChecked(bool c) override;
  void click() override;
  const char* typeName() const override { return "RadioButton"; }
};

// A list of check boxes; each item can be enabled or disabled on its own.
class CheckList : public Widget {
 public:
  struct Item {
    std::string caption;
    bool checked = false;
    bool enabled = true;
    int data = 0;  // the caller's number for the item (a group index)
  };
  using Widget::Widget;

  int count() const { return static_cast<int>(items_.size()); }
  const Item& item(int index) const { return items_.at(static_cast<std::size_t>(index)); }
  int addItem(std::string caption, int data = 0);
  void clear();
  bool checked(int index) const { return item(index).checked; }
  // Fires onStateChange when the state changes (program or user).
  void setChecked(int index, bool c);
  bool itemEnabled(int index) const { return item(index).enabled; }
  void setItemEnabled(int index, bool e);
  // A user's toggle: ignored for a disabled item or list. Returns whether
  // the state changed.
  bool toggle(int index);
  int columns() const { return columns_; }
  void setColumns(int c) { columns_ = c < 1 ? 1 : c; }
  int itemHeight() const { return itemHeight_; }
  void setItemHeight(int h) { itemHeight_ = h; }
  int itemIndex() const { return itemIndex_; }
  void setItemIndex(int i) { itemIndex_ = i; }

  std::function<void(int index)> onStateChange;
  bool focusable() const override { return true; }
  bool keyDown(int key) override;
  const char* typeName() const override { return "CheckList"; }

 private:
  Item& mutableItem(int index) { return items_.at(static_cast<std::size_t>(index)); }
  std::vector<Item> items_;
  int columns_ = 1;
  int itemHeight_ = 13;
  int itemIndex_ = -1;
};

class ProgressBar : public Widget {
 public:
  using Widget::Widget;
  int min() const { return min_; }
  int max() const { return max_; }
  int position() const { return position_; }
  void setRange(int min, int max);
  void setMax(int max) { setRange(min_, max); }
  // Clamped to the range.
  void setPosition(int p);
  const char* typeName() const override { return "ProgressBar"; }

 private:
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};

class Edit : public Widget {
 public:
  using Widget::Widget;
  const std::string& text() const { return text_; }
  // Fires onChange when the text changes (typed or set).
  void setText(std::string t);
  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool r);
  std::function<void()> onChange;
  bool focusable() const override { return true; }
  const char* typeName() const override { return "Edit"; }

 private:
  std::string text_;
  bool readOnly_ = false;
};

// An edit with a browse button: a folder dialog (directory edit) or a
// file-open dialog (file edit). F3 opens the dialog too.
class PathEdit : public Edit {
 public:
  enum class Kind { Directory, File };
  PathEdit(Widget* parent, std::string name, Kind kind);
  Kind kind() const { return kind_; }
  // File edits: "Description|*.ext" pairs.
  const std::string& filter() const { return filter_; }
  void setFilter(std::string f) { filter_ = std::move(f); }
  const std::string& dialogTitle() const { return dialogTitle_; }
  void setDialogTitle(std::string t) { dialogTitle_ = std::move(t); }
  const std::string& buttonHint() const { return hint(); }
  void setButtonHint(std::string h) { setHint(std::move(h)); }
  // Opens the dialog; a chosen path becomes the text. Returns whether one
  // was chosen.
  bool browse();
  bool keyDown(int key) override;
  const char* typeName() const override {
    return kind_ == Kind::Directory ? "DirectoryEdit" : "FileEdit";
  }

 private:
  Kind kind_;
  std::string filter_;
  std::string dialogTitle_;
};

// Rich text (RTF keeps its formatting) or plain 1251 text, read-only.
class RichEdit : public Widget {
 public:
  using Widget::Widget;
  // Content in RTF ("{\rtf" at the start) or plain code page 1251 text.
  const std::string& content() const { return content_; }
  void setContent(std::string c);
  bool isRtf() const;
  // The text without RTF markup (plain content unchanged): what a reader
  // sees, for tests.
  std::string plainText() const;
  const char* typeName() const override { return "RichEdit"; }
  bool focusable() const override { return true; }

 protected:
  Color defaultColor() const override { return colors::windowBackground; }

 private:
  std::string content_;
};

// A read-only multi-line viewer with both scroll bars and no wrapping.
class Memo : public Widget {
 public:
  using Widget::Widget;
  const std::vector<std::string>& lines() const { return lines_; }
  // Splits at CR LF, LF or CR.
  void setText(std::string_view text);
  std::string text() const;  // lines joined with CR LF
  bool wordWrap() const { return wordWrap_; }
  void setWordWrap(bool w) { wordWrap_ = w; }
  const char* typeName() const override { return "Memo"; }
  bool focusable() const override { return true; }

 protected:
  Color defaultColor() const override { return colors::windowBackground; }

 private:
  std::vector<std::string> lines_;
  bool wordWrap_ = false;
};

// A panel painted with a colour gradient and a caption with a shadow.
class GradientPanel : public Widget {
 public:
  using Widget::Widget;
  Color colorStart() const { return colorStart_; }
  Color colorEnd() const { return colorEnd_; }
  int colorCount() const { return colorCount_; }
  void setColors(Color start, Color end);
  // 16 to 256 are taken; any other value sets 128.
  void setColorCount(int n);
  Color shadowColor() const { return shadow_; }
  void setShadowColor(Color c) { shadow_ = c; }
  const char* typeName() const override { return "GradientPanel"; }

 private:
  Color colorStart_ = colors::blue;
  Color colorEnd_ = colors::black;
  int colorCount_ = 128;
  Color shadow_ = colors::black;
};

}  // namespace ui
