#include "foundation/module.h"

#include "foundation/log.h"

namespace Quor {
namespace detail {

namespace {

HINSTANCE moduleHandleValue = nullptr;

// Constructed before the library's other static objects, among them the
// platform glue whose constructor reports the process attach.
#if defined(__GNUC__)
__attribute__((init_priority(101)))
#endif
TString clientVersionString;

}  // namespace

int moduleEntry(HINSTANCE module, unsigned int reason, void*) {
  switch (reason) {
    case kProcessDetach:
      break;
    case kProcessAttach:
      zologSetModuleName(kLogModule);
      log(kLogWarning, L"quor-pell-interfaces::DllMain: Dll Attach process (hModule=0x%llx)",
          handleValue(module));
      moduleHandleValue = module;
      // An exception must not leave the loader's entry: under exhausted
      // memory the version text stays as it was.
      try {
        clientVersionString = getModuleVersion(module);
      } catch (...) {
      }
      log(kLogDetail, L"quor-pell-interfaces::DllMain: Client Version = %ws",
          clientVersionString.c_str());
      break;
    case kThreadAttach:
      log(kLogWarning, L"quor-pell-interfaces::DllMain: Dll Attach thread (hModule=0x%llx)",
          handleValue(module));
      break;
    case kThreadDetach:
      log(kLogWarning, L"quor-pell-interfaces::DllMain: Dll Detach thread (hModule=0x%llx)",
          handleValue(module));
      break;
    default:
      log(kLogFailure, L"quor-pell-interfaces::DllMain: Dll Unknown Reason %d",
          static_cast<int>(reason));
      break;
  }
  return 1;
}

HINSTANCE moduleHandle() { return moduleHandleValue; }

}  // namespace detail
}  // namespace Quor
