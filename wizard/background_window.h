#pragma once
// The full-screen background behind the wizard: a vertical gradient from
// the script's colour to black with the product title at the top left.

#include <cstdint>
#include <memory>
#include <string>

#include "ui/application.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace wizard {

// TfrmTile: borderless, disabled (it takes no input), maximized; its one
// control `Fill` paints the gradient and the caption.
class BackgroundWindow : public ui::Form {
 public:
  BackgroundWindow(ui::Application& app, ui::Color color);

  ui::GradientPanel& Fill;
};

// Font of the caption: italic 24-pixel "MS Sans Serif", lime, or yellow
// when the gradient itself starts lime.
ui::Font BackgroundCaptionFont(ui::Color colorStart);

// Shows the background window (modelessly) with `title` as its caption and
// hands the front back to the wizard. Returns nullptr when `color` is 0 (the
// script asks for no background). The window lives as long as the returned
// object; it never becomes the application's main form.
std::unique_ptr<BackgroundWindow> ShowBackgroundWindow(ui::Application& app, const std::string& title, int32_t color);

}  // namespace wizard
