// TString to and from the standard library's strings, for a client's own code:
// UTF-8 in std::string, the platform's wide text in std::wstring.
//
// Everything here is inline and compiled into the client: a std::string or
// std::wstring never crosses a module boundary; only TString, whose every
// member runs inside the library, does.
//
// Wide text is the platform's: UTF-16 on Windows, UTF-32 elsewhere, as in
// TString. Conversions take the whole length, not only the text up to a NUL;
// but a TString made from text holds NUL in place of whatever follows an
// embedded NUL (quor/tstring.h), so "a\0b" becomes "a\0\0".
//
// Text that is not valid Unicode is not an error: each piece of it becomes
// U+FFFD, the replacement character. From UTF-8, a maximal piece of a
// sequence that cannot be completed (a stray continuation byte, a truncated
// or overlong sequence, an encoded surrogate or a value above U+10FFFF) is
// one U+FFFD; to UTF-8, a lone surrogate or, in UTF-32, any surrogate or a
// value above U+10FFFF is one U+FFFD.
//
// Failure: text longer than a TString can hold (INT_MAX code units) throws
// std::length_error; exhausted memory throws std::bad_alloc.
#ifndef QUOR_STD_STRING_H_
#define QUOR_STD_STRING_H_

#include <climits>
#include <cstddef>
#include <stdexcept>
#include <string>

#include "quor/tstring.h"

namespace Quor {

namespace std_string_detail {

const char32_t kReplacement = 0xFFFD;
const bool kUtf16 = sizeof(wchar_t) == 2;

inline void appendWide(std::wstring& text, char32_t c) {
  if (kUtf16 && c > 0xFFFF) {
    text += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
    text += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  } else {
    text += static_cast<wchar_t>(c);
  }
}

inline void appendUtf8(std::string& text, char32_t c) {
  if (c < 0x80) {
    text += static_cast<char>(c);
    return;
  }
  const int continuations = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
  static const unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
  text += static_cast<char>(kLead[continuations] | (c >> (6 * continuations)));
  for (int shift = 6 * (continuations - 1); shift >= 0; shift -= 6) {
    text += static_cast<char>(0x80 | ((c >> shift) & 0x3F));
  }
}

}  // namespace std_string_detail

// A copy of `text`, with every code unit.
inline TString fromWide(const std::wstring& text) {
  if (text.size() > static_cast<std::size_t>(INT_MAX)) {
    throw std::length_error("Quor::fromWide: text too long for a TString");
  }
  return TString(text.data(), static_cast<int>(text.size()));
}

// A copy of every code unit of `text`.
inline std::wstring toWide(const TString& text) {
  return std::wstring(text.c_str(), text.length());
}

// The text of the UTF-8 bytes `utf8`.
inline TString fromUtf8(const std::string& utf8) {
  using std_string_detail::kReplacement;
  std::wstring wide;
  wide.reserve(utf8.size());
  const std::size_t size = utf8.size();
  std::size_t i = 0;
  while (i < size) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i++]);
    if (lead < 0x80) {
      wide += static_cast<wchar_t>(lead);
      continue;
    }
    // The range of the next byte is narrower after some leads: that keeps
    // out overlong forms, surrogates and values above U+10FFFF.
    int missing = 0;
    char32_t c = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      missing = 1;
      c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      missing = 2;
      c = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      missing = 3;
      c = lead & 0x07;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      std_string_detail::appendWide(wide, kReplacement);
      continue;
    }
    for (; missing > 0 && i < size; --missing, ++i) {
      const unsigned char next = static_cast<unsigned char>(utf8[i]);
      if (next < low || next > high) break;
      c = (c << 6) | (next & 0x3F);
      low = 0x80;
      high = 0xBF;
    }
    std_string_detail::appendWide(wide, missing == 0 ? c : kReplacement);
  }
  return fromWide(wide);
}

// The UTF-8 bytes of `text`.
inline std::string toUtf8(const TString& text) {
  using std_string_detail::kReplacement;
  std::string utf8;
  utf8.reserve(text.length());
  const wchar_t* unit = text.c_str();
  const wchar_t* const end = unit + text.length();
  while (unit != end) {
    // Where wchar_t is signed, a negative unit becomes a value above U+10FFFF.
    char32_t c = static_cast<char32_t>(*unit++);
    if (std_string_detail::kUtf16 && c >= 0xD800 && c <= 0xDBFF && unit != end && *unit >= 0xDC00 &&
        *unit <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(*unit++) - 0xDC00);
    } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
      c = kReplacement;
    }
    std_string_detail::appendUtf8(utf8, c);
  }
  return utf8;
}

}  // namespace Quor

#endif  // QUOR_STD_STRING_H_
