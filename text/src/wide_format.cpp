#include "quor_text/wide_format.h"

#include <charconv>
#include <cstring>
#include <cwchar>
#include <string>

#include "wide_format_platform.h"

namespace Quor {
namespace text {

namespace {

bool isFlag(wchar_t c) {
  return c == L'-' || c == L'+' || c == L' ' || c == L'#' || c == L'0' || c == L'\'';
}

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Length modifiers of a directive, as far as the translation cares.
enum class Width { kNone, kNarrow, kWide, kOther };

// What writeCommonFormat() writes, for a format that holds no positional
// directive. A narrow string of ASCII characters only is taken, which every
// C runtime and locale converts to the same wide characters.
int writeDirect(wchar_t* buffer, std::size_t size, const wchar_t* format, va_list args) {
  std::size_t length = 0;
  // Appends `count` characters where they fit with the NUL.
  const auto put = [&](const wchar_t* text, std::size_t count) {
    if (length + count >= size) return false;
    std::memcpy(buffer + length, text, count * sizeof(wchar_t));
    length += count;
    return true;
  };
  for (const wchar_t* p = format; *p != L'\0'; ++p) {
    if (*p != L'%') {
      const wchar_t* const percent = std::wcschr(p, L'%');
      const std::size_t count = percent != nullptr ? percent - p : std::wcslen(p);
      if (!put(p, count)) return -1;
      p += count - 1;
      continue;
    }
    ++p;
    if (*p == L'%') {
      if (!put(p, 1)) return -1;
      continue;
    }
    // Length modifiers: h and w mark strings only; l a wide string or a long.
    const wchar_t modifier = *p;
    const bool longLong =
        (modifier == L'l' && p[1] == L'l') || (modifier == L'I' && p[1] == L'6' && p[2] == L'4');
    if (longLong) {
      p += modifier == L'I' ? 3 : 2;
    } else if (modifier == L'h' || modifier == L'w' || modifier == L'l') {
      ++p;
    }
    const wchar_t conversion = *p;
    if (conversion == L's' || conversion == L'S') {
      if (longLong) return -1;
      const bool wide = modifier == L'w' || modifier == L'l';
      if (modifier == L'h' || (conversion == L'S' && !wide)) {
        const char* text = va_arg(args, const char*);
        if (text == nullptr) return -1;
        const std::size_t count = std::strlen(text);
        if (length + count >= size) return -1;
        for (std::size_t i = 0; i < count; ++i) {
          const unsigned char c = static_cast<unsigned char>(text[i]);
          if (c >= 0x80) return -1;
          buffer[length++] = static_cast<wchar_t>(c);
        }
      } else {
        const wchar_t* text = va_arg(args, const wchar_t*);
        if (text == nullptr) return -1;
        if (!put(text, std::wcslen(text))) return -1;
      }
      continue;
    }
    const bool isSigned = conversion == L'd' || conversion == L'i';
    if (!isSigned && conversion != L'u' && conversion != L'x') return -1;
    if (modifier == L'h' || modifier == L'w') return -1;
    const int base = conversion == L'x' ? 16 : 10;
    char digits[24];
    char* const first = digits;
    std::to_chars_result end;
    if (longLong) {
      end = isSigned ? std::to_chars(first, first + sizeof digits, va_arg(args, long long), base)
                     : std::to_chars(first, first + sizeof digits, va_arg(args, unsigned long long),
                                     base);
    } else if (modifier == L'l') {
      end = isSigned
                ? std::to_chars(first, first + sizeof digits, va_arg(args, long), base)
                : std::to_chars(first, first + sizeof digits, va_arg(args, unsigned long), base);
    } else {
      end = isSigned ? std::to_chars(first, first + sizeof digits, va_arg(args, int), base)
                     : std::to_chars(first, first + sizeof digits, va_arg(args, unsigned), base);
    }
    wchar_t wideDigits[sizeof digits];
    for (std::size_t i = 0; first + i != end.ptr; ++i) wideDigits[i] = first[i];
    if (!put(wideDigits, static_cast<std::size_t>(end.ptr - first))) return -1;
  }
  buffer[length] = L'\0';
  return static_cast<int>(length);
}

}  // namespace

std::size_t translatedFormatCapacity(const wchar_t* format) {
  // A directive grows by at most one character ("%s" becomes "%ls").
  std::size_t capacity = 1;
  for (const wchar_t* p = format; *p != L'\0'; ++p) capacity += (*p == L'%') ? 2 : 1;
  return capacity;
}

bool hasPositionalDirective(const wchar_t* format) {
  // Most formats hold no '$' at all, which one fast search tells.
  if (std::wcschr(format, L'$') == nullptr) return false;
  for (const wchar_t* p = format; (p = std::wcschr(p, L'%')) != nullptr;) {
    ++p;
    if (*p == L'%') {
      ++p;
      continue;
    }
    // A position ends with '$' after the digits, before or within the width
    // and precision ("%1$d", "%-*2$d", "%.*3$d").
    while (isFlag(*p) || isDigit(*p) || *p == L'*' || *p == L'.') ++p;
    if (*p == L'$') return true;
  }
  return false;
}

void translateFormat(const wchar_t* format, wchar_t* out) {
  const wchar_t* p = format;
  while (*p != L'\0') {
    if (*p != L'%') {
      *out++ = *p++;
      continue;
    }
    // Copy '%', flags, width and precision unchanged.
    *out++ = *p++;
    while (isFlag(*p)) *out++ = *p++;
    while (isDigit(*p) || *p == L'*') *out++ = *p++;
    if (*p == L'.') {
      *out++ = *p++;
      while (isDigit(*p) || *p == L'*') *out++ = *p++;
    }
    // Length modifiers: the string and character ones are decided together
    // with the conversion; Microsoft's integer sizes become ISO ones.
    Width width = Width::kNone;
    if (*p == L'h' && p[1] != L'h') {
      width = Width::kNarrow;
      ++p;
    } else if ((*p == L'l' && p[1] != L'l') || *p == L'w') {
      width = Width::kWide;
      ++p;
    } else if (*p == L'I') {
      if (p[1] == L'6' && p[2] == L'4') {
        *out++ = L'l';
        *out++ = L'l';
        p += 3;
      } else if (p[1] == L'3' && p[2] == L'2') {
        p += 3;
      } else {
        *out++ = L'z';
        ++p;
      }
      width = Width::kOther;
    }
    const wchar_t conversion = *p;
    const bool isString = conversion == L's' || conversion == L'S';
    const bool isChar = conversion == L'c' || conversion == L'C';
    if (isString || isChar) {
      // Lower case is wide unless marked narrow; upper case is narrow unless
      // marked wide.
      const bool upper = conversion == L'S' || conversion == L'C';
      const bool wide = width == Width::kWide || (width != Width::kNarrow && !upper);
      if (wide) *out++ = L'l';
      *out++ = isString ? L's' : L'c';
      ++p;
      continue;
    }
    // Any other conversion keeps its modifiers.
    if (width == Width::kNarrow) *out++ = L'h';
    if (width == Width::kWide) *out++ = L'l';
    if (conversion == L'\0') break;
    *out++ = *p++;
  }
  *out = L'\0';
}

int measureFormatted(const wchar_t* format, va_list args) {
  if (hasPositionalDirective(format)) return -1;
  // Most outputs fit a small buffer, which is quicker than counting.
  wchar_t probe[256];
  va_list copy;
  va_copy(copy, args);
  const int count = platform::writeIso(probe, sizeof probe / sizeof probe[0], format, copy);
  va_end(copy);
  if (count >= 0 || count == kFormatOutOfMemory) return count;
  return platform::countIso(format, args);
}

int writeFormatted(wchar_t* buffer, std::size_t size, const wchar_t* format, va_list args) {
  if (hasPositionalDirective(format)) return -1;
  return platform::writeIso(buffer, size, format, args);
}

int writeCommonFormat(wchar_t* buffer, std::size_t size, const wchar_t* format, va_list args) {
  if (hasPositionalDirective(format)) return -1;
  return writeDirect(buffer, size, format, args);
}

int formatWide(const wchar_t* format, va_list args, wchar_t* buffer, std::size_t size,
               wchar_t* (*makeRoom)(void* context, std::size_t length), void* context,
               wchar_t** output) {
  if (hasPositionalDirective(format)) return -1;
  *output = buffer;
  va_list copy;
  va_copy(copy, args);
  int length = writeDirect(buffer, size, format, copy);
  va_end(copy);
  if (length >= 0) return length;
  wchar_t shortFormat[256];
  std::wstring longFormat;
  wchar_t* isoFormat = shortFormat;
  const std::size_t capacity = translatedFormatCapacity(format);
  if (capacity > sizeof shortFormat / sizeof shortFormat[0]) {
    longFormat.assign(capacity, L'\0');
    isoFormat = &longFormat[0];
  }
  translateFormat(format, isoFormat);

  va_copy(copy, args);
  length = platform::writeIso(buffer, size, isoFormat, copy);
  va_end(copy);
  if (length >= 0) return length;
  if (length == kFormatOutOfMemory) return length;
  // The output did not fit, or was rejected: counting tells which.
  length = platform::countIso(isoFormat, args);
  if (length < 0) return length;
  wchar_t* const room = makeRoom(context, static_cast<std::size_t>(length));
  va_copy(copy, args);
  const int written =
      platform::writeIso(room, static_cast<std::size_t>(length) + 1, isoFormat, copy);
  va_end(copy);
  if (written != length) return written < 0 ? written : -1;
  *output = room;
  return length;
}

}  // namespace text
}  // namespace Quor
