#include "ui/headless/headless_renderer.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "text/codepage.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/headless/text_metrics.h"
#include "ui/timer.h"

namespace ui::headless {

namespace {

std::string utf8(std::string_view s) { return text::toUtf8(text::CodePage::cp1251, s); }

std::string quoted(std::string_view s) {
  // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about
  // "literal" + std::string&& at -O3.
  std::string out(1, '"');
  out += utf8(s);
  out += '"';
  return out;
}

std::string describeBox(const MessageBoxRequest& r) {
  return "message box " + quoted(r.text) + " caption " + quoted(r.caption) + ", " + nameOf(r.buttons) + ", " +
         nameOf(r.icon) + ", default button " + std::to_string(r.defaultButton + 1);
}

const char* kindName(Expectation::Kind k) {
  switch (k) {
    case Expectation::Kind::MessageBox: return "a message box";
    case Expectation::Kind::Dialog: return "a modal dialog";
    case Expectation::Kind::FolderDialog: return "a folder dialog";
    case Expectation::Kind::FileDialog: return "a file dialog";
    case Expectation::Kind::PopupMenu: return "a pop-up menu";
  }
  return "?";
}

}  // namespace

std::string Expectation::describe() const {
  std::string s = kindName(kind);
  if (kind == Kind::Dialog) s += " " + formName;
  if (textPart) s += " with text containing " + quoted(*textPart);
  if (captionIs) s += " with caption " + quoted(*captionIs);
  if (buttonsAre) s += std::string(" with buttons ") + nameOf(*buttonsAre);
  if (iconIs) s += std::string(" with ") + nameOf(*iconIs);
  if (defaultButtonIs) s += " with default button " + std::to_string(*defaultButtonIs + 1);
  if (result != ModalResult::None) s += std::string(", answered ") + nameOf(result);
  return s;
}

HeadlessRenderer::HeadlessRenderer(FailureSink fail) : fail_(std::move(fail)) {}

HeadlessRenderer::~HeadlessRenderer() {
  try {
    verifyDone();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "headless UI: %s\n", e.what());
  }
}

void HeadlessRenderer::fail(const std::string& message) {
  log_.push_back("FAILURE: " + message);
  if (fail_) fail_(message);
}

Expectation& HeadlessRenderer::expect(Expectation::Kind kind) {
  expectations_.emplace_back();
  expectations_.back().kind = kind;
  return expectations_.back();
}

Expectation& HeadlessRenderer::expectMessageBox() { return expect(Expectation::Kind::MessageBox); }

Expectation& HeadlessRenderer::expectDialog(std::string formName) {
  Expectation& e = expect(Expectation::Kind::Dialog);
  e.formName = std::move(formName);
  return e;
}

Expectation& HeadlessRenderer::expectFolderDialog() { return expect(Expectation::Kind::FolderDialog); }
Expectation& HeadlessRenderer::expectFileDialog() { return expect(Expectation::Kind::FileDialog); }
Expectation& HeadlessRenderer::expectPopupMenu() { return expect(Expectation::Kind::PopupMenu); }

void HeadlessRenderer::verifyDone() {
  while (!expectations_.empty()) {
    const Expectation e = std::move(expectations_.front());
    expectations_.pop_front();
    fail("expected " + e.describe() + ", but it was never shown");
  }
  while (!actions_.empty()) {
    const Action a = std::move(actions_.front());
    actions_.pop_front();
    fail("queued action \"" + a.description + "\" never ran");
  }
}

std::optional<Expectation> HeadlessRenderer::take(Expectation::Kind kind, const std::string& shown) {
  log_.push_back(shown);
  if (expectations_.empty()) {
    fail("unexpected " + shown);
    return std::nullopt;
  }
  if (expectations_.front().kind != kind) {
    fail("unexpected " + shown + " while waiting for " + expectations_.front().describe());
    return std::nullopt;
  }
  Expectation e = std::move(expectations_.front());
  expectations_.pop_front();
  return e;
}

// --- queued actions -----------------------------------------------------------

void HeadlessRenderer::queue(std::string description, std::function<void()> action, std::function<bool()> when) {
  actions_.push_back(Action{std::move(description), std::move(action), std::move(when)});
}

void HeadlessRenderer::queueClick(std::string formName, std::string widgetName, std::function<bool()> when) {
  const std::string description = "click " + widgetName + " on " + formName;
  queue(
      description,
      [this, formName, widgetName] {
        Form* f = findShownForm(formName);
        if (f == nullptr) {
          fail("cannot click " + widgetName + ": form " + formName + " is not shown");
          return;
        }
        Widget* w = f->findWidget(widgetName);
        if (w == nullptr) {
          fail("cannot click " + widgetName + ": no such widget on " + formName);
          return;
        }
        click(*w);
      },
      std::move(when));
}

std::size_t HeadlessRenderer::discardPendingActions() {
  const std::size_t n = actions_.size();
  actions_.clear();
  return n;
}

