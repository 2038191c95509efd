// The module's entry point through dlsym; the reference released by dlclose.
#include <dlfcn.h>

#include "module_access.h"

namespace demo {

QuorManagerInstanceFunction findEntryPoint(Quor::HINSTANCE module) {
  return reinterpret_cast<QuorManagerInstanceFunction>(
      dlsym(module, QUOR_MANAGER_INSTANCE_FUNCTION));
}

void releaseModule(Quor::HINSTANCE module) { dlclose(module); }

}  // namespace demo
