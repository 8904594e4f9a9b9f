#include "bde/engine.h"

namespace bde {

// Placeholders until the engine support lands.
bool PlanEngine(startup::SetupContext&, actions::RunEnd&) { return true; }
bool EnginePresent(startup::SetupContext&) { return false; }
bool EngineVersionSufficient(startup::SetupContext&) { return false; }
bool ConfigureEngine(startup::SetupContext&, actions::RunEnd&) { return true; }
void RemoveEngine(startup::SetupContext&) {}

}  // namespace bde
