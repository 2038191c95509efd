// A module that claims to be built against a later major version of
// quor-interfaces than any built so far, as quor_add_manager_module() would
// record it; it has no entry point.
#include "quor/manager_module.h"

QUOR_MANAGER_MODULE_EXPORT const char quorBuiltAgainst[] = "65535.1.0.0";