bool HeadlessRenderer::runOneAction() {
  if (actions_.empty()) return false;
  if (actions_.front().when && !actions_.front().when()) return false;
  Action a = std::move(actions_.front());
  actions_.pop_front();
  log_.push_back("action: " + a.description);
  a.run();
  return true;
}

void HeadlessRenderer::processMessages() {
  while (!quit_ && runOneAction()) {
  }
}

void HeadlessRenderer::run() { processMessages(); }

// --- user input ---------------------------------------------------------------

bool HeadlessRenderer::click(Widget& w) {
  if (!w.isUsable()) {
    fail(std::string("cannot click ") + w.typeName() + " " + w.name() + ": it is " +
         (w.isShowing() ? "disabled" : "not shown"));
    return false;
  }
  if (w.focusable()) w.setFocus();
  w.click();
  return true;
}

bool HeadlessRenderer::toggleItem(CheckList& list, int index) {
  if (!list.isUsable()) {
    fail("cannot toggle an item of " + list.name() + ": the list is not usable");
    return false;
  }
  if (index < 0 || index >= list.count()) {
    fail("cannot toggle item " + std::to_string(index) + " of " + list.name() + ": no such item");
    return false;
  }
  list.setItemIndex(index);
  if (!list.toggle(index)) {
    fail("cannot toggle item " + std::to_string(index) + " of " + list.name() + ": the item is disabled");
    return false;
  }
  return true;
}

bool HeadlessRenderer::typeText(Edit& edit, std::string text) {
  if (!edit.isUsable() || edit.readOnly()) {
    fail("cannot type into " + edit.name() + ": it is " + (edit.readOnly() ? "read-only" : "not usable"));
    return false;
  }
  edit.setFocus();
  edit.setText(std::move(text));
  return true;
}

void HeadlessRenderer::pressKey(Form& form, int key) {
  Widget* focused = form.activeControl();
  if (focused != nullptr && focused->isUsable() && focused->keyDown(key)) return;
  form.keyDown(key);
}

namespace {
void collectTabStops(Widget& w, std::vector<Widget*>& out) {
  for (auto& c : w.children()) {
    if (c->focusable() && c->isUsable()) out.push_back(c.get());
    collectTabStops(*c, out);
  }
}
}  // namespace

void HeadlessRenderer::pressTab(Form& form, bool backwards) {
  std::vector<Widget*> stops;
  collectTabStops(form, stops);
  if (stops.empty()) return;
  const auto at = std::find(stops.begin(), stops.end(), form.activeControl());
  std::size_t next = 0;
  if (at != stops.end()) {
    const std::size_t i = static_cast<std::size_t>(at - stops.begin());
    next = backwards ? (i + stops.size() - 1) % stops.size() : (i + 1) % stops.size();
  } else if (backwards) {
    next = stops.size() - 1;
  }
  log_.push_back("tab to " + stops[next]->name());
  stops[next]->setFocus();
}

bool HeadlessRenderer::isOnScreen(const Widget& w) const {
  if (!w.isShowing()) return false;
  for (const Widget* p = w.parent(); p != nullptr; p = p->parent()) {
    if (const auto* box = dynamic_cast<const ScrollBox*>(p); box != nullptr && !box->inView(w)) return false;
  }
  return true;
}

Form* HeadlessRenderer::findShownForm(std::string_view name) const {
  // The most recently shown first: a dialog over the main form.
  for (auto it = shownForms_.rbegin(); it != shownForms_.rend(); ++it) {
    if ((*it)->name() == name) return *it;
  }
  return nullptr;
}

// --- forms --------------------------------------------------------------------

void HeadlessRenderer::realize(Widget&) {}

void HeadlessRenderer::showForm(Form& form) {
  if (std::find(shownForms_.begin(), shownForms_.end(), &form) == shownForms_.end()) shownForms_.push_back(&form);
  form.realign();
}

void HeadlessRenderer::hideForm(Form& form) { std::erase(shownForms_, &form); }

ModalResult HeadlessRenderer::runModal(Form& form) {
  showForm(form);
  const std::string shown = "modal dialog " + form.name() + " " + quoted(form.caption());
  if (auto e = take(Expectation::Kind::Dialog, shown)) {
    if (e->formName != form.name()) {
      fail("expected " + e->describe() + ", but " + shown + " was shown");
    }
    if (e->script) e->script(form);
    if (e->result != ModalResult::None && form.modalResult() == ModalResult::None) form.setModalResult(e->result);
  }
  while (!form.modalEnded()) {
    if (quit_) return ModalResult::None;
    if (!runOneAction()) {
      // Nothing is left that could answer: a real user would be stuck.
      fail(shown + " is still open and nothing answers it");
      hideForm(form);
      return ModalResult::Cancel;
    }
  }
  hideForm(form);
  return form.modalResult();
}

