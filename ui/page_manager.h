#pragma once
// Steps through the pages of a notebook with a Next and a Back button.
//
// - Next: the proposal is current + 1 (-1 on the last page); onGetNextPage
//   may change it; -1 does nothing, any other value shows that page.
// - Back likewise with current - 1 (-1 on the first page) and onGetPriorPage.
// - After every change it makes (once onPageChanged and any nested changes
//   have returned) it evaluates both rules for the page then shown, Back
//   first, and enables each button exactly when its rule is not -1. The
//   rules' side effects therefore happen in these evaluations too.
// - start() shows the first page, runs onPageChanged and evaluates.
// - A released button keeps only its own click handler and is no longer
//   enabled or disabled by the manager.

#include <functional>

namespace ui {

class Button;
class Notebook;

class PageManager {
 public:
  PageManager(Notebook& notebook, Button& next, Button& back);
  ~PageManager();
  PageManager(const PageManager&) = delete;
  PageManager& operator=(const PageManager&) = delete;

  // (current page, proposal in/out)
  std::function<void(int current, int& proposal)> onGetNextPage;
  std::function<void(int current, int& proposal)> onGetPriorPage;

  void start();
  void next();
  void back();
  // The rules for the page now shown (these run the handlers).
  int nextPage();
  int priorPage();
  // Enables the bound buttons by the rules, Back first.
  void updateButtons();

  void releaseNext();
  void releaseBack();
  bool nextBound() const { return next_ != nullptr; }
  bool backBound() const { return back_ != nullptr; }

 private:
  void go(int target);
  Notebook& notebook_;
  Button* next_;
  Button* back_;
};

}  // namespace ui
