#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "quor_text/wide_format.h"
#include "wide_format_platform.h"

namespace Quor {
namespace text {

namespace {

// The result of a C runtime formatter that returned `count` with errno cleared
// before the call: a failure for lack of memory is told from a rejection.
int formatResult(int count) {
  if (count >= 0) return count;
  return errno == ENOMEM ? kFormatOutOfMemory : -1;
}

}  // namespace

namespace platform {

// The C library's wide formatter has no counting mode: an output that does
// not fit its buffer is indistinguishable from a rejected format. The output
// is counted by formatting into a growing memory stream.
int countIso(const wchar_t* format, va_list args) {
  wchar_t* text = nullptr;
  std::size_t size = 0;
  errno = 0;
  std::FILE* stream = open_wmemstream(&text, &size);
  if (stream == nullptr) return formatResult(-1);
  va_list copy;
  va_copy(copy, args);
  const int count = std::vfwprintf(stream, format, copy);
  va_end(copy);
  // Growing the stream's buffer can fail too; the flush at close makes the
  // last growth.
  const bool closed = std::fclose(stream) == 0;
  std::free(text);
  return formatResult(closed ? count : -1);
}

int writeIso(wchar_t* buffer, std::size_t size, const wchar_t* format, va_list args) {
  errno = 0;
  return formatResult(std::vswprintf(buffer, size, format, args));
}

}  // namespace platform
}  // namespace text
}  // namespace Quor
