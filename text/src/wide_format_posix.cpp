#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "quor_text/wide_format.h"

namespace Quor {
namespace text {

int measureFormatted(const wchar_t* format, va_list args) {
  if (hasPositionalDirective(format)) return -1;
  // The C library's wide formatter has no counting mode: an output that does
  // not fit its buffer is indistinguishable from a rejected format. Most
  // outputs fit a small buffer; longer ones are counted by formatting into a
  // growing memory stream.
  wchar_t probe[256];
  va_list copy;
  va_copy(copy, args);
  int count = std::vswprintf(probe, sizeof probe / sizeof probe[0], format, copy);
  va_end(copy);
  if (count >= 0) return count;

  wchar_t* text = nullptr;
  std::size_t size = 0;
  std::FILE* stream = open_wmemstream(&text, &size);
  if (stream == nullptr) return -1;
  va_copy(copy, args);
  count = std::vfwprintf(stream, format, copy);
  va_end(copy);
  std::fclose(stream);
  std::free(text);
  return count < 0 ? -1 : count;
}

int writeFormatted(wchar_t* buffer, std::size_t size, const wchar_t* format, va_list args) {
  if (hasPositionalDirective(format)) return -1;
  const int count = std::vswprintf(buffer, size, format, args);
  return count < 0 ? -1 : count;
}

}  // namespace text
}  // namespace Quor
