// The module frame: the entry point's dispatch and the module-level state.
//
// The platform's glue (src/platform/*/entry_*.cpp) calls moduleEntry() with
// the loader's notifications. On Windows these are DllMain's four reasons; on
// other platforms loading the library is the process attach and unloading it
// the process detach, and there are no thread notifications.
//
// The state is written once, at process attach, before any other function of
// the library can run, and is read-only afterwards.
#ifndef QUOR_SRC_FOUNDATION_MODULE_H_
#define QUOR_SRC_FOUNDATION_MODULE_H_

#include "quor/platform.h"
#include "quor/tstring.h"

namespace Quor {
namespace detail {

enum ModuleNotification : unsigned int {
  kProcessDetach = 0,
  kProcessAttach = 1,
  kThreadAttach = 2,
  kThreadDetach = 3,
};

// Answers one loader notification for the library's module `module`: names
// the logging module and logs the attach, stores the handle and the version at
// process attach; logs thread notifications and unknown reasons. Returns 1
// (TRUE) for every reason, so loading never fails on its account.
int moduleEntry(HINSTANCE module, unsigned int reason, void* reserved);

// The library's own module handle; null before process attach.
HINSTANCE moduleHandle();

// The version record of `module` (null: the main executable) as "a.b.c.d",
// or "0.0.0.0" when the module carries none or it cannot be read.
TString getModuleVersion(HINSTANCE module);

}  // namespace detail
}  // namespace Quor

#endif  // QUOR_SRC_FOUNDATION_MODULE_H_
