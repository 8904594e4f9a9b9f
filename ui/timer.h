#pragma once
// A timer owned by a form. It ticks only while a message loop runs (the
// main loop, a modal loop, a message box); headless, on the virtual clock.

#include <functional>
#include <string>

namespace ui {

class Application;

class Timer {
 public:
  Timer(Application& app, std::string name, int intervalMs);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  const std::string& name() const { return name_; }
  int interval() const { return interval_; }
  // Changing the interval of a running timer restarts its period.
  void setInterval(int ms);
  bool enabled() const { return enabled_; }
  void setEnabled(bool e);
  int tag() const { return tag_; }
  void setTag(int t) { tag_ = t; }

  std::function<void()> onTimer;
  // Called by the renderer when the period has elapsed.
  void fire();

 private:
  Application& app_;
  std::string name_;
  int interval_;
  bool enabled_ = false;
  int tag_ = 0;
};

}  // namespace ui
