// Character buffers of TString: allocation of an exact size and the two ways
// of filling one.
#ifndef QUOR_SRC_FOUNDATION_TSTRING_BUFFER_H_
#define QUOR_SRC_FOUNDATION_TSTRING_BUFFER_H_

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "foundation/allocator.h"

namespace Quor {
namespace detail {

// A new buffer for a text of `length` characters (length + 1 with the NUL),
// from the module allocator. Counts and positions are ints, so a text holds at
// most INT_MAX characters; a longer one is a size that overflowed.
inline wchar_t* newTextBuffer(std::size_t length) {
  return allocateChars(length <= INT_MAX ? length + 1 : SIZE_MAX);
}

// Copies `count` characters of another string's buffer, embedded NULs too.
// memcpy() is called directly: the C runtime's wmemcpy() may only wrap it.
inline void copyText(wchar_t* target, const wchar_t* source, std::size_t count) {
  if (count > 0) std::memcpy(target, source, count * sizeof(wchar_t));
}

// Copies at most `count` characters of a caller's text, stopping at its NUL
// (reading past it could leave the caller's memory), and fills the rest of
// the `count` characters with NUL. wcsnlen() reads no further than that NUL.
inline void copyCallerText(wchar_t* target, const wchar_t* source, std::size_t count) {
  const std::size_t available = wcsnlen(source, count);
  copyText(target, source, available);
  if (available < count) std::wmemset(target + available, L'\0', count - available);
}

// The position clamp of the positional comparisons and substr(): 0 in an
// empty string, the last character for a position at or past the end.
inline unsigned int clampPosition(unsigned int pos, unsigned int length) {
  if (length == 0) return 0;
  return pos < length ? pos : length - 1;
}

// The number of characters that a count argument stands for: a negative
// count means up to the NUL of `text`; a null text is empty.
inline std::size_t countOf(const wchar_t* text, int count) {
  if (text == nullptr) return 0;
  return count < 0 ? std::wcslen(text) : static_cast<std::size_t>(count);
}

// Copies the `length` characters that countOf(source, count) counted. A text
// measured up to its NUL holds no NUL before `length`: it is copied at once,
// without looking for one again.
inline void copyCountedText(wchar_t* target, const wchar_t* source, int count, std::size_t length) {
  if (count < 0) {
    copyText(target, source, length);
  } else {
    copyCallerText(target, source, length);
  }
}

}  // namespace detail
}  // namespace Quor

#endif  // QUOR_SRC_FOUNDATION_TSTRING_BUFFER_H_
