#pragma once
// A notebook of named pages without tabs: exactly one page is shown.

#include <functional>
#include <string>
#include <vector>

#include "ui/widget.h"

namespace ui {

class NotebookPage : public Widget {
 public:
  using Widget::Widget;
  const char* typeName() const override { return "NotebookPage"; }
};

class Notebook : public Widget {
 public:
  using Widget::Widget;
  NotebookPage& addPage(std::string name);
  int pageCount() const { return static_cast<int>(pages_.size()); }
  NotebookPage& page(int index) const { return *pages_.at(static_cast<std::size_t>(index)); }
  int pageIndexOf(std::string_view name) const;
  int pageIndex() const { return pageIndex_; }
  const std::string& activePageName() const;

  // Shows another page and runs onPageChanged; setting the index that is
  // already shown does nothing. Handlers may change the page again: the
  // nested change runs (and returns) before the outer call goes on.
  void setPageIndex(int index);
  void setActivePage(std::string_view name);
  // Runs onPageChanged for the page now shown without changing it.
  void notifyPageChanged();

  std::function<void()> onPageChanged;
  const char* typeName() const override { return "Notebook"; }

 private:
  void childAdded(Widget& child) override;
  std::vector<NotebookPage*> pages_;
  int pageIndex_ = 0;
};

}  // namespace ui
