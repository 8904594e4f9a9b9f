#include "wizard/installation_driver.h"

#include "ui/notebook.h"
#include "wizard/install_form.h"

namespace wizard {

void FinalPageDriver::RunInstallation(InstallForm& form) { form.NB->setPageIndex(pgFinal); }

}  // namespace wizard
