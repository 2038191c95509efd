// Wide-character formatting with one set of printf conventions on every
// platform, shared by TString::format and the zolog logging library.
//
// The conventions are those of the Windows C runtime's wide printf, which the
// library's own formats are written for:
//   %s, %ws, %ls, %lS, %wS   a wide string (const wchar_t*)
//   %hs, %S, %hS             a narrow string (const char*)
//   %c, %wc, %lc, %lC, %wC   a wide character
//   %hc, %C, %hC             a narrow character
//   %I64d, %I32d, %Id        64-bit, 32-bit and pointer-sized integers
// Every other directive is as in ISO C, except positional ones (%1$s,
// %*2$d: a '$' after the position number). MinGW-w64's formatter prints them
// as text and glibc's takes them, so one format would print differently on
// each platform; instead a format that holds one is rejected on every
// platform, as a malformed format is: measureFormatted() and writeFormatted()
// return -1. TString::format then leaves its string unchanged and zolog writes
// the format text itself.
//
// formatWide() does the whole of it for TString::format and zolog: it
// translates a format into its ISO C equivalent (translateFormat()), then
// writes the output (writeFormatted()), measuring it first (measureFormatted())
// only when it does not fit the caller's buffer. The caller provides the
// storage for the output, so that each caller allocates it in its own way.
#ifndef QUOR_TEXT_WIDE_FORMAT_H_
#define QUOR_TEXT_WIDE_FORMAT_H_

#include <cstdarg>
#include <cstddef>

namespace Quor {
namespace text {

// The number of characters, terminating NUL included, that translateFormat()
// may write for `format`.
std::size_t translatedFormatCapacity(const wchar_t* format);

// Writes the ISO C form of `format` into `out`, which holds at least
// translatedFormatCapacity(format) characters.
void translateFormat(const wchar_t* format, wchar_t* out);

// True when `format` holds a positional directive, which measureFormatted()
// and writeFormatted() reject. A "%%" is not a directive: "%%1$s" holds none.
bool hasPositionalDirective(const wchar_t* format);

// What measureFormatted() and writeFormatted() return when the C runtime ran
// out of memory while formatting: unlike a rejected format, a failure that
// the caller reports as exhausted memory.
constexpr int kFormatOutOfMemory = -2;

// The number of characters, not counting the NUL, that the ISO C format
// `format` produces with `args`; -1 when the format holds a positional
// directive or the C runtime rejects the format or an argument (a narrow
// string that does not convert, say), or kFormatOutOfMemory. `args` is left
// for the caller to va_end.
int measureFormatted(const wchar_t* format, va_list args);

// Writes the output of the ISO C format `format` with `args` into `buffer` of
// `size` characters, NUL included. Returns the number of characters written
// before the NUL, -1 when the output does not fit or is rejected (as
// measureFormatted() rejects it), or kFormatOutOfMemory.
int writeFormatted(wchar_t* buffer, std::size_t size, const wchar_t* format, va_list args);

// Formats `format`, written in the conventions above, with `args`. The output
// is written into `buffer` of `size` characters when it fits there with its
// NUL; otherwise `makeRoom(context, length)` is called for room of `length`
// characters and a NUL, owned by the caller, and the output is written there.
// Returns the output's length and sets `*output` to where it is; -1 when the
// format or an argument is rejected, as by measureFormatted(); or
// kFormatOutOfMemory. An exception from `makeRoom` passes through. `args` is
// left for the caller to va_end.
int formatWide(const wchar_t* format, va_list args, wchar_t* buffer, std::size_t size,
               wchar_t* (*makeRoom)(void* context, std::size_t length), void* context,
               wchar_t** output);

// The first step of formatWide(): writes the output of the most frequent
// formats (text, "%%", strings in the conventions above, a narrow one of
// ASCII characters only; %d, %i, %u and %x of an int, a long or a 64-bit
// integer, without flags, width or precision) into `buffer` of `size`
// characters, without the C runtime, which takes locks of its own. Returns
// the output's length, or -1 for any other format or argument (a null string,
// say) and an output that does not fit with its NUL: formatWide() then
// formats it with the C runtime.
int writeCommonFormat(wchar_t* buffer, std::size_t size, const wchar_t* format, va_list args);

}  // namespace text
}  // namespace Quor

#endif  // QUOR_TEXT_WIDE_FORMAT_H_
