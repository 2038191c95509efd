// The module's entry point through GetProcAddress; the reference released by
// FreeLibrary.
#include <windows.h>

#include "module_access.h"

namespace demo {

QuorManagerInstanceFunction findEntryPoint(Quor::HINSTANCE module) {
  return reinterpret_cast<QuorManagerInstanceFunction>(
      reinterpret_cast<void*>(GetProcAddress(module, QUOR_MANAGER_INSTANCE_FUNCTION)));
}

void releaseModule(Quor::HINSTANCE module) { FreeLibrary(module); }

}  // namespace demo
