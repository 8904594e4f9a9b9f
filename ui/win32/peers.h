#pragma once
// The peers of each widget type.

#include <windows.h>

#include "ui/win32/window_peer.h"

namespace ui {
class Form;
class Button;
}  // namespace ui

namespace ui::win32 {

// A top-level window.
class FormPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  void create() override;
  void update(Property changed) override;
  Form& form() const;
  // Presses the focused button on Enter, or the form's default button.
  void enterPressed();
  // Shows `text` as the tooltip of a control of this form (empty: none).
  void setToolTip(HWND tool, const std::wstring& text);

 protected:
  std::optional<LRESULT> handle(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void placeWindow();
  UniqueWindow toolTips_;
};

// Panels, notebook pages, scroll boxes: a plain window that holds children.
class ContainerPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  void create() override;
  bool isContainer() const override { return true; }
};

// A scroll box: its children move up as it scrolls; a vertical scroll bar
// (arrows, page, thumb, mouse wheel) shows when the content is higher.
class ScrollBoxPeer : public ContainerPeer {
 public:
  using ContainerPeer::ContainerPeer;
  void create() override;
  void update(Property changed) override;

 protected:
  std::optional<LRESULT> handle(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void updateScrollBar();
  void placeChildren();
};

// One of the system's message icons.
class IconPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  void create() override;

 protected:
  void paint(HDC dc, const RECT& client) override;
};

// A panel: bevels and a caption.
class PanelPeer : public ContainerPeer {
 public:
  using ContainerPeer::ContainerPeer;
  void update(Property changed) override;

 protected:
  void paint(HDC dc, const RECT& client) override;
};

// A group box: a container that paints the etched frame and its caption.
class GroupBoxPeer : public ContainerPeer {
 public:
  using ContainerPeer::ContainerPeer;

 protected:
  void paint(HDC dc, const RECT& client) override;
};

class GradientPeer : public ContainerPeer {
 public:
  using ContainerPeer::ContainerPeer;
  void update(Property changed) override;

 protected:
  std::optional<LRESULT> handle(UINT msg, WPARAM wp, LPARAM lp) override;
  void paint(HDC dc, const RECT& client) override;
};

class LabelPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  void create() override;
  void update(Property changed) override;

 protected:
  void paint(HDC dc, const RECT& client) override;
};

}  // namespace ui::win32
