#pragma once
// The renderer with real windows: common controls with visual styles, the
// layout scaled for the monitor's DPI, W functions with 1251 conversion at
// the boundary. Everything on the one UI thread.

#include <windows.h>

#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "ui/renderer.h"
#include "ui/win32/handles.h"

namespace ui::win32 {

class WindowPeer;

class Win32Renderer : public Renderer {
 public:
  explicit Win32Renderer(HINSTANCE instance);
  ~Win32Renderer() override;

  HINSTANCE instance() const { return instance_; }
  // 96-DPI pixels to device pixels and back.
  int scale(int v) const;
  int unscale(int v) const;
  HFONT font(const Font& f);
  HBRUSH brush(Color c);
  static COLORREF colorRef(Color c);
  // The rich edit window class, loading its library on first use.
  const wchar_t* richEditClass();
  Cursor cursor() const { return cursor_; }
  // A control ID no other control of this process uses.
  int allocateControlId() { return nextControlId_++; }
  // The window of a form, or nullptr when it is not realised.
  static HWND windowOf(const Form* form);
  // The application's own window, which carries the title in the taskbar
  // and the task switcher and owns the forms; nullptr until a title is set.
  HWND applicationWindow() const { return applicationWindow_.get(); }

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
  void quit() override;
  void startTimer(Timer& timer) override;
  void stopTimer(Timer& timer) override;
  void setApplicationTitle(const std::string& title) override;
  void setCursor(Cursor c) override;
  void bringToFront(Form* form) override;
  void beep(MessageIcon kind) override;
  int textWidth(const Font& font, std::string_view text) override;
  int lineHeight(const Font& font) override;

 private:
  static LRESULT CALLBACK timerWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK applicationWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void dispatch(MSG& msg);
  HWND ownerFor(const Form* form) const;
  // A font at 96 DPI for measuring model widths.
  HFONT measureFont(const Font& f);

  HINSTANCE instance_;
  int dpi_ = 96;
  bool quitting_ = false;
  Cursor cursor_ = Cursor::Default;
  UniqueWindow timerWindow_;
  UniqueWindow applicationWindow_;
  std::map<UINT_PTR, Timer*> timers_;
  UINT_PTR nextTimerId_ = 1;
  int nextControlId_ = 1000;
  using FontKey = std::tuple<std::string, int, bool, bool, bool>;
  std::map<FontKey, UniqueFont> fonts_;
  std::map<FontKey, UniqueFont> measureFonts_;
  std::map<COLORREF, UniqueBrush> brushes_;
  UniqueModule richEditLibrary_;
  const wchar_t* richEditClass_ = nullptr;
  std::vector<Form*> shownForms_;
};

}  // namespace ui::win32
