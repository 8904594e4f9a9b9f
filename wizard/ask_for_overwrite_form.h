#pragma once
// The question asked before a file of an asking group replaces a newer file
// on the disk: yes, yes for all, no, no for all. The "for all" answers are
// remembered in the group for the rest of the run.

#include <cstddef>

#include "startup/context.h"
#include "ui/application.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace wizard {

// TAskForOverwrite.
class AskForOverwriteForm : public ui::Form {
 public:
  explicit AskForOverwriteForm(ui::Application& app);

  ui::Label& Label1;    // the explanation
  ui::Label& FLabel;    // the file name, fitted to the label
  ui::Label& GrpLabel;  // the group the file belongs to
  ui::Button& YesBtn;
  ui::Button& YesToAllBtn;
  ui::Button& NoBtn;
  ui::Button& NoToAllBtn;

  // Fills the labels for a file of a group and enables the single answers
  // unless the group only takes answers for all its files.
  void Prepare(const startup::TGroup& group, const startup::FileItem& file);
  // A wrapped label whose text needs more lines than it has room for (a
  // long group name, a wider font than designed) grows, and the controls
  // below it and the dialog move down with it: nothing is cut off.
  void FitWrappedLabels();
  // Only the four answers close the dialog; the close box does nothing.
  bool FormCloseQuery();
};

// Placement answers.
inline constexpr int kKeepExisting = 0;
inline constexpr int kReplaceExisting = 2;

// Asks whether file `fileIndex` of group `groupIndex` replaces the existing
// file: kReplaceExisting for "Да" and "Да для всех", kKeepExisting for "Нет"
// and "Нет для всех". A group's remembered "for all" answer is returned
// without a dialog; the two "for all" answers set the group's
// OverwriteAnswer. The indices must be valid (std::out_of_range otherwise).
int AskOverwrite(startup::SetupContext& ctx, ui::Application& app, std::size_t groupIndex, std::size_t fileIndex);

}  // namespace wizard
