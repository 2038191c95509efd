// The library's DLL entry point: hands every notification of the Windows
// loader to the module frame.
#include <windows.h>

#include "foundation/module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  return Quor::detail::moduleEntry(module, reason, reserved);
}
