#include "foundation/module.h"
#include "platform/platform.h"

namespace Quor {
namespace detail {

TString getModuleVersion(HINSTANCE module) {
  unsigned short parts[4];
  if (!platform::moduleFileVersion(module, parts)) return TString(L"0.0.0.0");
  TString version;
  version.format(L"%d.%d.%d.%d", parts[0], parts[1], parts[2], parts[3]);
  return version;
}

}  // namespace detail
}  // namespace Quor