// --- system dialogs -----------------------------------------------------------

ModalResult HeadlessRenderer::messageBox(const MessageBoxRequest& request) {
  boxes_.push_back(request);
  boxCursors_.push_back(cursor_);
  const std::string shown = describeBox(request);
  const auto results = resultsOf(request.buttons);
  const int def = std::clamp(request.defaultButton, 0, static_cast<int>(results.size()) - 1);
  const ModalResult fallback = results[static_cast<std::size_t>(def)];
  auto e = take(Expectation::Kind::MessageBox, shown);
  if (!e) return fallback;
  std::vector<std::string> mismatches;
  if (e->textPart && request.text.find(*e->textPart) == std::string::npos) {
    mismatches.push_back("the text does not contain " + quoted(*e->textPart));
  }
  if (e->captionIs && request.caption != *e->captionIs) mismatches.push_back("the caption is not " + quoted(*e->captionIs));
  if (e->buttonsAre && request.buttons != *e->buttonsAre) {
    mismatches.push_back(std::string("the buttons are not ") + nameOf(*e->buttonsAre));
  }
  if (e->iconIs && request.icon != *e->iconIs) mismatches.push_back(std::string("it has no ") + nameOf(*e->iconIs));
  if (e->defaultButtonIs && request.defaultButton != *e->defaultButtonIs) {
    mismatches.push_back("the default button is not button " + std::to_string(*e->defaultButtonIs + 1));
  }
  for (const auto& m : mismatches) fail(shown + ": " + m);
  if (e->result == ModalResult::None) return fallback;
  if (std::find(results.begin(), results.end(), e->result) == results.end()) {
    fail(shown + ": cannot answer " + nameOf(e->result) + ", it has no such button");
    return fallback;
  }
  return e->result;
}

std::optional<std::string> HeadlessRenderer::browseForFolder(const FolderDialogRequest& request) {
  auto e = take(Expectation::Kind::FolderDialog, "folder dialog at " + quoted(request.initialDir));
  if (!e) return std::nullopt;
  return e->path;
}

std::optional<std::string> HeadlessRenderer::openFileDialog(const FileDialogRequest& request) {
  auto e = take(Expectation::Kind::FileDialog,
                "file dialog at " + quoted(request.initialPath) + " filter " + quoted(request.filter));
  if (!e) return std::nullopt;
  return e->path;
}

std::optional<int> HeadlessRenderer::popupMenu(const PopupMenuRequest& request) {
  std::string shown = "pop-up menu";
  for (const auto& item : request.items) shown += " [" + utf8(item) + "]";
  auto e = take(Expectation::Kind::PopupMenu, shown);
  if (!e) return std::nullopt;
  std::optional<int> chosen = e->menuIndex;
  if (e->menuCaptionPart) {
    for (std::size_t i = 0; i < request.items.size(); ++i) {
      if (request.items[i].find(*e->menuCaptionPart) != std::string::npos) {
        chosen = static_cast<int>(i);
        break;
      }
    }
    if (!chosen) fail(shown + ": no item contains " + quoted(*e->menuCaptionPart));
  }
  if (!chosen) return std::nullopt;
  if (*chosen < 0 || *chosen >= static_cast<int>(request.items.size())) {
    fail(shown + ": no item " + std::to_string(*chosen));
    return std::nullopt;
  }
  if (!request.enabled[static_cast<std::size_t>(*chosen)]) {
    fail(shown + ": item " + std::to_string(*chosen) + " is disabled");
    return std::nullopt;
  }
  return chosen;
}

// --- timers -------------------------------------------------------------------

void HeadlessRenderer::startTimer(Timer& timer) {
  stopTimer(timer);
  timers_.push_back(TimerEntry{&timer, now_ + timer.interval(), timerOrder_++});
}

void HeadlessRenderer::stopTimer(Timer& timer) {
  std::erase_if(timers_, [&](const TimerEntry& e) { return e.timer == &timer; });
}

void HeadlessRenderer::advance(std::int64_t ms) {
  const std::int64_t target = now_ + ms;
  for (;;) {
    // The earliest due timer; ties in the order they became due.
    TimerEntry* next = nullptr;
    for (auto& e : timers_) {
      if (e.timer->interval() <= 0 || e.due > target) continue;
      if (next == nullptr || e.due < next->due || (e.due == next->due && e.order < next->order)) next = &e;
    }
    if (next == nullptr) break;
    now_ = next->due;
    next->due += next->timer->interval();
    next->order = timerOrder_++;
    Timer* t = next->timer;  // the handler may stop or destroy timers
    t->fire();
  }
  now_ = target;
}

// --- metrics ------------------------------------------------------------------

int HeadlessRenderer::textWidth(const Font& font, std::string_view text) { return headless::textWidth(font, text); }

int HeadlessRenderer::lineHeight(const Font& font) { return headless::lineHeight(font); }

}  // namespace ui::headless
