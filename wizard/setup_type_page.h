#pragma once
// The arithmetic of the setup-type page's rows.

namespace wizard {

struct SetupTypeRows {
  int step = 0;  // vertical distance of the rows
  int half = 0;  // top of the first row
};

// step = groupHeight div rows - 5 and half = step div 2, both rounding
// toward zero; rows must be at least 1.
constexpr SetupTypeRows ComputeSetupTypeRows(int groupHeight, int rows) {
  const int step = groupHeight / rows - 5;
  return SetupTypeRows{step, step / 2};
}

}  // namespace wizard
