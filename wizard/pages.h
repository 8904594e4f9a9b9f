#pragma once
// The pages of the wizard's notebook, by index.

namespace wizard {

enum Page : int {
  pgStart = 0,      // target directories
  pgSetupType = 1,  // setup-type radio buttons
  pgCustom = 2,     // component check list
  pgProcess = 3,    // copying progress
  pgFinal = 4,      // completion and the option boxes
};

}  // namespace wizard
