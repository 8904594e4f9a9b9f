// The SetupType page (a radio button and a comment per setup type, and the
// custom choice) and the Custom page (a check list of the file groups), and
// how a choice becomes the groups' Selected flags.

#include "wizard/setup_type_page.h"

#include "startup/tools.h"
#include "wizard/install_form.h"

namespace wizard {

namespace {

inline constexpr const char kCustomChoiceCaption[] = "По выбору пользователя";
inline constexpr int kRadioHeight = 17;

}  // namespace

void InstallForm::BuildSetupTypePage() {
  const auto& setups = ctx_.model.TSetups;
  const int n = static_cast<int>(setups.size());
  const int rows = n + (ctx_.model.Main.Custom ? 1 : 0);
  if (rows == 0) return;
  const SetupTypeRows layout = ComputeSetupTypeRows(SetupGroup->height(), rows);

  int widest = 0;  // M: where the comments start, less 8
  for (int i = 0; i < n; ++i) {
    auto& radio = SetupGroup->add<ui::RadioButton>("SetupRadio" + std::to_string(i + 1));
    // Checked before the handler is attached, so no click is reported.
    if (i == 0) radio.setChecked(true);
    radio.setCaption(setups[static_cast<size_t>(i)].Name.str());
    const int width = app_.textWidth(radio.font(), radio.caption()) + 24;
    if (width > widest) widest = width + 4;
    radio.setBounds(4, layout.half + layout.step * i, width, kRadioHeight);
    radio.setTag(i);
    radio.onClick = [this, &radio] { SetupGroupClick(radio); };
  }
  for (int i = 0; i < n; ++i) {
    auto& comment = SetupGroup->add<ui::Label>("SetupComment" + std::to_string(i + 1));
    const int left = widest + 8;
    comment.setBounds(left, layout.half + layout.step * i + 1, SetupGroup->width() - left - 8, layout.step - 4);
    comment.setWordWrap(true);
    comment.setTransparent(true);
    comment.setCaption(setups[static_cast<size_t>(i)].Comment.str());
  }
  if (ctx_.model.Main.Custom) {
    auto& radio = SetupGroup->add<ui::RadioButton>("CustomRadio");
    if (n == 0) radio.setChecked(true);
    radio.setCaption(kCustomChoiceCaption);
    radio.setBounds(4, layout.half + layout.step * n, app_.textWidth(radio.font(), radio.caption()) + 24,
                    kRadioHeight);
    radio.setTag(-1);
    radio.onClick = [this, &radio] { SetupGroupClick(radio); };
  }
}

void InstallForm::FillComponentList() {
  const auto& groups = ctx_.model.TGroups;
  for (size_t i = 0; i < groups.size(); ++i) {
    const int item = CustomBox->addItem(groups[i].Name.str(), static_cast<int>(i));
    CustomBox->setItemEnabled(item, !groups[i].Required);
    CustomBox->setChecked(item, true);  // reported to CustomBoxStateChange
  }
}

void InstallForm::SetupGroupClick(ui::RadioButton& button) { ctx_.window.SetupTypeIndex = button.tag(); }

void InstallForm::CustomBoxStateChange(int item) {
  if (item < 0 || item >= CustomBox->count()) return;
  const int group = CustomBox->item(item).data;
  auto& groups = ctx_.model.TGroups;
  // Every group follows its item; the list is not limited to 256 groups.
  if (group < 0 || static_cast<size_t>(group) >= groups.size()) return;
  groups[static_cast<size_t>(group)].Selected = CustomBox->checked(item);
}

void InstallForm::CopyComponentChoice() {
  for (int item = 0; item < CustomBox->count(); ++item) CustomBoxStateChange(item);
}

void InstallForm::ApplySetupType() {
  const int32_t index = ctx_.window.SetupTypeIndex;
  auto& setups = ctx_.model.TSetups;
  if (index < 0 || static_cast<size_t>(index) >= setups.size()) return;
  const startup::TSetup& chosen = setups[static_cast<size_t>(index)];
  for (startup::TGroup& g : ctx_.model.TGroups) g.Selected = startup::IntegerListContains(g.ID, chosen.Groups);
}

}  // namespace wizard
