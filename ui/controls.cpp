#include "ui/controls.h"

#include <algorithm>

#include "ui/application.h"
#include "ui/form.h"

namespace ui {

// --- Label, Panel -----------------------------------------------------------

void Label::setAlignment(TextAlign a) {
  if (a == alignment_) return;
  alignment_ = a;
  changed(Property::Caption);
}

void Label::setVerticalCenter(bool v) {
  if (v == verticalCenter_) return;
  verticalCenter_ = v;
  changed(Property::Caption);
}

void Label::setWordWrap(bool w) {
  if (w == wordWrap_) return;
  wordWrap_ = w;
  changed(Property::Caption);
}

void Label::setAutoSize(bool a) {
  autoSize_ = a;
  textChanged();
}

void Label::textChanged() {
  if (!autoSize_ || wordWrap_) return;
  Renderer& r = app().renderer();
  const Font f = font();
  setBounds(left(), top(), r.textWidth(f, caption()), r.lineHeight(f));
}

void Panel::setBevels(Bevel inner, Bevel outer) {
  bevelInner_ = inner;
  bevelOuter_ = outer;
  changed(Property::Caption);
}

void Panel::setAlignment(TextAlign a) {
  alignment_ = a;
  changed(Property::Caption);
}

// --- ScrollBox --------------------------------------------------------------

int ScrollBox::contentHeight() const {
  int bottom = 0;
  for (const auto& c : children()) {
    if (c->visible()) bottom = std::max(bottom, c->bounds().bottom());
  }
  return bottom;
}

int ScrollBox::maxScrollTop() const { return std::max(0, contentHeight() - height()); }

void ScrollBox::setScrollTop(int top) {
  top = std::clamp(top, 0, maxScrollTop());
  if (top == scrollTop_) return;
  scrollTop_ = top;
  changed(Property::Value);
}

Rect ScrollBox::contentBounds(const Widget& descendant) const {
  Rect r = descendant.bounds();
  for (const Widget* p = descendant.parent(); p != nullptr && p != this; p = p->parent()) {
    r.left += p->left();
    r.top += p->top();
  }
  return r;
}

void ScrollBox::scrollInView(const Widget& descendant) {
  const Rect r = contentBounds(descendant);
  int top = scrollTop_;
  if (r.bottom() > top + height()) top = r.bottom() - height();
  if (r.top < top) top = r.top;
  setScrollTop(top);
}

bool ScrollBox::inView(const Widget& descendant) const {
  const Rect r = contentBounds(descendant);
  return r.top >= scrollTop_ && r.bottom() <= scrollTop_ + height();
}

// --- IconImage --------------------------------------------------------------

void IconImage::setIcon(MessageIcon i) {
  if (i == icon_) return;
  icon_ = i;
  changed(Property::Caption);
}

// --- Button -----------------------------------------------------------------

Button::Button(Widget* parent, std::string name, ButtonKind kind) : Widget(parent, std::move(name)), kind_(kind) {
  if (kind != ButtonKind::Custom) setKind(kind);
}

std::string Button::stockCaption(ButtonKind k) {
  switch (k) {
    case ButtonKind::Custom: return "";
    case ButtonKind::Ok: return "OK";
    case ButtonKind::Cancel: return "Отмена";
    case ButtonKind::Help: return "&Справка";
    case ButtonKind::Yes: return "&Да";
    case ButtonKind::No: return "&Нет";
    case ButtonKind::Close: return "&Закрыть";
    case ButtonKind::Abort: return "Прервать";
    case ButtonKind::Retry: return "&Повторить";
    case ButtonKind::Ignore: return "&Пропустить";
    case ButtonKind::All: return "&Все";
  }
  return "";
}

ModalResult Button::stockResult(ButtonKind k) {
  switch (k) {
    case ButtonKind::Ok: return ModalResult::Ok;
    case ButtonKind::Cancel: return ModalResult::Cancel;
    case ButtonKind::Yes: return ModalResult::Yes;
    case ButtonKind::No: return ModalResult::No;
    case ButtonKind::Abort: return ModalResult::Abort;
    case ButtonKind::Retry: return ModalResult::Retry;
    case ButtonKind::Ignore: return ModalResult::Ignore;
    case ButtonKind::All: return ModalResult::All;
    case ButtonKind::Custom:
    case ButtonKind::Help:
    case ButtonKind::Close: return ModalResult::None;
  }
  return ModalResult::None;
}

void Button::setKind(ButtonKind k) {
  kind_ = k;
  if (k == ButtonKind::Custom) return;
  setCaption(stockCaption(k));
  modalResult_ = stockResult(k);
  // The OK kind brings its image; the others keep what the button has.
  if (k == ButtonKind::Ok) setGlyph(Glyph::Ok);
  setDefault(k == ButtonKind::Ok || k == ButtonKind::Yes);
  setCancel(k == ButtonKind::Cancel || k == ButtonKind::No);
}

void Button::setGlyph(Glyph g) {
  if (g == glyph_) return;
  glyph_ = g;
  changed(Property::Caption);
}

void Button::setGlyphRight(bool r) {
  if (r == glyphRight_) return;
  glyphRight_ = r;
  changed(Property::Caption);
}

void Button::setDefault(bool d) {
  if (d == default_) return;
  default_ = d;
  changed(Property::Default);
}

void Button::setCancel(bool c) {
  if (c == cancel_) return;
  cancel_ = c;
  changed(Property::Default);
}

void Button::click() {
  Form& f = form();
  if (modalResult_ != ModalResult::None) f.setModalResult(modalResult_);
  // The handlers are the ones bound when the click began: a handler that
  // rebinds the button (a wizard turning Next into Finish inside the Next
  // click) changes what the next click does, not this one.
  const std::function<void()> managed = onManagedClick;
  const std::function<void()> own = onClick;
  if (managed) managed();
  if (own) own();
  if (kind_ == ButtonKind::Close) f.close();
}

// --- SpeedButton ------------------------------------------------------------

void SpeedButton::addMenuItem(MenuItem item) {
  menu_.push_back(std::move(item));
  changed(Property::Items);
}

void SpeedButton::clearMenu() {
  menu_.clear();
  changed(Property::Items);
}

void SpeedButton::click() {
  if (onClick) onClick();
  if (menu_.empty()) return;
  PopupMenuRequest request;
  for (const auto& item : menu_) {
    request.items.push_back(item.caption);
    request.enabled.push_back(item.enabled);
  }
  request.anchor = boundsInForm();
  request.owner = &form();
  if (auto chosen = app().renderer().popupMenu(request)) chooseMenuItem(*chosen);
}

bool SpeedButton::chooseMenuItem(int index) {
  if (index < 0 || index >= static_cast<int>(menu_.size())) return false;
  // Copy: the handler may rebuild the menu.
  MenuItem item = menu_[static_cast<std::size_t>(index)];
  if (!item.enabled) return false;
  if (item.onClick) item.onClick();
  return true;
}

// --- CheckBox, RadioButton --------------------------------------------------

void CheckBox::setChecked(bool c) {
  if (c == checked_) return;
  checked_ = c;
  changed(Property::Checked);
  if (onChange) onChange();
}

void CheckBox::click() {
  setChecked(!checked_);
  if (onClick) onClick();
}

void RadioButton::setChecked(bool c) {
  if (c == checked_) return;
  checked_ = c;
  changed(Property::Checked);
  if (c && parent() != nullptr) {
    for (auto& sibling : parent()->children()) {
      auto* r = dynamic_cast<RadioButton*>(sibling.get());
      if (r != nullptr && r != this && r->checked_) {
        r->checked_ = false;
        r->changed(Property::Checked);
        if (r->onChange) r->onChange();
      }
    }
  }
  if (onChange) onChange();
  if (c && onClick) onClick();
}

void RadioButton::click() {
  if (!checked_) setChecked(true);
}

// --- CheckList --------------------------------------------------------------

int CheckList::addItem(std::string caption, int data) {
  items_.push_back(Item{std::move(caption), false, true, data});
  changed(Property::Items);
  return count() - 1;
}

void CheckList::clear() {
  items_.clear();
  itemIndex_ = -1;
  changed(Property::Items);
}

void CheckList::setChecked(int index, bool c) {
  Item& it = mutableItem(index);
  if (it.checked == c) return;
  it.checked = c;
  changed(Property::ItemState);
  if (onStateChange) onStateChange(index);
}

void CheckList::setItemEnabled(int index, bool e) {
  Item& it = mutableItem(index);
  if (it.enabled == e) return;
  it.enabled = e;
  changed(Property::ItemState);
}

bool CheckList::toggle(int index) {
  if (index < 0 || index >= count()) return false;
  if (!enabled() || !item(index).enabled) return false;
  setChecked(index, !item(index).checked);
  return true;
}

bool CheckList::keyDown(int key) {
  Widget::keyDown(key);
  if (key == keys::space && itemIndex_ >= 0) {
    toggle(itemIndex_);
    return true;
  }
  return false;
}

// --- ProgressBar ------------------------------------------------------------

void ProgressBar::setRange(int min, int max) {
  if (max < min) max = min;
  if (min == min_ && max == max_) return;
  min_ = min;
  max_ = max;
  position_ = std::clamp(position_, min_, max_);
  changed(Property::Value);
}

void ProgressBar::setPosition(int p) {
  p = std::clamp(p, min_, max_);
  if (p == position_) return;
  position_ = p;
  changed(Property::Value);
}

// --- Edit, PathEdit ---------------------------------------------------------

void Edit::setText(std::string t) {
  if (t == text_) return;
  text_ = std::move(t);
  changed(Property::Text);
  if (onChange) onChange();
}

void Edit::setReadOnly(bool r) {
  if (r == readOnly_) return;
  readOnly_ = r;
  changed(Property::ReadOnly);
}

PathEdit::PathEdit(Widget* parent, std::string name, Kind kind) : Edit(parent, std::move(name)), kind_(kind) {}

bool PathEdit::browse() {
  // A read-only field keeps its path: the dialog could change it.
  if (readOnly()) return false;
  std::optional<std::string> chosen;
  if (kind_ == Kind::Directory) {
    chosen = app().renderer().browseForFolder(FolderDialogRequest{dialogTitle_, text(), &form()});
  } else {
    chosen = app().renderer().openFileDialog(FileDialogRequest{filter_, text(), &form()});
  }
  if (!chosen) return false;
  setText(*chosen);
  return true;
}

bool PathEdit::keyDown(int key) {
  Edit::keyDown(key);
  if (key == keys::f3) {
    browse();
    return true;
  }
  return false;
}

// --- RichEdit ---------------------------------------------------------------

void RichEdit::setContent(std::string c) {
  if (c == content_) return;
  content_ = std::move(c);
  changed(Property::Text);
}

bool RichEdit::isRtf() const { return content_.rfind("{\\rtf", 0) == 0; }

namespace {
int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Destinations whose text is not part of the document body.
bool skippedDestination(std::string_view word) {
  return word == "fonttbl" || word == "colortbl" || word == "stylesheet" || word == "info" ||
         word == "pict" || word == "header" || word == "footer" || word == "object";
}
}  // namespace

std::string RichEdit::plainText() const {
  if (!isRtf()) return content_;
  // A small reader of RTF text: enough to see what a reader would see
  // (paragraphs, tabs, escaped characters); formatting is dropped.
  std::string out;
  const std::string& s = content_;
  struct Group {
    bool skip;
  };
  std::vector<Group> stack{{false}};
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    const bool skip = stack.back().skip;
    if (c == '{') {
      stack.push_back({skip});
      ++i;
      if (i + 1 < s.size() && s[i] == '\\' && s[i + 1] == '*') stack.back().skip = true;
      continue;
    }
    if (c == '}') {
      if (stack.size() > 1) stack.pop_back();
      ++i;
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (c != '\\') {
      if (!skip) out += c;
      ++i;
      continue;
    }
    // A control symbol or word.
    ++i;
    if (i >= s.size()) break;
    const char d = s[i];
    if (d == '\\' || d == '{' || d == '}') {
      if (!skip) out += d;
      ++i;
      continue;
    }
    if (d == '\'') {
      const int hi = i + 1 < s.size() ? hexDigit(s[i + 1]) : -1;
      const int lo = i + 2 < s.size() ? hexDigit(s[i + 2]) : -1;
      if (hi >= 0 && lo >= 0) {
        if (!skip) out += static_cast<char>(hi * 16 + lo);
        i += 3;
      } else {
        ++i;
      }
      continue;
    }
    if (!isLetter(d)) {
      ++i;
      continue;
    }
    std::size_t start = i;
    while (i < s.size() && isLetter(s[i])) ++i;
    const std::string_view word(s.data() + start, i - start);
    if (i < s.size() && (s[i] == '-' || (s[i] >= '0' && s[i] <= '9'))) {
      ++i;
      while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    }
    if (i < s.size() && s[i] == ' ') ++i;
    if (skippedDestination(word)) stack.back().skip = true;
    if (skip) continue;
    if (word == "par" || word == "line") out += "\r\n";
    if (word == "tab") out += '\t';
  }
  return out;
}

// --- Memo -------------------------------------------------------------------

void Memo::setText(std::string_view text) {
  lines_.clear();
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines_.push_back(std::move(line));
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines_.push_back(std::move(line));
  changed(Property::Text);
}

std::string Memo::text() const {
  std::string out;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) out += "\r\n";
    out += lines_[i];
  }
  return out;
}

// --- GradientPanel ----------------------------------------------------------

void GradientPanel::setColors(Color start, Color end) {
  colorStart_ = start;
  colorEnd_ = end;
  changed(Property::Color);
}

void GradientPanel::setColorCount(int n) {
  colorCount_ = n >= 16 && n <= 256 ? n : 128;
  changed(Property::Color);
}

}  // namespace ui
