#include "actions/registry_items.h"

namespace actions {

// Placeholder until the registry step lands.
bool ApplyRegistryItems(startup::SetupContext&, RunEnd&) { return true; }

}  // namespace actions
