#pragma once
// The seam to the installation driver. The Process page calls it once the
// user has confirmed copying; the driver runs to its end inside that call
// and selects the Final page itself when the installation succeeded.

namespace wizard {

class InstallForm;

class InstallationDriver {
 public:
  virtual ~InstallationDriver() = default;
  virtual void RunInstallation(InstallForm& form) = 0;
};

// Installs nothing: goes straight to the Final page. Stands in until the
// real driver is wired in.
class FinalPageDriver final : public InstallationDriver {
 public:
  void RunInstallation(InstallForm& form) override;
};

}  // namespace wizard
