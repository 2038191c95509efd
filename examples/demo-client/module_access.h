// What a client does with a manager module beyond what the library does for
// it: find the module's entry point and give back the reference that
// ManagerFactory::newManagerInstance handed over. Each system has its own
// calls for these (module_access_posix.cpp, module_access_win32.cpp; the build
// compiles the one for its target).
#ifndef QUOR_EXAMPLES_DEMO_CLIENT_MODULE_ACCESS_H_
#define QUOR_EXAMPLES_DEMO_CLIENT_MODULE_ACCESS_H_

#include <quor/manager_module.h>

namespace demo {

// The module's QUOR_MANAGER_INSTANCE_FUNCTION, or null when it exports none.
QuorManagerInstanceFunction findEntryPoint(Quor::HINSTANCE module);

// Releases one reference to the module; the last one unloads it.
void releaseModule(Quor::HINSTANCE module);

}  // namespace demo

#endif  // QUOR_EXAMPLES_DEMO_CLIENT_MODULE_ACCESS_H_
