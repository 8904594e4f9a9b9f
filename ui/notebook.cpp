#include "ui/notebook.h"

#include <stdexcept>

namespace ui {

NotebookPage& Notebook::addPage(std::string name) {
  auto& p = add<NotebookPage>(std::move(name));
  return p;
}

void Notebook::childAdded(Widget& child) {
  auto* page = dynamic_cast<NotebookPage*>(&child);
  if (page == nullptr) return;
  page->setAlign(Align::Client);
  page->setVisible(static_cast<int>(pages_.size()) == pageIndex_);
  pages_.push_back(page);
  realign();
}

int Notebook::pageIndexOf(std::string_view name) const {
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    if (pages_[i]->name() == name) return static_cast<int>(i);
  }
  return -1;
}

const std::string& Notebook::activePageName() const {
  static const std::string none;
  if (pageIndex_ < 0 || pageIndex_ >= pageCount()) return none;
  return pages_[static_cast<std::size_t>(pageIndex_)]->name();
}

void Notebook::setPageIndex(int index) {
  if (index < 0 || index >= pageCount()) {
    throw std::out_of_range("Notebook " + name() + ": no page " + std::to_string(index));
  }
  if (index == pageIndex_) return;
  // Show the new page before hiding the old one so focus has somewhere to go.
  pages_[static_cast<std::size_t>(index)]->setVisible(true);
  if (pageIndex_ >= 0 && pageIndex_ < pageCount()) {
    pages_[static_cast<std::size_t>(pageIndex_)]->setVisible(false);
  }
  pageIndex_ = index;
  changed(Property::Page);
  notifyPageChanged();
}

void Notebook::setActivePage(std::string_view name) {
  const int i = pageIndexOf(name);
  if (i < 0) throw std::out_of_range("Notebook " + this->name() + ": no page " + std::string(name));
  setPageIndex(i);
}

void Notebook::notifyPageChanged() {
  if (onPageChanged) onPageChanged();
}

}  // namespace ui
