#pragma once
// The licence agreement shown while the engine starts: the installation
// goes on only when the user accepts it.

#include <string>

#include "platform/files.h"
#include "ui/application.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace wizard {

// TfrmLicence: the heading panel, the licence text and the two answers.
class LicenceForm : public ui::Form {
 public:
  explicit LicenceForm(ui::Application& app);

  ui::Panel& Panel2;  // heading
  ui::Panel& Panel1;  // button bar
  ui::Button& OKBtn;
  ui::Button& BitBtn2;
  ui::RichEdit& Text;
};

// Shows the licence file (RTF with its formatting, anything else as plain
// 1251 text) and returns true when the user accepts it. The file is deleted
// before the dialog appears, whatever the answer. A missing file counts as
// accepted.
bool ShowLicenceDialog(ui::Application& app, platform::FileSystem& fs, const std::string& licencePath);

}  // namespace wizard
