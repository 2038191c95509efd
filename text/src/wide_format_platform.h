// The C runtime's part of wide formatting, one implementation per platform
// (wide_format_posix.cpp, wide_format_win32.cpp): an ISO C format, already
// checked for positional directives, written or counted.
#ifndef QUOR_TEXT_SRC_WIDE_FORMAT_PLATFORM_H_
#define QUOR_TEXT_SRC_WIDE_FORMAT_PLATFORM_H_

#include <cstdarg>
#include <cstddef>

namespace Quor {
namespace text {
namespace platform {

// As writeFormatted(), without the check for positional directives.
int writeIso(wchar_t* buffer, std::size_t size, const wchar_t* format, va_list args);

// As measureFormatted(), without that check; for an output that may be long.
int countIso(const wchar_t* format, va_list args);

}  // namespace platform
}  // namespace text
}  // namespace Quor

#endif  // QUOR_TEXT_SRC_WIDE_FORMAT_PLATFORM_H_
