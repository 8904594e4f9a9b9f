#pragma once
// The windows the startup and close steps open besides the wizard itself:
// the licence agreement, the readme viewer and the background window. The
// program wires the real ones; tests describe what the user does.

#include <cstdint>
#include <memory>
#include <string>

namespace wizard {

// Keeps a window open for as long as it is held.
class WindowHold {
 public:
  virtual ~WindowHold() = default;
};

class DialogServices {
 public:
  virtual ~DialogServices() = default;
  // Shows the licence text; true when the user accepts it.
  virtual bool ShowLicence(const std::string& licencePath) = 0;
  // Shows the readme file (nothing when it does not exist).
  virtual void ShowReadme(const std::string& path) = 0;
  // The full-screen background behind the wizard; nullptr when `color` is 0.
  virtual std::unique_ptr<WindowHold> ShowBackground(const std::string& title, int32_t color) = 0;
};

}  // namespace wizard
