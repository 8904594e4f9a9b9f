#include "ui/timer.h"

#include "ui/application.h"

namespace ui {

Timer::Timer(Application& app, std::string name, int intervalMs)
    : app_(app), name_(std::move(name)), interval_(intervalMs) {}

Timer::~Timer() {
  if (enabled_) app_.renderer().stopTimer(*this);
}

void Timer::setInterval(int ms) {
  if (ms == interval_) return;
  interval_ = ms;
  if (enabled_) {
    app_.renderer().stopTimer(*this);
    app_.renderer().startTimer(*this);
  }
}

void Timer::setEnabled(bool e) {
  if (e == enabled_) return;
  enabled_ = e;
  if (e) {
    app_.renderer().startTimer(*this);
  } else {
    app_.renderer().stopTimer(*this);
  }
}

void Timer::fire() {
  if (enabled_ && onTimer) onTimer();
}

}  // namespace ui
