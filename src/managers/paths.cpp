#include "managers/paths.h"

#include "platform/platform.h"

namespace Quor {
namespace detail {

TString pathBesideModule(HINSTANCE module, const TString& fileName) {
  const TString modulePath = platform::moduleFileName(module);
  const wchar_t* path = modulePath.c_str();
  const wchar_t separator = platform::directorySeparator();
  unsigned int end = modulePath.length();
  while (end > 0 && path[end - 1] != separator) --end;
  if (end == 0) return fileName;
  return modulePath.substr(0, static_cast<int>(end)) + fileName;
}

}  // namespace detail
}  // namespace Quor
