#pragma once
// The information file viewer offered at the end of the installation.

#include <string>

#include "platform/files.h"
#include "ui/application.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace wizard {

// TReadmeForm: a resizable window with the text and a Close button.
class ReadmeForm : public ui::Form {
 public:
  explicit ReadmeForm(ui::Application& app);

  ui::Panel& Panel2;  // bottom bar
  ui::Panel& Panel3;  // right part of the bar
  ui::Button& BitBtn1;
  ui::Memo& Memo;
};

// Shows the file as plain 1251 text until the user closes the window; does
// nothing when the file does not exist or cannot be read.
void ShowReadme(ui::Application& app, platform::FileSystem& fs, const std::string& path);

}  // namespace wizard
