#pragma once
// A renderer without windows, for tests.
//
// - A scripted responder answers message boxes, modal dialogs, folder and
//   file dialogs and pop-up menus. Expectations are met in order; anything
//   shown that was not expected, or that does not match, is a failure, and
//   so is an expectation still waiting at verifyDone() (or destruction).
// - Timers run on a virtual clock: advance(ms) fires the due timers in order.
// - Queued user actions run when the code processes pending messages (and
//   inside modal loops), each optionally waiting for a condition.
// - Text is measured with the fixed metric of text_metrics.h.
//
// Failures go to a sink the test supplies (for GoogleTest: ADD_FAILURE).

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/renderer.h"

namespace ui {
class Application;
class CheckList;
class Edit;
}  // namespace ui

namespace ui::headless {

struct Expectation {
  enum class Kind { MessageBox, Dialog, FolderDialog, FileDialog, PopupMenu };
  Kind kind = Kind::MessageBox;

  // Message boxes: what must match (unset parts are not checked).
  std::optional<std::string> textPart;  // the text contains it (1251)
  std::optional<std::string> captionIs;
  std::optional<MessageButtons> buttonsAre;
  std::optional<MessageIcon> iconIs;
  std::optional<int> defaultButtonIs;
  // Message boxes and dialogs: the answer (None: a dialog is left to its
  // script or to queued actions; a box gets its default button).
  ModalResult result = ModalResult::None;

  // Dialogs: the form's name, and what the user does inside it.
  std::string formName;
  std::function<void(Form&)> script;

  // Folder and file dialogs: the chosen path; nothing means Cancel.
  std::optional<std::string> path;
  // Pop-up menus: the item chosen (by index or by a part of its caption).
  std::optional<int> menuIndex;
  std::optional<std::string> menuCaptionPart;

  Expectation& withText(std::string part) { textPart = std::move(part); return *this; }
  Expectation& withCaption(std::string c) { captionIs = std::move(c); return *this; }
  Expectation& withButtons(MessageButtons b) { buttonsAre = b; return *this; }
  Expectation& withIcon(MessageIcon i) { iconIs = i; return *this; }
  Expectation& withDefaultButton(int index) { defaultButtonIs = index; return *this; }
  Expectation& answer(ModalResult r) { result = r; return *this; }
  Expectation& then(std::function<void(Form&)> s) { script = std::move(s); return *this; }
  Expectation& choosePath(std::string p) { path = std::move(p); return *this; }
  Expectation& cancel() { path.reset(); result = ModalResult::Cancel; return *this; }
  Expectation& chooseItem(int index) { menuIndex = index; return *this; }
  Expectation& chooseItemWith(std::string captionPart) { menuCaptionPart = std::move(captionPart); return *this; }

  std::string describe() const;
};

class HeadlessRenderer : public Renderer {
 public:
  using FailureSink = std::function<void(const std::string& message)>;
  explicit HeadlessRenderer(FailureSink fail);
  ~HeadlessRenderer() override;

  // --- the responder ---
  Expectation& expectMessageBox();
  Expectation& expectDialog(std::string formName);
  Expectation& expectFolderDialog();
  Expectation& expectFileDialog();
  Expectation& expectPopupMenu();
  std::size_t pendingExpectations() const { return expectations_.size(); }
  // Reports every expectation and queued action still waiting, then
  // forgets them.
  void verifyDone();
  // Everything shown so far, one line each (UTF-8), for failure messages.
  const std::vector<std::string>& log() const { return log_; }
  const std::vector<MessageBoxRequest>& messageBoxes() const { return boxes_; }
  // The screen cursor while each box was shown.
  const std::vector<Cursor>& cursorsDuringBoxes() const { return boxCursors_; }

  // --- queued user actions ---
  // `when` (optional) holds the action back until it is true; actions run in
  // order, so a held action also holds the ones behind it.
  void queue(std::string description, std::function<void()> action, std::function<bool()> when = {});
  // A user's click on the named widget of the named form, found when the
  // action runs (so it may be a dialog that is not open yet).
  void queueClick(std::string formName, std::string widgetName, std::function<bool()> when = {});
  std::size_t pendingActions() const { return actions_.size(); }
  // Drops the queued actions (after a quit, say); returns how many.
  std::size_t discardPendingActions();

  // --- what a user does, right now (failures if impossible) ---
  bool click(Widget& w);
  bool toggleItem(CheckList& list, int index);
  bool typeText(Edit& edit, std::string text);
  void pressKey(Form& form, int key);
  // Tab (or Shift+Tab): the focus moves to the next (previous) control that
  // takes it, in creation order, as the dialog manager moves it.
  void pressTab(Form& form, bool backwards = false);
  // Could a user see the whole widget: shown, and not clipped away by a
  // scroll box it lies in?
  bool isOnScreen(const Widget& w) const;
  Form* findShownForm(std::string_view name) const;

  // --- the virtual clock ---
  std::int64_t now() const { return now_; }
  void advance(std::int64_t ms);

  // --- observations ---
  Cursor cursor() const { return cursor_; }
  bool quitRequested() const { return quit_; }
  const std::vector<MessageIcon>& beeps() const { return beeps_; }
  int bringToFrontCount() const { return toFront_; }

  // --- Renderer ---
  void realize(Widget& widget) override;
  void showForm(Form& form) override;
  void hideForm(Form& form) override;
  ModalResult runModal(Form& form) override;
  ModalResult messageBox(const MessageBoxRequest& request) override;
  std::optional<std::string> browseForFolder(const FolderDialogRequest& request) override;
  std::optional<std::string> openFileDialog(const FileDialogRequest& request) override;
  std::optional<int> popupMenu(const PopupMenuRequest& request) override;
  void processMessages() override;
  void run() override;
  void quit() override { quit_ = true; }
  void startTimer(Timer& timer) override;
  void stopTimer(Timer& timer) override;
  void setApplicationTitle(const std::string& title) override { title_ = title; }
  const std::string& applicationTitle() const { return title_; }
  void setCursor(Cursor c) override { cursor_ = c; }
  void bringToFront(Form*) override { ++toFront_; }
  void beep(MessageIcon kind) override { beeps_.push_back(kind); }
  int textWidth(const Font& font, std::string_view text) override;
  int lineHeight(const Font& font) override;

 private:
  struct Action {
    std::string description;
    std::function<void()> run;
    std::function<bool()> when;
  };
  struct TimerEntry {
    Timer* timer;
    std::int64_t due;
    std::uint64_t order;
  };

  void fail(const std::string& message);
  Expectation& expect(Expectation::Kind kind);
  // The next expectation if it is of this kind; otherwise a failure.
  std::optional<Expectation> take(Expectation::Kind kind, const std::string& shown);
  bool runOneAction();

  FailureSink fail_;
  std::deque<Expectation> expectations_;
  std::deque<Action> actions_;
  std::vector<std::string> log_;
  std::vector<MessageBoxRequest> boxes_;
  std::vector<Cursor> boxCursors_;
  std::vector<Form*> shownForms_;
  std::vector<TimerEntry> timers_;
  std::uint64_t timerOrder_ = 0;
  std::int64_t now_ = 0;
  Cursor cursor_ = Cursor::Default;
  bool quit_ = false;
  std::vector<MessageIcon> beeps_;
  int toFront_ = 0;
  std::string title_;
};

}  // namespace ui::headless
