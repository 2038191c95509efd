#include <errno.h>
#include <wchar.h>

#include "quor_text/wide_format.h"
#include "wide_format_platform.h"

// MinGW-w64's own formatter follows ISO C (%ls wide, %s narrow in wide
// formats), which is what translateFormat() produces; the C runtime DLL's
// formatter would not. With no buffer it counts.

namespace Quor {
namespace text {

namespace {

// A failure of the formatter, whose caller cleared errno before the call: one
// for lack of memory is told from a rejection.
int failure() { return errno == ENOMEM ? kFormatOutOfMemory : -1; }

}  // namespace

namespace platform {

int countIso(const wchar_t* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  errno = 0;
  const int count = __mingw_vsnwprintf(nullptr, 0, format, copy);
  va_end(copy);
  return count < 0 ? failure() : count;
}

int writeIso(wchar_t* buffer, std::size_t size, const wchar_t* format, va_list args) {
  errno = 0;
  const int count = __mingw_vsnwprintf(buffer, size, format, args);
  if (count < 0) return failure();
  return static_cast<std::size_t>(count) >= size ? -1 : count;
}

}  // namespace platform
}  // namespace text
}  // namespace Quor
