#pragma once
// A widget's window. The base keeps the common properties (bounds, text,
// font, visibility, enabled state) in step with the model; windows of our
// own classes (forms, containers, labels) are bound to their peer in
// WM_NCCREATE and route their children's notifications to the children's
// peers, so every handler is a member of the peer it concerns.

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "ui/widget.h"
#include "ui/win32/handles.h"

namespace ui::win32 {

class Win32Renderer;

class WindowPeer : public WidgetPeer {
 public:
  WindowPeer(Win32Renderer& renderer, Widget& widget);
  ~WindowPeer() override;

  HWND hwnd() const { return hwnd_.get(); }
  Widget& widget() const { return widget_; }
  // The window that the widget's children are created in.
  virtual HWND childParent() const { return hwnd(); }
  // Creates the window (the parent's window exists already).
  virtual void create() = 0;
  // Containers lie under the controls that overlap them.
  virtual bool isContainer() const { return false; }
  // The window that shows the widget's hint as a tooltip.
  virtual HWND hintTarget() const { return hwnd(); }
  // The window that takes the keyboard focus for the widget.
  virtual HWND focusTarget() const { return hwnd(); }

  void update(Property changed) override;

  // Notifications that arrive at the parent window for this control.
  virtual void command(HWND from, WORD code);
  virtual bool drawItem(const DRAWITEMSTRUCT& item);
  virtual HBRUSH controlColor(HDC dc);

  static WindowPeer* fromWindow(HWND hwnd);
  static void registerClasses(HINSTANCE instance);

  static constexpr const wchar_t* formClass = L"SetupkitForm";
  static constexpr const wchar_t* containerClass = L"SetupkitContainer";
  static constexpr const wchar_t* labelClass = L"SetupkitLabel";

 protected:
  // Creates a child window of the parent's child area at the widget's
  // bounds; `ownClass` windows get this peer in WM_NCCREATE.
  HWND createChild(const wchar_t* className, DWORD style, DWORD exStyle, const std::wstring& text, bool ownClass);
  void bind(HWND hwnd);
  // Z order: controls above containers, controls among themselves in
  // creation order (the first on top, as the dialog manager tabs).
  void placeInZOrder(HWND hwnd);
  // Applies the font and the hint after creation.
  void applyCommon();
  void applyHint();
  RECT deviceRect() const;
  // The colour behind the widget: its own, or its nearest opaque parent's.
  Color backgroundColor() const;
  // Messages to windows of our own classes; nothing means DefWindowProc.
  virtual std::optional<LRESULT> handle(UINT msg, WPARAM wp, LPARAM lp);
  virtual void paint(HDC dc, const RECT& client);

  Win32Renderer& renderer_;
  Widget& widget_;
  UniqueWindow hwnd_;

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

// Creates the peer that fits the widget's type.
std::unique_ptr<WindowPeer> createPeer(Win32Renderer& renderer, Widget& widget);

}  // namespace ui::win32
