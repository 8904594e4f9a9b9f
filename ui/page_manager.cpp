#include "ui/page_manager.h"

#include "ui/controls.h"
#include "ui/notebook.h"

namespace ui {

PageManager::PageManager(Notebook& notebook, Button& next, Button& back)
    : notebook_(notebook), next_(&next), back_(&back) {
  next_->onManagedClick = [this] { this->next(); };
  back_->onManagedClick = [this] { this->back(); };
}

PageManager::~PageManager() {
  if (next_ != nullptr) next_->onManagedClick = nullptr;
  if (back_ != nullptr) back_->onManagedClick = nullptr;
}

int PageManager::nextPage() {
  const int current = notebook_.pageIndex();
  int proposal = current + 1 < notebook_.pageCount() ? current + 1 : -1;
  if (onGetNextPage) onGetNextPage(current, proposal);
  return proposal;
}

int PageManager::priorPage() {
  const int current = notebook_.pageIndex();
  int proposal = current > 0 ? current - 1 : -1;
  if (onGetPriorPage) onGetPriorPage(current, proposal);
  return proposal;
}

void PageManager::updateButtons() {
  const int prior = priorPage();
  const int following = nextPage();
  if (back_ != nullptr) back_->setEnabled(prior != -1);
  if (next_ != nullptr) next_->setEnabled(following != -1);
}

void PageManager::go(int target) {
  // A target outside the notebook is treated like "no page": nothing moves.
  if (target < 0 || target >= notebook_.pageCount()) return;
  notebook_.setPageIndex(target);
  updateButtons();
}

void PageManager::start() {
  if (notebook_.pageCount() == 0) return;
  if (notebook_.pageIndex() != 0) {
    notebook_.setPageIndex(0);
  } else {
    notebook_.notifyPageChanged();
  }
  updateButtons();
}

void PageManager::next() { go(nextPage()); }

void PageManager::back() { go(priorPage()); }

void PageManager::releaseNext() {
  if (next_ != nullptr) next_->onManagedClick = nullptr;
  next_ = nullptr;
}

void PageManager::releaseBack() {
  if (back_ != nullptr) back_->onManagedClick = nullptr;
  back_ = nullptr;
}

}  // namespace ui
